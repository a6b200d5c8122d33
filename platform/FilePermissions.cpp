#include "platform/FilePermissions.h"

#include <sys/stat.h>

namespace {
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
}  // namespace

bool CopyFilePermissions(const CFile& from, CFile& to) noexcept {
    struct stat st {};
    if (::fstat(from.Descriptor(), &st) != 0) return false;
    return ::fchmod(to.Descriptor(), st.st_mode & kPermissionBits) == 0;
}

bool IsMarkedReadOnly(const WString& path) {
    struct stat st {};
    if (::stat(Utf16ToUtf8(path).c_str(), &st) != 0) return false;
    return (st.st_mode & kAnyWrite) == 0;
}
