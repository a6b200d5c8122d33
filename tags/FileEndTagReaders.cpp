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

constexpr std::size_t kId3v1TitleOffset = 3;
constexpr std::size_t kId3v1ArtistOffset = 33;
constexpr std::size_t kId3v1AlbumOffset = 63;
constexpr std::size_t kId3v1YearOffset = 93;
constexpr std::size_t kId3v1CommentOffset = 97;
constexpr std::size_t kId3v1TextWidth = 30;
constexpr std::size_t kId3v1YearWidth = 4;
// ID3v1.1: a zero byte 28 bytes into the comment, then the track number.
constexpr std::size_t kId3v1TrackMarkerOffset = 125;
constexpr std::size_t kId3v1TrackOffset = 126;
constexpr std::size_t kId3v11CommentWidth = 28;

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

std::optional<ID3V1_BLOCK> ReadId3v1Block(CByteSource& file) {
    const std::uint64_t length = file.Length();
    if (length <= kId3v1Size) return std::nullopt;
    char block[kId3v1Size];
    file.Seek(length - kId3v1Size);
    if (file.Read(block, sizeof block) != sizeof block) return std::nullopt;
    if (std::memcmp(block, kId3v1Magic, 3) != 0) return std::nullopt;

    const auto field = [&block](std::size_t offset, std::size_t width) {
        char buffer[kId3v1FieldBuffer] = {};
        std::memcpy(buffer, block + offset, width);
        return AnsiField(buffer, width);
    };
    ID3V1_BLOCK out;
    out.title = field(kId3v1TitleOffset, kId3v1TextWidth);
    out.artist = field(kId3v1ArtistOffset, kId3v1TextWidth);
    out.album = field(kId3v1AlbumOffset, kId3v1TextWidth);
    out.year = field(kId3v1YearOffset, kId3v1YearWidth);
    const bool hasTrack = block[kId3v1TrackMarkerOffset] == 0 && block[kId3v1TrackOffset] != 0;
    out.comment = field(kId3v1CommentOffset, hasTrack ? kId3v11CommentWidth : kId3v1TextWidth);
    if (hasTrack) out.track = static_cast<std::uint8_t>(block[kId3v1TrackOffset]);
    out.genre = static_cast<std::uint8_t>(block[kId3v1GenreOffset]);
    return out;
}

bool ReadId3v1Fields(CByteSource& file, ITrackFields& entry) {
    const std::optional<ID3V1_BLOCK> block = ReadId3v1Block(file);
    if (!block) return false;
    // Handed to the entry in this order.
    entry.SetFieldText(kFieldTitle, block->title);
    entry.SetFieldText(kFieldAlbum, block->album);
    entry.SetFieldText(kFieldArtist, block->artist);
    entry.SetFieldText(kFieldYear, block->year);
    if (const char16_t* name = Id3v1GenreName(block->genre)) entry.SetFieldText(kFieldGenre, name);
    return !block->title.empty() || !block->artist.empty() || !block->album.empty();
}

bool ReadZinthTrailerFields(CByteSource& file, ITrackFields& entry) {
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
