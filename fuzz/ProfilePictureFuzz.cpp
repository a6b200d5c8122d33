// Fuzz target of a stored profile record and the track picture drawn from it: the record is
// what the analysis store and the picture program read back, so a damaged database or a hostile
// input must not crash the decoder or the picture's layout. Beyond "no crash": every decoded
// record encodes back to the same bytes, and the picture never lists a mark or a column outside
// its own width.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "picture/TrackPicture.h"
#include "picture/TrackPictureSvg.h"
#include "store/ProfileBlob.h"

namespace {

void CheckInside(const TrackPicture& picture) {
    if (picture.levels.size() != static_cast<std::size_t>(picture.width)) std::abort();
    for (const PictureMark& mark : picture.marks)
        if (!(mark.x >= 0.0f && mark.x <= static_cast<float>(picture.width))) std::abort();
    for (const PictureSpan& span : picture.spans)
        if (!(span.x0 >= 0.0f && span.x0 < span.x1 && span.x1 <= static_cast<float>(picture.width)))
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CPfTrackProfile profile;
    if (!DecodeProfileBlob(bytes, profile)) return 0;
    // Only the current version re-encodes to the very same bytes.
    if (!bytes.empty() && static_cast<unsigned char>(bytes[0]) == kProfileBlobVersion &&
        EncodeProfileBlob(profile) != bytes)
        std::abort();

    // The whole track, then a zoomed span from the middle (beats shown), then a span past its end.
    const double seconds = ProfileSeconds(profile);
    const PictureRange ranges[] = {{}, {seconds * 0.4, seconds * 0.4 + 4.0}, {seconds + 10.0, seconds + 20.0}};
    for (const PictureRange& range : ranges) {
        const TrackPicture picture = LayOutTrackPicture(profile, 640, 100, range);
        CheckInside(picture);
        if (WriteTrackPictureSvg(picture, {}).empty()) std::abort();
    }
    return 0;
}
