#include "tags/TrackFileRewrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

#include "platform/PageAlloc.h"

namespace {
constexpr char kWorkingMarker[] = ".twtmp-";
constexpr char kCopyMarker[] = ".twcopy-";
constexpr char kTemporarySuffix[] = ".MP~";
constexpr int kRandomNameLength = 8;
constexpr int kCreateAttempts = 64;
constexpr std::size_t kCopyBufferSize = 0x100000;
constexpr mode_t kPermissionBits = 07777;

// A descriptor closed when it goes out of scope.
class CDescriptor {
public:
    explicit CDescriptor(int fd = -1) : fd_(fd) {}
    ~CDescriptor() { Reset(); }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

struct TRACK_NAME {
    std::string real;       // the file itself, links resolved
    std::string directory;  // its folder
    std::string name;       // its name in that folder
};

bool ResolveTrack(const WString& path, TRACK_NAME& out) {
    char buffer[PATH_MAX];
    if (!::realpath(Utf16ToUtf8(path).c_str(), buffer)) return false;
    out.real = buffer;
    const std::size_t slash = out.real.rfind('/');
    out.directory = slash == 0 ? "/" : out.real.substr(0, slash);
    out.name = out.real.substr(slash + 1);
    return true;
}

bool WriteAllAt(int fd, const std::uint8_t* data, std::size_t count, std::uint64_t offset) {
    while (count > 0) {
        const ssize_t n = ::pwrite(fd, data, count, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        count -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

// Copies everything from `fromOffset` to the end of `from` into `to` at `toOffset`.
bool CopyToEnd(int from, std::uint64_t fromOffset, int to, std::uint64_t toOffset) {
    CPageBlock buffer(kCopyBufferSize);
    if (!buffer) return false;
    auto* bytes = static_cast<std::uint8_t*>(buffer.Get());
    while (true) {
        const ssize_t got = ::pread(from, bytes, kCopyBufferSize, static_cast<off_t>(fromOffset));
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        if (!WriteAllAt(to, bytes, static_cast<std::size_t>(got), toOffset)) return false;
        fromOffset += static_cast<std::uint64_t>(got);
        toOffset += static_cast<std::uint64_t>(got);
    }
}

void SyncDirectory(const std::string& directory) {
    CDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) ::fsync(fd.Get());
}

std::string RandomName() {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kAlphabet) - 2);
    std::string out;
    for (int i = 0; i < kRandomNameLength; ++i) out += kAlphabet[pick(device)];
    return out;
}

// Creates a new temporary "<prefix><random>.MP~" exclusively and locks it; the lock tells other
// write-backs that its writer is alive.
int CreateLockedTemporary(const std::string& prefix, std::string& path) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        path = prefix + RandomName() + kTemporarySuffix;
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            ::unlink(path.c_str());
            return -1;
        }
        return fd;
    }
    return -1;
}

// Gives the new file the owner, group and mode of the old one. When the owner cannot be kept,
// the set-user-id and set-group-id bits are not carried over to a file of another owner.
bool KeepOwnerAndMode(const struct stat& old, int fd) {
    mode_t mode = old.st_mode & kPermissionBits;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    return ::fchmod(fd, mode) == 0;
}

std::string CopyPrefix(const TRACK_NAME& track, std::uint64_t inode) {
    return track.directory + "/" + track.name + kCopyMarker + std::to_string(inode) + "-";
}

// Writes a finished copy over the track from its first byte, syncs, then removes the copy.
bool ApplyCopy(int copy, const std::string& copyPath, int track, const std::string& directory) {
    if (!CopyToEnd(copy, 0, track, 0) || ::fsync(track) != 0) return false;
    ::unlink(copyPath.c_str());
    SyncDirectory(directory);
    return true;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

void RecoverOne(const TRACK_NAME& track, const std::string& entryName) {
    const std::string path = track.directory + "/" + entryName;
    CDescriptor fd(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) return;
    struct stat st {};
    // Only a regular file of ours that no live writer holds.
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return;
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return;
    const std::string_view rest = std::string_view(entryName).substr(track.name.size());
    if (rest.substr(0, sizeof kWorkingMarker - 1) == kWorkingMarker) {
        ::unlink(path.c_str());
        return;
    }
    // A finished copy: it belongs to the track only when the track is still the same file.
    struct stat target {};
    if (::stat(track.real.c_str(), &target) != 0) return;
    if (path.rfind(CopyPrefix(track, target.st_ino), 0) != 0) return;
    CDescriptor out(::open(track.real.c_str(), O_WRONLY | O_CLOEXEC));
    if (out) ApplyCopy(fd.Get(), path, out.Get(), track.directory);
}

void RecoverTemporaries(const TRACK_NAME& track) {
    DIR* dir = ::opendir(track.directory.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.size() <= track.name.size() || name.substr(0, track.name.size()) != track.name ||
            !EndsWith(name, kTemporarySuffix))
            continue;
        const std::string_view rest = name.substr(track.name.size());
        if (rest.rfind(kWorkingMarker, 0) == 0 || rest.rfind(kCopyMarker, 0) == 0)
            names.emplace_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : names) RecoverOne(track, name);
}

