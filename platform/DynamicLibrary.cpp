#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

void* LoadModule(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* ModuleSymbol(void* module, const char* name) {
    return module ? dlsym(module, name) : nullptr;
}

void FreeModule(void* module) {
    if (module) dlclose(module);
}

std::string ProgramDirectory() {
    std::vector<char> buf(4096);
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return ".";
    std::string path(buf.data(), static_cast<size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string ComponentDirectory() {
    const char* dir = std::getenv("TEMPOWRIGHT_COMPONENT_DIR");
    if (dir && *dir) return dir;
    return ProgramDirectory();
}
