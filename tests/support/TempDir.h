#pragma once
// A temporary folder that is removed with everything in it when the test ends.

#include <filesystem>
#include <string>

#include "platform/Text.h"

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // A path inside the folder, as the system's UTF-16 text.
    WString W(const std::string& name) const;
    std::string Str(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Writes `bytes` to a file, creating it.
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
// Reads a whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);
// Runs a shell command; returns its exit status. Its standard output goes to `output` when given.
int RunCommand(const std::string& command, std::string* output = nullptr);
