#pragma once
// Which file a path named at one moment: device, inode, size and modification time. A write-back
// compares the file it is about to change with the file that was analysed and read.

#include <cstdint>

#include "platform/Text.h"

struct FILE_IDENTITY {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    bool known = false;  // false: not recorded (nothing to compare against)
};

// The identity of an open file; `known` false when it cannot be examined.
FILE_IDENTITY IdentityOfDescriptor(int fd);
// The identity of the file a path names (links followed); `known` false when there is none.
FILE_IDENTITY IdentityOfPath(const WString& path);

// True when both name the same, unchanged file.
bool SameFileState(const FILE_IDENTITY& a, const FILE_IDENTITY& b);
