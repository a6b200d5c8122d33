#pragma once
// The fixed tables of the ID3 model: which frames carry the entry's fields, how ID3v2.2 frame IDs
// become ID3v2.3 ones, and how a v2.2 picture format becomes a MIME type.

#include <array>
#include <cstdint>
#include <string_view>

// One frame that carries one of the entry's fields.
struct ID3_FIELD_FRAME {
    const char* frameId;  // 4 characters
    std::int32_t fieldId;
};

// "TIT2" title, "TPE1" artist, "TBPM" BPM, "TKEY" key, in this order: the frames the import
// reads and the write-back writes.
extern const std::array<ID3_FIELD_FRAME, 4> kFrameIdMap;

// The frame ID that carries `fieldId`, or null when no frame does.
const char* FrameIdForField(std::int32_t fieldId);

// Looks up a 3-character ID3v2.2 frame ID in the 69-pair conversion table. True and the
// 4-character ID (written to id4[0..3]) when found; false and id4 unchanged otherwise.
bool ConvertV22FrameId(const std::uint8_t* id3, char* id4);

// The MIME type for a 3-byte ID3v2.2 picture format ("JPG" gives "image/jpeg"); any format not
// in the map is returned as it stands, up to its first NUL.
std::string_view PictureFormatToMime(const std::uint8_t* format3);
