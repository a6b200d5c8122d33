#pragma once
// Recursive folder walks shared by the import worker and the expansion of dropped paths.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Path.h"

struct ScanCallbacks {
    // Asked before each entry; true stops the scan (remaining entries are skipped).
    std::function<bool()> cancelled;
    // True when a file name's extension is importable.
    std::function<bool(const WString& extension)> supported;
    // Called with the full path of every importable file, in scan order.
    std::function<void(const WString& path)> found;
};

// Walks `directory` depth first in the order the file system returns names: each subfolder is
// finished before the next entry. Links to folders are followed, but a folder that is already
// on the path being walked (same device and inode) is never entered again, so a link loop ends.
// A folder that cannot be read is skipped.
void ScanTree(const WString& directory, const ScanCallbacks& callbacks);

// The expansion of a pending list: for every path in order, every importable file under it
// (a path that is a file yields nothing), collected without progress or cancel.
class CFileScan {
public:
    explicit CFileScan(WString supportedExtensions) : extensions_(std::move(supportedExtensions)) {}
    void Scan(const WString& path);
    const std::vector<WString>& Results() const { return results_; }

private:
    WString extensions_;
    std::vector<WString> results_;
};

// True when `extension` (any case) is a ";"-terminated token of `list`.
bool ExtensionInList(const WString& list, const WString& extension);
