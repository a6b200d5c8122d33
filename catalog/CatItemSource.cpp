// The entry's operations for the build manager: its source, the finished profile, the tag
// write-back; and the same results taken from the analysis store.

#include "audio/SourceOpener.h"
#include "catalog/CatItem.h"
#include "catalog/KeyText.h"
#include "platform/Path.h"
#include "profile/TrackProfile.h"
#include "store/AnalysisStore.h"
#include "tags/TrackTagWriter.h"

HRESULT CCatItem::OpenSource(IPcmReader** source, std::int32_t mode) {
    // Taken before the source opens the file, so that a file replaced later never matches.
    const FILE_IDENTITY identity = IdentityOfPath(GetPath());
    const HRESULT hr = OpenPcmSource(GetPath(), mode, source);
    if (SUCCEEDED(hr)) SetAnalysedFile(identity);
    return hr;
}

void CCatItem::SetAnalysedFile(const FILE_IDENTITY& identity) {
    CSingleThreadLock hold(lock_);
    analysedFile_ = identity;
}

FILE_IDENTITY CCatItem::GetAnalysedFile() {
    CSingleThreadLock hold(lock_);
    return analysedFile_;
}

void CCatItem::KeepProfile(const CPfTrackProfile& profile, float bpm, BpmSource source) {
    SetBuildFailure(BuildFailure::None);
    CSingleThreadLock hold(lock_);
    // A BPM the user set while the track was being measured stays; the measurement still gives
    // the key and is kept in the store.
    if (GetBpmSource() != BpmSource::Hand) {
        SetBpm(bpm);
        SetBpmSource(source);
    }
    if (!keyFromTag_) key_ = StandardKeyText({profile.keyRoot, profile.keyMode});
}

void CCatItem::StoreProfile(const CPfTrackProfile& profile) {
    KeepProfile(profile,
                preferredRange_ ? FoldIntoRange(profile.bpm, preferredRange_->Get()) : profile.bpm,
                BpmSource::Analysis);
    if (store_) store_->Record(GetPath(), profile, Utf16ToUtf8(FormatBpmText(profile.bpm)));
}

void CCatItem::ApplyStored(const StoredAnalysis& stored) {
    KeepProfile(stored.profile, stored.Bpm(), BpmSource::Store);
}

void CCatItem::SetHandBpm(float bpm) {
    CSingleThreadLock hold(lock_);
    SetBuildFailure(BuildFailure::None);
    SetBpm(bpm);
    SetBpmSource(BpmSource::Hand);
}

void CCatItem::SetBuildFailure(BuildFailure failure) {
    CSingleThreadLock hold(lock_);
    if (failure != BuildFailure::None && GetBpmSource() == BpmSource::Hand) return;
    buildFailure_.store(failure, std::memory_order_relaxed);
}

bool CCatItem::TakesTags() const { return TakesTrackTags(GetPath()); }

HRESULT CCatItem::WriteBack() {
    const HRESULT hr = WriteTrackTags(*this);
    if (hr == S_OK && store_) store_->RecordIdentity(GetPath());
    return hr;
}
