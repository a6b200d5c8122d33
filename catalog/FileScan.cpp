#include "catalog/FileScan.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "catalog/Catalog.h"
#include "platform/Directory.h"

bool ExtensionInList(const WString& list, const WString& extension) {
    const WString wanted = AsciiLower(extension);
    const WString lower = AsciiLower(list);
    size_t start = 0;
    for (size_t end = lower.find(u';'); end != WString::npos; end = lower.find(u';', start)) {
        if (std::u16string_view(lower).substr(start, end - start) == wanted) return true;
        start = end + 1;
    }
    return false;
}

namespace {

const WString kNotRegularFile = u"not a regular file";

WString ErrorReason(int error) {
    return u"cannot be read: " + Utf8ToUtf16(std::strerror(error));
}

bool PathTooLong(const WString& path) {
    return Utf16ToUtf8(path).size() > kMaxPathBytes;
}

const WString& PathTooLongReason() {
    static const WString reason =
        u"path longer than " + Utf8ToUtf16(std::to_string(kMaxPathBytes)) + u" bytes";
    return reason;
}

void Skip(const ScanCallbacks& cb, const WString& path, const WString& reason) {
    if (cb.skipped) cb.skipped(path, reason);
}

bool FirstVisit(ScanVisits& visited, const DirEntryInfo& entry) {
    return visited.emplace(entry.device, entry.inode).second;
}

void ScanLevel(const WString& directory, const ScanCallbacks& cb, ScanVisits& visited) {
    CDirectoryEnum entries;
    if (!entries.Open(directory)) {
        Skip(cb, directory, ErrorReason(errno));
        return;
    }
    DirEntryInfo entry;
    while (entries.Next(entry)) {
        if (cb.cancelled && cb.cancelled()) continue;  // skip the rest once cancelled
        const WString full = JoinPath(directory, entry.name);
        const WString extension = PathExtension(entry.name);
        const bool importable = !extension.empty() && cb.supported(extension);
        if (entry.isDirectory) {
            if (!FirstVisit(visited, entry)) continue;
            if (PathTooLong(full))
                Skip(cb, full, PathTooLongReason());
            else
                ScanLevel(full, cb, visited);
        } else if (!importable) {
            continue;
        } else if (entry.error != 0) {
            Skip(cb, full, ErrorReason(entry.error));
        } else if (!entry.isRegularFile) {
            Skip(cb, full, kNotRegularFile);
        } else if (!FirstVisit(visited, entry)) {
            continue;
        } else if (PathTooLong(full)) {
            Skip(cb, full, PathTooLongReason());
        } else {
            cb.found(full);
        }
    }
}

}  // namespace

void ScanTree(const WString& directory, const ScanCallbacks& callbacks, ScanVisits& visited) {
    struct stat st {};
    if (::stat(Utf16ToUtf8(directory).c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) return;  // a file given as a folder yields nothing
        if (!visited.emplace(st.st_dev, st.st_ino).second) return;
    } else if (errno == ENOENT || errno == ENOTDIR) {
        return;  // nothing there to walk
    }
    ScanLevel(directory, callbacks, visited);
}

void CFileScan::Scan(const WString& path) {
    ScanTree(path,
             {nullptr, [this](const WString& ext) { return ExtensionInList(extensions_, ext); },
              [this](const WString& found) { results_.push_back(found); },
              [this](const WString& skipped, const WString& reason) {
                  skipped_.emplace_back(skipped, reason);
              }},
             visited_);
}

PendingVerdict CheckPendingPath(const WString& path, ScanVisits& imported, WString& reason) {
    if (PathTooLong(path)) {
        reason = PathTooLongReason();
        return PendingVerdict::Skip;
    }
    struct stat st {};
    if (::stat(Utf16ToUtf8(path).c_str(), &st) != 0) return PendingVerdict::Import;
    if (S_ISDIR(st.st_mode)) return PendingVerdict::Import;  // the catalog refuses or accepts it
    if (!S_ISREG(st.st_mode)) {
        reason = kNotRegularFile;
        return PendingVerdict::Skip;
    }
    return imported.emplace(st.st_dev, st.st_ino).second ? PendingVerdict::Import
                                                         : PendingVerdict::Duplicate;
}