// Opens the track and checks it is the file that was read.
TagWriteOutcome OpenExpected(const TRACK_NAME& track, int flags, const FILE_IDENTITY& expected,
                             CDescriptor& fd, struct stat& st) {
    fd.Reset(::open(track.real.c_str(), flags | O_CLOEXEC));
    if (!fd) return errno == ENOENT ? TagWriteOutcome::FileReplaced : TagWriteOutcome::WriteFailed;
    if (::fstat(fd.Get(), &st) != 0) return TagWriteOutcome::WriteFailed;
    if (!S_ISREG(st.st_mode)) return TagWriteOutcome::Refused;
    if (expected.known && !SameFileState(IdentityOfDescriptor(fd.Get()), expected))
        return TagWriteOutcome::FileReplaced;
    return TagWriteOutcome::Written;
}
}  // namespace

void RecoverTrackTemporaries(const WString& path) {
    TRACK_NAME track;
    if (ResolveTrack(path, track)) RecoverTemporaries(track);
}

TagWriteOutcome OverwriteTrackHead(const WString& path, const std::vector<std::uint8_t>& head,
                                   const FILE_IDENTITY& expected) {
    TRACK_NAME track;
    if (!ResolveTrack(path, track)) return TagWriteOutcome::FileReplaced;
    CDescriptor fd;
    struct stat st {};
    const TagWriteOutcome opened = OpenExpected(track, O_RDWR, expected, fd, st);
    if (opened != TagWriteOutcome::Written) return opened;
    // One write for the whole tag region, so that the tag is not left half old, half new.
    if (!WriteAllAt(fd.Get(), head.data(), head.size(), 0) || ::fsync(fd.Get()) != 0)
        return TagWriteOutcome::WriteFailed;
    return TagWriteOutcome::Written;
}

TagWriteOutcome RewriteTrackFile(const WString& path, const std::vector<std::uint8_t>& head,
                                 std::uint64_t replacedLength, const FILE_IDENTITY& expected) {
    TRACK_NAME track;
    if (!ResolveTrack(path, track)) return TagWriteOutcome::FileReplaced;
    CDescriptor source;
    struct stat st {};
    const TagWriteOutcome opened = OpenExpected(track, O_RDONLY, expected, source, st);
    if (opened != TagWriteOutcome::Written) return opened;

    const FILE_IDENTITY before = IdentityOfDescriptor(source.Get());
    std::string temporary;
    CDescriptor copy(CreateLockedTemporary(track.real + kWorkingMarker, temporary));
    if (!copy) return TagWriteOutcome::WriteFailed;
    const bool hardLinked = st.st_nlink > 1;
    const bool built = WriteAllAt(copy.Get(), head.data(), head.size(), 0) &&
                       CopyToEnd(source.Get(), replacedLength, copy.Get(), head.size()) &&
                       (hardLinked || KeepOwnerAndMode(st, copy.Get())) &&
                       ::fsync(copy.Get()) == 0;
    // The file must not have changed while it was copied.
    const bool unchanged = SameFileState(IdentityOfDescriptor(source.Get()), before);
    if (!built || !unchanged) {
        ::unlink(temporary.c_str());
        return built ? TagWriteOutcome::FileReplaced : TagWriteOutcome::WriteFailed;
    }

    if (!hardLinked) {
        // The complete copy takes the track's name in one step: the track is at every moment the
        // old file or the whole new one.
        if (::rename(temporary.c_str(), track.real.c_str()) != 0) {
            ::unlink(temporary.c_str());
            return TagWriteOutcome::WriteFailed;
        }
        SyncDirectory(track.directory);
        return TagWriteOutcome::Written;
    }

    // Every link must keep seeing one file: the finished copy is kept under a name that marks
    // it finished until the track has been overwritten with it and synced.
    const std::string finished = CopyPrefix(track, st.st_ino) + RandomName() + kTemporarySuffix;
    if (::link(temporary.c_str(), finished.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return TagWriteOutcome::WriteFailed;
    }
    ::unlink(temporary.c_str());
    SyncDirectory(track.directory);
    CDescriptor target;
    const TagWriteOutcome reopened = OpenExpected(track, O_WRONLY, expected, target, st);
    if (reopened != TagWriteOutcome::Written) {
        ::unlink(finished.c_str());
        return reopened;
    }
    return ApplyCopy(copy.Get(), finished, target.Get(), track.directory)
               ? TagWriteOutcome::Written
               : TagWriteOutcome::WriteFailed;
}
