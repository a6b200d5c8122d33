// The entry's operations for the build manager: its source, the finished profile, the tag
// write-back.

#include "audio/SourceOpener.h"
#include "catalog/CatItem.h"
#include "profile/TrackProfile.h"
#include "tags/TrackTagWriter.h"

HRESULT CCatItem::OpenSource(IPcmReader** source, std::int32_t mode) {
    return OpenPcmSource(GetPath(), mode, source);
}

void CCatItem::StoreProfile(const CPfTrackProfile& profile) {
    SetBuildFailure(BuildFailure::None);
    SetBpm(profile.bpm);
}

HRESULT CCatItem::WriteBack() {
    return WriteTrackTags(*this);
}
