#pragma once
// Runs a piece of work, or another program, in a child process and measures what it cost: CPU
// seconds (user and system), wall seconds and the child's peak resident memory. A child process
// starts every measurement from the same state, and the same measure applies to our own work and
// to the programs we compare with.

#include <functional>
#include <string>
#include <vector>

struct ChildCost {
    bool ok = false;    // the work reported success (the program exited with status 0)
    double cpu = 0.0;   // user + system seconds
    double wall = 0.0;  // elapsed seconds
    long peakKb = 0;    // peak resident set of the child
};

// Runs `work` in a forked child; ok when it returns true.
ChildCost RunInChild(const std::function<bool()>& work);
// Runs a program with its output discarded; ok when it exits with status 0.
ChildCost RunProgram(const std::vector<std::string>& argv);

// The median CPU and the median wall time of several measurements (each median on its own); ok
// when every measurement was.
ChildCost Median(const std::vector<ChildCost>& costs);
