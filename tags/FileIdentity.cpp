#include "tags/FileIdentity.h"

#include <sys/stat.h>

namespace {
FILE_IDENTITY FromStat(const struct stat& st) {
    FILE_IDENTITY id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.modifiedSeconds = st.st_mtim.tv_sec;
    id.modifiedNanoseconds = st.st_mtim.tv_nsec;
    id.known = true;
    return id;
}
}  // namespace

FILE_IDENTITY IdentityOfDescriptor(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {};
    return FromStat(st);
}

FILE_IDENTITY IdentityOfPath(const WString& path) {
    struct stat st {};
    if (::stat(Utf16ToUtf8(path).c_str(), &st) != 0) return {};
    return FromStat(st);
}

bool SameFileState(const FILE_IDENTITY& a, const FILE_IDENTITY& b) {
    return a.known && b.known && a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modifiedSeconds == b.modifiedSeconds &&
           a.modifiedNanoseconds == b.modifiedNanoseconds;
}
