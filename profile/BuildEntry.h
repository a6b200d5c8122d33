#pragma once
// How the build manager meets the catalog: an entry to analyse, and the source that hands out
// entries by id. The catalog's entry and the catalog implement them; this folder sees nothing
// else of the catalog.

#include <cstdint>

#include "platform/ComTypes.h"
#include "platform/Text.h"
#include "profile/BuildFailure.h"

class IPcmReader;
struct CPfTrackProfile;

// {FE85242D-FD21-43DE-8904-5F95C86B8391}
inline constexpr IID IID_IBuildEntry = {0xFE85242D, 0xFD21, 0x43DE,
                                        {0x89, 0x04, 0x5F, 0x95, 0xC8, 0x6B, 0x83, 0x91}};

class IBuildEntry : public IUnknown {
public:
    // Slot 3. The entry's catalog id.
    virtual std::uint32_t GetId() const = 0;
    // Slot 4. The entry's file; never changes.
    virtual const WString& GetPath() const = 0;
    // Slot 5. Opens the entry's file as a PCM source chosen by its extension (mode 1 for
    // analysis): S_OK with an open source holding one reference, or E_FAIL.
    virtual HRESULT OpenSource(IPcmReader** source, std::int32_t mode) = 0;
    // Slot 6. Keeps what the entry needs of a finished profile (its tempo).
    virtual void StoreProfile(const CPfTrackProfile& profile) = 0;
    // Slot 7. Writes the entry's title, artist and BPM back into its file: S_OK when written,
    // S_FALSE when the file could not be taken or updated, E_FAIL for a file of another kind.
    virtual HRESULT WriteBack() = 0;
    // Slot 8. Records why the entry's analysis failed; StoreProfile forgets it again.
    virtual void SetBuildFailure(BuildFailure failure) = 0;

protected:
    ~IBuildEntry() = default;
};

// {BF79EF58-8375-486F-B80D-F45282A4B655}
inline constexpr IID IID_IBuildEntrySource = {0xBF79EF58, 0x8375, 0x486F,
                                              {0xB8, 0x0D, 0xF4, 0x52, 0x82, 0xA4, 0xB6, 0x55}};

class IBuildEntrySource : public IUnknown {
public:
    // Slot 3. The entry with the id, with a reference added; E_FAIL when no entry has it.
    virtual HRESULT GetBuildEntry(std::uint32_t id, IBuildEntry** entry) = 0;

protected:
    ~IBuildEntrySource() = default;
};
