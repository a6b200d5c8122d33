// Fuzz target for the tag readers: the ID3v2 reader with its text decoding and its save, and
// the ID3v1 and trailer-block readers. Each input is written to a file, because the readers work
// on files.
//
// Beyond "no crash, no read outside a buffer", a successful save must leave a version 2.3 tag
// followed by exactly the bytes that followed the old tag.

#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzTrack.h"
#include "FuzzWorkFile.h"
#include "audio/ComponentIds.h"
#include "platform/File.h"
#include "platform/SystemError.h"
#include "tags/FileEndTagReaders.h"
#include "tags/Id3Bytes.h"
#include "tags/Id3FrameIds.h"
#include "tags/Id3Tag.h"

namespace {
constexpr std::uint8_t kFooterFlag = 0x10;
constexpr std::size_t kFooterSize = 10;

// The bytes an old tag occupies, as the save replaces them: header size plus a v2.4 footer.
std::size_t ReplacedLength(const CID3Tag& tag, const std::uint8_t* data, std::size_t size) {
    std::size_t length = static_cast<std::size_t>(tag.OnDiskLength());
    if (tag.Version() == 4 && size > 5 && (data[5] & kFooterFlag)) length += kFooterSize;
    return length;
}

void ReadEveryText(const CID3Tag& tag) {
    WString text;
    for (const auto& frame : tag.Frames()) frame->GetText(text);
    for (const auto& field : kFrameIdMap) tag.GetFrameText(field.frameId, text);
    tag.GetFrameText("COMM", text);
}

void ReadFileEndBlocks(const WString& path) {
    CFuzzTrack entry(path);
    try {
        CFile file;
        file.Open(path, FileMode::Read);
        ReadId3v1Fields(file, entry);
        ReadZinthTrailerFields(file, entry);
    } catch (const CFileException&) {
    }
}

void SaveAndCheck(CID3Tag& tag, const std::string& path, const std::uint8_t* data,
                  std::size_t size) {
    const std::size_t replaced = ReplacedLength(tag, data, size);
    tag.SetFrameText("TIT2", u"Fuzzed title");
    tag.SetFrameText("TBPM", u"128.00");
    ID3_SAVE_RESULT result;
    if (tag.SaveTag(result) != S_OK) return;
    std::string saved;
    if (!ReadWholeFile(Utf8ToUtf16(path), saved)) abort();
    CID3Tag back;
    if (back.ReadTag(Utf8ToUtf16(path)) != S_OK || back.Version() != 3) abort();
    const std::size_t tagLength = static_cast<std::size_t>(back.OnDiskLength());
    const std::size_t tail = replaced < size ? size - replaced : 0;
    if (saved.size() != tagLength + tail) abort();
    if (tail && std::memcmp(saved.data() + tagLength, data + replaced, tail) != 0) abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = WriteFuzzInput("input.mp3", data, size);
    const WString wpath = Utf8ToUtf16(path);

    // Byte helpers on the raw input.
    std::string copy(reinterpret_cast<const char*>(data), size);
    std::size_t length = copy.size();
    Resynchronise(reinterpret_cast<std::uint8_t*>(copy.data()), length);

    CID3Tag tag;
    const HRESULT hr = tag.ReadTag(wpath);
    ReadEveryText(tag);
    ReadFileEndBlocks(wpath);
    if (hr == S_OK || hr == S_FALSE) SaveAndCheck(tag, path, data, size);
    return 0;
}
