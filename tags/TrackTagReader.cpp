#include "tags/TrackTagReader.h"

#include <cmath>
#include <string_view>

#include "audio/AudioContainer.h"
#include "audio/ComponentIds.h"
#include "platform/Bstr.h"
#include "platform/ComInit.h"
#include "platform/File.h"
#include "platform/SystemError.h"
#include "tags/BpmText.h"
#include "tags/Id3FrameIds.h"
#include "tags/Id3Tag.h"
#include "tags/TrackFields.h"
#include "tags/TrackPath.h"
#include "tags/WaveTagReader.h"
#include "tags/WmaTagRoute.h"

namespace {
// Title and artist name a track; a BPM or a key alone leaves the other tag sources to name it.
bool NamesTrack(std::int32_t fieldId) { return fieldId == kFieldTitle || fieldId == kFieldArtist; }

// The Windows Media component's title, artist, BPM and key. True when the title or the artist
// could be read (even an empty one).
bool ReadWmaFields(ITrackFields& entry) {
    CComInitScope com;
    ComPtr<ITrackTagEditor> editor = OpenWmaTagsForReading(entry.GetPath());
    if (!editor) return false;
    bool named = false;
    for (const std::int32_t field : {kFieldTitle, kFieldArtist}) {
        CBstr value;
        if (FAILED(editor->GetValue(field, value.Out()))) continue;
        entry.SetFieldText(field, value.Str());
        named = true;
    }
    CBstr bpm;
    if (SUCCEEDED(editor->GetValue(kFieldBpm, bpm.Out()))) {
        // Stored as read, without the limits that apply to ID3 texts; a value that is no tempo
        // at all (not a finite positive number) leaves the entry without a BPM.
        const double value = ParseBpmNumber(bpm.Str());
        if (std::isfinite(value) && value > 0.0) entry.SetBpm(static_cast<float>(value));
    }
    CBstr key;
    if (SUCCEEDED(editor->GetValue(kFieldKey, key.Out()))) entry.SetFieldText(kFieldKey, key.Str());
    return named;
}
}  // namespace

bool ReadTrackTags(ITrackFields& entry) {
    CSingleThreadLock hold(entry.Lock());
    const WString& path = entry.GetPath();
    if (!FileExists(path) && !DirectoryExists(path)) return false;
    // Tags are read as the file's content shows it to be, whatever its name says.
    const AudioContainer container = EffectiveContainer(path);
    if (container == AudioContainer::kMpeg && ReadMp3Tags(entry)) return true;
    if (container == AudioContainer::kAsf && ReadWmaFields(entry)) return true;
    if (container == AudioContainer::kWave && ReadWaveTags(entry)) return true;
    entry.SetFieldText(kFieldTitle, TitleFromFileName(path));
    return true;
}

bool ReadMp3Tags(ITrackFields& entry) {
    CFile file;
    return file.TryOpen(entry.GetPath(), FileMode::Read) && ReadMp3Tags(file, entry);
}

bool ReadMp3Tags(CByteSource& source, ITrackFields& entry) {
    try {
        if (ReadId3v2Fields(source, entry)) return true;
        if (ReadId3v1Fields(source, entry)) return true;
        return ReadZinthTrailerFields(source, entry);
    } catch (const CFileException&) {
        return false;
    }
}

bool ReadId3v2Fields(CByteSource& source, ITrackFields& entry, std::uint64_t offset) {
    CID3Tag tag;
    if (tag.ReadTag(source, offset) != S_OK) return false;
    bool named = false;
    for (const auto& map : kFrameIdMap) {
        WString text;
        if (FAILED(tag.GetFrameText(map.frameId, text))) {
            // A title or artist that is there but cannot be decoded still names the track: no
            // other source, and not the file name, stands in for it.
            if (NamesTrack(map.fieldId) && tag.FindFrame(map.frameId)) named = true;
            continue;
        }
        entry.SetFieldText(map.fieldId, text);
        if (NamesTrack(map.fieldId) && !text.empty()) named = true;
    }
    return named;
}
