#pragma once
// Recursive folder walks shared by the import worker and the expansion of dropped paths, and the
// check of each path before the import adds it.

#include <cstdint>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "platform/Path.h"

struct ScanCallbacks {
    // Asked before each entry; true stops the scan (remaining entries are skipped).
    std::function<bool()> cancelled;
    // True when a file name's extension is importable.
    std::function<bool(const WString& extension)> supported;
    // Called with the full path of every importable file, in scan order.
    std::function<void(const WString& path)> found;
    // Called for every folder that cannot be read and every importable-looking entry that cannot
    // be imported (not a regular file, not examinable, a path too long), with the reason.
    std::function<void(const WString& path, const WString& reason)> skipped;
};

// Files and folders already met, by (device, inode): whatever path reaches one, it is walked or
// reported once, under the first path found.
using ScanVisits = std::set<std::pair<std::uint64_t, std::uint64_t>>;

// Walks `directory` depth first in the order the file system returns names: each subfolder is
// finished before the next entry. Links are followed, but a folder or file already in `visited`
// is passed over, so link loops end and links that fan out cost one visit per folder and file.
// A folder that cannot be read is skipped and reported, except a root that is no folder at all.
void ScanTree(const WString& directory, const ScanCallbacks& callbacks, ScanVisits& visited);
// The same as a walk of its own.
inline void ScanTree(const WString& directory, const ScanCallbacks& callbacks) {
    ScanVisits visited;
    ScanTree(directory, callbacks, visited);
}

// The expansion of a pending list: for every path in order, every importable file under it
// (a path that is a file yields nothing), collected without progress or cancel. One set of
// visits spans all paths, so a folder reached through two dropped paths is listed once.
class CFileScan {
public:
    explicit CFileScan(WString supportedExtensions) : extensions_(std::move(supportedExtensions)) {}
    void Scan(const WString& path);
    const std::vector<WString>& Results() const { return results_; }
    // What the scans skipped: path and reason, in scan order.
    const std::vector<std::pair<WString, WString>>& Skipped() const { return skipped_; }

private:
    WString extensions_;
    std::vector<WString> results_;
    std::vector<std::pair<WString, WString>> skipped_;
    ScanVisits visited_;
};

// What the import does with one pending path.
enum class PendingVerdict {
    Import,     // add it (also a path that does not exist: the catalog decides)
    Duplicate,  // the same file as a path imported before in this run: nothing to do
    Skip,       // cannot be imported; `reason` says why
};
// Checks a pending path before it is added; `imported` collects the identities of the files
// let through in this run.
PendingVerdict CheckPendingPath(const WString& path, ScanVisits& imported, WString& reason);

// True when `extension` (any case) is a ";"-terminated token of `list`.
bool ExtensionInList(const WString& list, const WString& extension);
