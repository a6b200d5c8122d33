#pragma once
// Directory enumeration in the order the file system returns the names ("." and ".." skipped).

#include <dirent.h>
#include <limits.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "platform/Text.h"

struct DirEntryInfo {
    WString name;           // the entry's name, escaped as described in Text.h
    bool isDirectory;       // a directory, or a link that resolves to one
    bool isRegularFile;     // a regular file, or a link that resolves to one
    bool isLink;            // the entry itself is a symbolic link
    std::uint64_t device;   // of the resolved entry (0 when it could not be resolved)
    std::uint64_t inode;
    int error;              // 0, or the errno of examining the entry (a dangling link: ENOENT)
};

class CDirectoryEnum {
public:
    CDirectoryEnum() = default;
    ~CDirectoryEnum() { Close(); }
    CDirectoryEnum(const CDirectoryEnum&) = delete;
    CDirectoryEnum& operator=(const CDirectoryEnum&) = delete;

    // Opens a folder; false, with errno set, when it cannot be read.
    bool Open(const WString& path);
    // Next entry; false at the end. Entries that vanish while being examined are passed over;
    // an entry that cannot be examined is returned with `error` set and neither type flag.
    bool Next(DirEntryInfo& entry);
    void Close();

private:
    DIR* dir_ = nullptr;
};

// The longest path, in bytes, that the system's path calls accept.
inline constexpr std::size_t kMaxPathBytes = PATH_MAX - 1;

// Device and inode of a path (links followed); false when it cannot be examined.
bool FileIdentity(const WString& path, std::uint64_t& device, std::uint64_t& inode);
