#include "FuzzWorkFile.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>

namespace {
std::string g_folder;

void RemoveWorkFolder() {
    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
}

const std::string& WorkFolder() {
    if (g_folder.empty()) {
        const char* base = getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tw-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) abort();
        g_folder = pattern;
        std::atexit(RemoveWorkFolder);
    }
    return g_folder;
}
}  // namespace

std::string WriteFuzzInput(const char* name, const std::uint8_t* data, std::size_t size) {
    const std::string path = WorkFolder() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) abort();
    if (size && std::fwrite(data, 1, size, f) != size) abort();
    std::fclose(f);
    return path;
}
