#include "catalog/FileScan.h"

#include <algorithm>
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

using Identity = std::pair<std::uint64_t, std::uint64_t>;

void ScanLevel(const WString& directory, const ScanCallbacks& cb, std::vector<Identity>& ancestors) {
    CDirectoryEnum entries;
    if (!entries.Open(directory)) return;
    DirEntryInfo entry;
    while (entries.Next(entry)) {
        if (cb.cancelled && cb.cancelled()) continue;  // skip the rest once cancelled
        const WString full = JoinPath(directory, entry.name);
        if (entry.isDirectory) {
            const Identity id{entry.device, entry.inode};
            if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end()) continue;
            ancestors.push_back(id);
            ScanLevel(full, cb, ancestors);
            ancestors.pop_back();
        } else if (entry.isRegularFile) {
            const WString extension = PathExtension(entry.name);
            if (!extension.empty() && cb.supported(extension)) cb.found(full);
        }
    }
}

}  // namespace

void ScanTree(const WString& directory, const ScanCallbacks& callbacks) {
    std::vector<Identity> ancestors;
    Identity root{};
    if (FileIdentity(directory, root.first, root.second)) ancestors.push_back(root);
    ScanLevel(directory, callbacks, ancestors);
}

void CFileScan::Scan(const WString& path) {
    ScanTree(path, {nullptr, [this](const WString& ext) { return ExtensionInList(extensions_, ext); },
                    [this](const WString& found) { results_.push_back(found); }});
}
