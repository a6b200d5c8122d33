// The entry's operations for the build manager: its source, the finished profile, the tag
// write-back; and the same results taken from the analysis store.

#include "audio/SourceOpener.h"
#include "catalog/CatItem.h"
#include "profile/TrackProfile.h"
#include "store/AnalysisStore.h"
#include "tags/TrackTagWriter.h"

HRESULT CCatItem::OpenSource(IPcmReader** source, std::int32_t mode) {
    return OpenPcmSource(GetPath(), mode, source);
}

void CCatItem::KeepProfile(const CPfTrackProfile& profile) {
    SetBpm(profile.bpm);
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

HRESULT CCatItem::WriteBack() {
    const HRESULT hr = WriteTrackTags(*this);
    if (hr == S_OK && store_) store_->RecordIdentity(GetPath());
    return hr;
}
