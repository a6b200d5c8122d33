// The tag blocks found at the end of MP3 files: ID3v1 and the trailer block that opens with
// "Zinth". Their texts are ANSI bytes.

#include <cstring>
#include <string_view>

#include "audio/ComponentIds.h"
#include "platform/File.h"
#include "tags/FileEndTagReaders.h"
#include "tags/TrackFields.h"

namespace {
constexpr std::uint64_t kId3v1Size = 128;
constexpr char kId3v1Magic[] = "TAG";
constexpr std::size_t kId3v1FieldBuffer = 32;
constexpr std::size_t kId3v1GenreOffset = 127;

struct ID3V1_FIELD {
    std::size_t offset;
    std::size_t width;
    std::int32_t fieldId;
};
// Handed to the entry in this order.
constexpr ID3V1_FIELD kId3v1Fields[] = {
    {3, 30, kFieldTitle},
    {63, 30, kFieldAlbum},
    {33, 30, kFieldArtist},
    {93, 4, kFieldYear},
};

constexpr std::uint64_t kTrailerSize = 48;
constexpr char kTrailerMagic[] = "Zinth";
constexpr std::size_t kTrailerMagicSize = 5;
constexpr std::uint64_t kTrailerStringsFromEnd = 7936;
constexpr std::size_t kTrailerMaxString = 256;
constexpr std::int32_t kTrailerFields[] = {kFieldTitle, kFieldAlbum, kFieldArtist};

// ANSI text of at most `count` bytes, ending at its first NUL.
WString AnsiField(const char* bytes, std::size_t count) {
    return AnsiToUtf16(std::string_view(bytes, strnlen(bytes, count)));
}
}  // namespace

bool ReadId3v1Fields(CFile& file, ITrackFields& entry) {
    const std::uint64_t length = file.Length();
    if (length <= kId3v1Size) return false;
    char block[kId3v1Size];
    file.Seek(length - kId3v1Size);
    if (file.Read(block, sizeof block) != sizeof block) return false;
    if (std::memcmp(block, kId3v1Magic, 3) != 0) return false;

    bool named = false;
    for (const auto& field : kId3v1Fields) {
        char buffer[kId3v1FieldBuffer] = {};
        std::memcpy(buffer, block + field.offset, field.width);
        const WString text = AnsiField(buffer, field.width);
        entry.SetFieldText(field.fieldId, text);
        if (field.fieldId != kFieldYear && !text.empty()) named = true;
    }
    const auto genre = static_cast<std::uint8_t>(block[kId3v1GenreOffset]);
    if (const char16_t* name = Id3v1GenreName(genre)) entry.SetFieldText(kFieldGenre, name);
    return named;
}

bool ReadZinthTrailerFields(CFile& file, ITrackFields& entry) {
    const std::uint64_t length = file.Length();
    if (length <= kTrailerSize) return false;
    char trailer[kTrailerMaxString + 1] = {};
    file.Seek(length - kTrailerSize);
    file.Read(trailer, kTrailerSize);
    if (std::memcmp(trailer, kTrailerMagic, kTrailerMagicSize) != 0) return false;
    // The strings lie further back; a file too short for them has none.
    if (length < kTrailerStringsFromEnd) return false;
    file.Seek(length - kTrailerStringsFromEnd);

    bool found = false;
    for (const std::int32_t field : kTrailerFields) {
        std::uint8_t prefix[2] = {};
        if (file.Read(prefix, sizeof prefix) != sizeof prefix) return found;
        const std::size_t count = prefix[0] | (std::size_t{prefix[1]} << 8);
        if (count > kTrailerMaxString) return false;
        char text[kTrailerMaxString + 1] = {};
        const std::size_t got = file.Read(text, count);
        const WString value = AnsiField(text, got);
        entry.SetFieldText(field, value);
        if (!value.empty()) found = true;
    }
    return found;
}
