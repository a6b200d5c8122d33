#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "config/InstallLayout.h"

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
    return InstalledComponentDirectory(ProgramDirectory());
}

std::string InstalledComponentDirectory(const std::string& programDir) {
    const std::filesystem::path installed =
        (std::filesystem::path(programDir) / kComponentsFromProgram).lexically_normal();
    std::error_code error;
    if (std::filesystem::is_directory(installed, error)) return installed.string();
    return programDir;
}
