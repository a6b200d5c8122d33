#pragma once
// The two exceptions of the system: the error exception, raised when memory or a system object
// (an event, a lock, a string) cannot be created, and the file exception, raised by file
// operations that fail.

#include <stdexcept>
#include <string>

#include "platform/ComTypes.h"

class CSystemError : public std::runtime_error {
public:
    explicit CSystemError(HRESULT code, const std::string& what = "system error")
        : std::runtime_error(what), code_(code) {}
    HRESULT Code() const { return code_; }

private:
    HRESULT code_;
};

class CFileException : public std::runtime_error {
public:
    CFileException(int error, const std::string& path, const std::string& operation);
    int Error() const { return error_; }  // the errno value
    const std::string& Path() const { return path_; }

private:
    int error_;
    std::string path_;
};

// Raises CSystemError(E_OUTOFMEMORY) when `p` is null; returns `p` otherwise.
template <class T>
T* ThrowIfNull(T* p) {
    if (!p) throw CSystemError(E_OUTOFMEMORY, "out of memory");
    return p;
}
