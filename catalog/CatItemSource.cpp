// The entry's operations for the build manager: its source, the finished profile, the tag
// write-back.

#include "audio/SourceOpener.h"
#include "catalog/CatItem.h"
#include "catalog/KeyText.h"
#include "profile/TrackProfile.h"
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

void CCatItem::StoreProfile(const CPfTrackProfile& profile) {
    SetBpm(preferredRange_ ? FoldIntoRange(profile.bpm, preferredRange_->Get()) : profile.bpm);
    CSingleThreadLock hold(lock_);
    if (!keyFromTag_) key_ = StandardKeyText({profile.keyRoot, profile.keyMode});
}

HRESULT CCatItem::WriteBack() {
    return WriteTrackTags(*this);
}
