// Fuzz target of the ID3v2 reader: a file's first bytes, read from memory as a tag of any
// version, with every frame's text decoded and the frames of the track fields looked up.
// Beyond "no crash, no read outside a buffer": a tag never claims more frames than bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ByteSource.h"
#include "tags/Id3Bytes.h"
#include "tags/Id3FrameIds.h"
#include "tags/Id3Tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string copy(reinterpret_cast<const char*>(data), size);
    std::size_t length = copy.size();
    Resynchronise(reinterpret_cast<std::uint8_t*>(copy.data()), length);
    if (length > size) std::abort();

    CMemorySource source(data, size);
    CID3Tag tag;
    tag.ReadTag(source);
    if (tag.Frames().size() > size / 2) std::abort();
    WString text;
    for (const auto& frame : tag.Frames()) frame->GetText(text);
    for (const auto& field : kFrameIdMap) tag.GetFrameText(field.frameId, text);
    tag.GetFrameText("COMM", text);
    // Changing frames works on whatever was read.
    tag.SetFrameText("TIT2", u"Fuzzed title");
    tag.SetFrameText("TBPM", u"");
    return 0;
}
