// Fuzz target of the tag blocks at the end of a file: the ID3v1 block and the "Zinth" trailer
// block, read from memory into a catalog entry.

#include <cstddef>
#include <cstdint>

#include "catalog/CatItem.h"
#include "core/UnknownStandAlone.h"
#include "platform/ByteSource.h"
#include "tags/FileEndTagReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ComPtr<CCatItem> entry(new CCatItem(1, u"/fuzz/input.mp3"));
    CMemorySource source(data, size);
    ReadId3v1Fields(source, *entry.Get());
    ReadZinthTrailerFields(source, *entry.Get());
    return 0;
}
