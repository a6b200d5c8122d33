#include "components/wma/AsfReplacementFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "components/wma/AsfHeaderLayout.h"

namespace {

constexpr char kSuffix[] = ".WM~";
constexpr std::size_t kSuffixLength = sizeof kSuffix - 1;
// mkstemps replaces these with letters and digits.
constexpr std::size_t kUniqueLength = 6;
// A replacement file younger than this may belong to a store that has not locked it yet.
constexpr std::time_t kStaleAfterSeconds = 60;

bool IsReplacementOf(const std::string& name, const std::string& base) {
    const std::size_t expected = base.size() + 1 + kUniqueLength + kSuffixLength;
    if (name.size() != expected || name.compare(0, base.size(), base) != 0 ||
        name[base.size()] != '.' || name.compare(expected - kSuffixLength, kSuffixLength, kSuffix))
        return false;
    for (std::size_t i = base.size() + 1; i < base.size() + 1 + kUniqueLength; ++i) {
        const char c = name[i];
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9');
        if (!alnum) return false;
    }
    return true;
}

// True when the open file is ours, left alone long enough, unlocked, and empty or an ASF file.
// The lock taken here is held until the caller closes the descriptor.
bool ProvablyLeftOver(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        st.st_nlink != 1 || std::time(nullptr) - st.st_mtime < kStaleAfterSeconds)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
    if (st.st_size == 0) return true;
    ASF_HEADER_LAYOUT layout;
    return ReadAsfHeaderLayout(fd, &layout);
}

}  // namespace

std::string ReplacementTemplate(const std::string& target) {
    return target + "." + std::string(kUniqueLength, 'X') + kSuffix;
}

int ReplacementSuffixLength() {
    return static_cast<int>(kSuffixLength);
}

int RemoveStaleReplacements(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    while (const dirent* item = ::readdir(dir)) {
        const std::string name = item->d_name;
        if (!IsReplacementOf(name, base)) continue;
        const std::string path = folder + (folder.back() == '/' ? "" : "/") + name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        if (ProvablyLeftOver(fd) && ::unlink(path.c_str()) == 0) ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}
