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

void CCatItem::KeepProfile(const CPfTrackProfile& profile) {
    SetBuildFailure(BuildFailure::None);
    SetBpm(preferredRange_ ? FoldIntoRange(profile.bpm, preferredRange_->Get()) : profile.bpm);
    CSingleThreadLock hold(lock_);
    if (!keyFromTag_) key_ = StandardKeyText({profile.keyRoot, profile.keyMode});
}

void CCatItem::StoreProfile(const CPfTrackProfile& profile) {
    KeepProfile(profile);
    SetBpmSource(BpmSource::Analysis);
    if (store_) store_->Record(GetPath(), profile, Utf16ToUtf8(FormatBpmText(profile.bpm)));
}

void CCatItem::ApplyStored(const StoredAnalysis& stored) {
    KeepProfile(stored.profile);
    SetBpm(stored.Bpm());
    SetBpmSource(BpmSource::Store);
}

bool CCatItem::TakesTags() const { return TakesTrackTags(GetPath()); }

HRESULT CCatItem::WriteBack() {
    const HRESULT hr = WriteTrackTags(*this);
    if (hr == S_OK && store_) store_->RecordIdentity(GetPath());
    return hr;
}
