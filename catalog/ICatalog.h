#pragma once
// The catalog's interface: imports, entries by id and in path order, rescans, export, removal.

#include <cstdint>
#include <vector>

#include "core/ProgressStatus.h"
#include "core/UnknownStandAlone.h"
#include "platform/Bstr.h"
#include "platform/ComTypes.h"

class CCatItem;

// {A08B7037-C562-4FF3-87F5-07B09CD0422A}
inline constexpr IID IID_ICatalog = {0xA08B7037, 0xC562, 0x4FF3,
                                     {0x87, 0xF5, 0x07, 0xB0, 0x9C, 0xD0, 0x42, 0x2A}};

// The range of a BPM set by hand.
inline constexpr float kMinHandBpm = 40.0f;
inline constexpr float kMaxHandBpm = 300.0f;

// Entries handed out by GetItems, each holding its own reference.
using CatItemVector = std::vector<ComPtr<CCatItem>>;

class ICatalog : public IUnknown {
public:
    // Slot 3. Scans `directory` recursively and imports every supported file on the import
    // worker; `status` receives the run's progress record (with a reference).
    virtual HRESULT ImportDirectory(BSTR directory, IProgressStatus** status) = 0;
    // Slot 4. Adds one path (file or folder) to the pending list of the next StartImport.
    virtual HRESULT AddImportPath(BSTR path) = 0;
    // Slot 5. Imports the pending paths, first expanding folders among them when `expand` is set.
    virtual HRESULT StartImport(std::int32_t expand, IProgressStatus** status) = 0;
    // Slot 6. Appends every entry in path order, each with a reference added.
    virtual HRESULT GetItems(CatItemVector* items) = 0;
    // Slot 7. The entry with a reference added; E_FAIL when no entry has the id.
    virtual HRESULT GetItem(std::uint32_t id, CCatItem** item) = 0;
    // Slot 8. Clears the entry's BPM and queues it for analysis; S_FALSE for an unknown id.
    virtual HRESULT Reanalyze(std::uint32_t id) = 0;
    // Slot 9. Writes the tab-delimited text export.
    virtual HRESULT ExportText(BSTR path) = 0;
    // Slot 10. Removes the entry; E_FAIL when no entry has the id.
    virtual HRESULT RemoveItem(std::uint32_t id) = 0;
    // Slot 11. Waits until no analysis is queued or running, at most `timeoutMs`: S_OK when idle,
    // S_FALSE on time-out. For callers without a window, which cannot watch the UI update queue.
    virtual HRESULT WaitForBuildsIdle(std::uint32_t timeoutMs) = 0;
    // Slot 12. Gives the entry a BPM set by hand (kMinHandBpm..kMaxHandBpm) and writes it into
    // the file's tag as a measured one is written. S_OK when the tag was written (or the file
    // is of a kind that carries none), S_FALSE when the entry holds the BPM but the tag could
    // not be written, E_INVALIDARG for a BPM outside
    // the range (nothing changes), E_FAIL for an unknown id.
    virtual HRESULT SetEntryBpm(std::uint32_t id, float bpm) = 0;
    // Slot 13. The preferred tempo range into which every later measured tempo is folded
    // (`low` and `high` 0: none): S_OK, or E_INVALIDARG with the range unchanged for a range
    // narrower than one octave.
    virtual HRESULT SetPreferredRange(float low, float high) = 0;

protected:
    ~ICatalog() = default;
};
