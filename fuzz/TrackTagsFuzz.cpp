// Fuzz target of the tag import of an MP3 track as a whole: ID3v2, then ID3v1, then the trailer
// block, from memory into a catalog entry, whose fields (the BPM parsed from its text) are then
// read back as the list and the export read them.

#include <cstddef>
#include <cstdint>

#include "audio/ComponentIds.h"
#include "catalog/CatItem.h"
#include "core/UnknownStandAlone.h"
#include "platform/ByteSource.h"
#include "tags/TrackTagReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ComPtr<CCatItem> entry(new CCatItem(1, u"/fuzz/input.mp3"));
    CMemorySource source(data, size);
    ReadMp3Tags(source, *entry.Get());
    WString text;
    for (const std::int32_t field : {kFieldTitle, kFieldArtist, kFieldPath, kFieldBpm})
        entry->GetFieldText(field, text);
    return 0;
}
