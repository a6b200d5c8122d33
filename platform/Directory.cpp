#include "platform/Directory.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

bool CDirectoryEnum::Open(const WString& path) {
    Close();
    dir_ = opendir(Utf16ToUtf8(path).c_str());
    return dir_ != nullptr;
}

bool CDirectoryEnum::Next(DirEntryInfo& entry) {
    if (!dir_) return false;
    while (dirent* d = readdir(dir_)) {
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
        struct stat lst {};
        entry.name = Utf8ToUtf16(d->d_name);
        entry.isDirectory = entry.isRegularFile = entry.isLink = false;
        entry.device = entry.inode = 0;
        if (fstatat(dirfd(dir_), d->d_name, &lst, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) continue;  // vanished meanwhile
            entry.error = errno;
            return true;
        }
        entry.isLink = S_ISLNK(lst.st_mode);
        struct stat st = lst;
        if (entry.isLink && fstatat(dirfd(dir_), d->d_name, &st, 0) != 0) {
            // A dangling link or a loop of links: neither a file nor a folder.
            entry.error = errno;
            return true;
        }
        entry.error = 0;
        entry.isDirectory = S_ISDIR(st.st_mode);
        entry.isRegularFile = S_ISREG(st.st_mode);
        entry.device = static_cast<std::uint64_t>(st.st_dev);
        entry.inode = static_cast<std::uint64_t>(st.st_ino);
        return true;
    }
    return false;
}

void CDirectoryEnum::Close() {
    if (dir_) closedir(dir_);
    dir_ = nullptr;
}

bool FileIdentity(const WString& path, std::uint64_t& device, std::uint64_t& inode) {
    struct stat st {};
    if (stat(Utf16ToUtf8(path).c_str(), &st) != 0) return false;
    device = static_cast<std::uint64_t>(st.st_dev);
    inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}
