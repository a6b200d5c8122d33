// The entry's operations for the build manager: its source, the finished profile, the tag
// write-back.

#include "audio/SourceOpener.h"
#include "catalog/CatItem.h"
#include "platform/Path.h"
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
    SetBuildFailure(BuildFailure::None);
    SetBpm(profile.bpm);
}

bool CCatItem::TakesTags() const {
    const WString extension = PathExtension(GetPath());
    return extension == u"mp3" || extension == u"wma";
}

HRESULT CCatItem::WriteBack() {
    return WriteTrackTags(*this);
}
