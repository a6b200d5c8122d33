#pragma once
// One catalog entry: a music file with its title, artist and BPM.
//
// A reference-counted object. The build manager reaches it as an IBuildEntry, the tag code as
// ITrackFields; everything else is a plain member function. Each entry has a lock of its own for
// its fields: the field operations below take it, and callers that need several fields to stay
// consistent (the tag reader and the tag write-back) hold it from outside through Lock(). The BPM
// alone may also be written without the lock, as one 32-bit store (SetBpm), because the build
// worker stores a finished tempo while the user interface reads the entry.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "catalog/BpmRange.h"
#include "core/SingleThreadToken.h"
#include "core/UnknownStandAlone.h"
#include "platform/Text.h"
#include "profile/BuildEntry.h"
#include "tags/BpmText.h"
#include "tags/TrackFields.h"
#include "tags/FileIdentity.h"
#include "tags/TagWriteOutcome.h"

class CAnalysisStore;
class IPcmReader;
struct StoredAnalysis;

// Where an entry's BPM came from.
enum class BpmSource : std::uint8_t {
    None,      // no BPM (yet)
    Tag,       // the file's own tag
    Store,     // the analysis store remembered an earlier measurement of the same audio
    Analysis,  // measured in this run
    Hand,      // set by hand in the list; a measurement that finishes later does not replace it
};

class CCatItem : public TUnknown<IBuildEntry, ITrackFields> {
public:
    // A new entry with empty title and artist, no BPM (0) and no key. The path never changes.
    // With a store, every measurement of the entry is kept there, and a tag write tells the
    // store the file's new identity. A measured tempo is folded into `preferredRange` when one
    // is given and set.
    CCatItem(std::uint32_t id, WString path, std::shared_ptr<CAnalysisStore> store = nullptr,
             std::shared_ptr<const CSharedBpmRange> preferredRange = nullptr);
    ~CCatItem() override;

    HRESULT OwnQueryInterface(REFIID iid, void** out) override;

    std::uint32_t GetId() const override { return id_; }
    // Set at construction and never changed, so it is read without the lock.
    const WString& GetPath() const override { return path_; }
    // True when the file is of a kind whose own tag the write-back fills (MP3, Windows Media);
    // a WAVE file carries no tag of ours.
    bool TakesTags() const;

    // True and the field's text for title (1), artist (3), path (4), BPM (256) and key (257);
    // false for any other field (text unchanged). The BPM text is empty for 0, else the BPM
    // rounded once to two decimals with a "." whatever the process locale (127.996 and 128 give
    // "128.00", 131.99 gives "131.99"). The key text is a measured key in the standard notation
    // ("Am", "Eb"), a key read from a tag as the tag spells it, or empty for no key.
    bool GetFieldText(std::int32_t fieldId, WString& text) override;

    // Sets title (1), artist (3), BPM (256) or key (257) and returns S_OK; E_FAIL for any other
    // field, nothing changed. A BPM text is read as its leading decimal number in the C locale
    // and clamped to 40..250 (a present but unreadable text gives 40); an empty BPM text leaves
    // the BPM as it is. A key text comes from a tag: a non-empty one becomes the entry's key as
    // it stands, and no measurement replaces it.
    HRESULT SetFieldText(std::int32_t fieldId, std::u16string_view text) override;

    // True when this entry's field is less than the other's: title, artist and path by UTF-16
    // code units, BPM numerically, key in circle-of-fifths order; false for any other field. Takes this entry's lock, then the
    // other's.
    bool IsLess(CCatItem& other, std::int32_t fieldId);

    // The BPM as a number, 0 meaning none. SetBpm is one atomic 32-bit store and takes no lock.
    float GetBpm() const { return bpm_.load(std::memory_order_relaxed); }
    void SetBpm(float bpm) override { bpm_.store(bpm, std::memory_order_relaxed); }

    // Opens the entry's file as a PCM source chosen by its extension (mode 1 for analysis):
    // S_OK with an open source holding one reference, or E_FAIL.
    HRESULT OpenSource(IPcmReader** source, std::int32_t mode) override;

    // Keeps the tempo of a finished profile as the BPM (folded into the preferred range) and
    // its key unless a tag gave the entry one, records the measurement in the store, and forgets
    // the failure of an earlier analysis. The profile itself is not changed.
    void StoreProfile(const CPfTrackProfile& profile) override;

    // Fills the entry from a stored measurement, as a measurement would; a BPM set by hand wins.
    void ApplyStored(const StoredAnalysis& stored);

    // Writes title, artist and BPM into the file's own tag (see WriteTrackTags); after a write
    // the store learns the file's new identity.
    HRESULT WriteBack() override;

    BpmSource GetBpmSource() const { return source_.load(std::memory_order_relaxed); }
    void SetBpmSource(BpmSource source) { source_.store(source, std::memory_order_relaxed); }
    // The user's BPM: it stands until a rescan, whatever an analysis already under way finds.
    void SetHandBpm(float bpm);
    // Why the last analysis failed (None when it did not), set by the build manager and cleared
    // by StoreProfile; a failure is not recorded over a BPM set by hand.
    BuildFailure GetBuildFailure() const { return buildFailure_.load(std::memory_order_relaxed); }
    void SetBuildFailure(BuildFailure failure) override;

    // The outcome of the last tag write-back of this entry's file (NotAttempted before the first).
    // One atomic store and load, so the user interface reads it without the lock.
    TagWriteOutcome GetTagWriteOutcome() const { return tagWrite_.load(std::memory_order_relaxed); }
    void SetTagWriteOutcome(TagWriteOutcome outcome) override {
        tagWrite_.store(outcome, std::memory_order_relaxed);
    }

    // The file as it was when its analysis opened it (recorded by OpenSource); the write-back
    // writes only into that same, unchanged file. Both take the entry's lock.
    FILE_IDENTITY GetAnalysedFile() override;
    void SetAnalysedFile(const FILE_IDENTITY& identity);

    // The entry's own lock, for callers that hold it across several field operations.
    CSingleThreadToken& Lock() override { return lock_; }

private:
    // What the entry keeps of a profile, measured now or stored before.
    void KeepProfile(const CPfTrackProfile& profile, float bpm, BpmSource source);

    CSingleThreadToken lock_;
    const std::uint32_t id_;
    const WString path_;
    WString artist_;
    WString title_;
    std::atomic<float> bpm_{0.0f};
    std::atomic<BpmSource> source_{BpmSource::None};
    const std::shared_ptr<CAnalysisStore> store_;
    std::atomic<BuildFailure> buildFailure_{BuildFailure::None};
    WString key_;            // measured: standard notation; from a tag: as the tag has it
    bool keyFromTag_ = false;
    const std::shared_ptr<const CSharedBpmRange> preferredRange_;
    std::atomic<TagWriteOutcome> tagWrite_{TagWriteOutcome::NotAttempted};
    FILE_IDENTITY analysedFile_;
};
