#include "tags/WaveTagReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "audio/ComponentIds.h"
#include "audio/RiffReader.h"
#include "platform/File.h"
#include "tags/TrackFields.h"
#include "tags/TrackTagReader.h"

namespace {

constexpr std::uint32_t kFormWave = MakeFourCC('W', 'A', 'V', 'E');
constexpr std::uint32_t kFormInfo = MakeFourCC('I', 'N', 'F', 'O');
constexpr std::uint32_t kChunkId3Lower = MakeFourCC('i', 'd', '3', ' ');
constexpr std::uint32_t kChunkId3Upper = MakeFourCC('I', 'D', '3', ' ');
constexpr std::uint32_t kChunkTitle = MakeFourCC('I', 'N', 'A', 'M');
constexpr std::uint32_t kChunkArtist = MakeFourCC('I', 'A', 'R', 'T');
// Chunk header: id and size.
constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr std::uint64_t kFormTypeBytes = 4;
// An INFO text longer than this is cut (the list shows one line).
constexpr std::size_t kMaxInfoTextBytes = 1024;

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Calls `visit(id, dataOffset, dataSize)` for every chunk in [begin, end), each cut short by the
// range; stops at a header that does not fit.
template <typename Visit>
void ForEachChunk(CRiffReader& riff, std::uint64_t begin, std::uint64_t end, Visit visit) {
    for (std::uint64_t at = begin; at + kChunkHeaderBytes <= end;) {
        unsigned char header[kChunkHeaderBytes];
        riff.Seek(at);
        if (riff.Read(header, sizeof header) != static_cast<std::int64_t>(sizeof header)) return;
        const std::uint32_t size = Le32(header + 4);
        const std::uint64_t data = at + kChunkHeaderBytes;
        visit(Le32(header), data, std::min<std::uint64_t>(size, end - data));
        at = data + size + (size & 1u);
    }
}

// An INFO text: ANSI bytes up to the first NUL.
WString InfoText(CRiffReader& riff, std::uint64_t offset, std::uint64_t size) {
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(size, kMaxInfoTextBytes)),
                      '\0');
    riff.Seek(offset);
    const std::int64_t got = riff.Read(bytes.data(), bytes.size());
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return AnsiToUtf16(std::string_view(bytes.c_str(), std::strlen(bytes.c_str())));
}

}  // namespace

bool FindWaveTagChunks(const WString& path, WAVE_TAG_CHUNKS* chunks) {
    *chunks = {};
    CRiffReader riff;
    RIFF_CHUNK form;
    if (!riff.Open(path) || !riff.DescendForm(kFormWave, form)) return false;
    const std::uint64_t formEnd = std::min<std::uint64_t>(form.End(), riff.FileLength());
    ForEachChunk(riff, riff.Position(), formEnd,
                 [&](std::uint32_t id, std::uint64_t data, std::uint64_t size) {
        if ((id == kChunkId3Lower || id == kChunkId3Upper) && !chunks->hasId3) {
            chunks->hasId3 = true;
            chunks->id3Offset = data;
            return;
        }
        unsigned char formType[kFormTypeBytes];
        if (id != kFourCCList || size < kFormTypeBytes) return;
        riff.Seek(data);
        if (riff.Read(formType, sizeof formType) != static_cast<std::int64_t>(sizeof formType) ||
            Le32(formType) != kFormInfo)
            return;
        ForEachChunk(riff, data + kFormTypeBytes, data + size,
                     [&](std::uint32_t item, std::uint64_t text, std::uint64_t length) {
            if (item == kChunkTitle && chunks->infoTitle.empty())
                chunks->infoTitle = InfoText(riff, text, length);
            if (item == kChunkArtist && chunks->infoArtist.empty())
                chunks->infoArtist = InfoText(riff, text, length);
        });
    });
    return true;
}

bool ReadWaveTags(ITrackFields& entry) {
    WAVE_TAG_CHUNKS chunks;
    if (!FindWaveTagChunks(entry.GetPath(), &chunks)) return false;
    if (chunks.hasId3) {
        CFile file;
        if (file.TryOpen(entry.GetPath(), FileMode::Read) &&
            ReadId3v2Fields(file, entry, chunks.id3Offset))
            return true;
    }
    if (!chunks.infoTitle.empty()) entry.SetFieldText(kFieldTitle, chunks.infoTitle);
    if (!chunks.infoArtist.empty()) entry.SetFieldText(kFieldArtist, chunks.infoArtist);
    return !chunks.infoTitle.empty() || !chunks.infoArtist.empty();
}
