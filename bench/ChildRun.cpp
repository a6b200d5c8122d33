#include "bench/ChildRun.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace {

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

template <class Child>
ChildCost Measure(Child child) {
    ChildCost cost;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return cost;
    if (pid == 0) child();
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return cost;
    cost.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cost.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    cost.peakKb = usage.ru_maxrss;
    cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return cost;
}

double MedianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

}  // namespace

ChildCost RunInChild(const std::function<bool()>& work) {
    return Measure([&] { _exit(work() ? 0 : 1); });
}

ChildCost RunProgram(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return Measure([&] {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execvp(args[0], args.data());
        _exit(127);
    });
}

ChildCost Median(const std::vector<ChildCost>& costs) {
    ChildCost m;
    m.ok = !costs.empty();
    std::vector<double> cpu, wall;
    for (const ChildCost& c : costs) {
        m.ok = m.ok && c.ok;
        cpu.push_back(c.cpu);
        wall.push_back(c.wall);
        m.peakKb = std::max(m.peakKb, c.peakKb);
    }
    m.cpu = MedianOf(cpu);
    m.wall = MedianOf(wall);
    return m;
}
