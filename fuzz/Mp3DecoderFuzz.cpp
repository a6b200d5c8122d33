// Fuzz target of the MP3 decoder component: a file's bytes handed to libmpg123 from memory
// through the component's reader, opened for analysis (exact length) and read as the build
// driver reads a track, and opened for tag access (the headers' length) and probed.

#include <cstddef>
#include <cstdint>

#include "components/mp3/Mp3Reader.h"
#include "core/UnknownStandAlone.h"
#include "fuzz/FuzzPcmSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const std::int32_t mode : {1, 0}) {
        ComPtr<CMp3Reader> reader(new CMp3Reader);
        if (SUCCEEDED(reader->OpenBytes(data, size, mode))) ExerciseOpenSource(*reader.Get(), mode == 1);
    }
    return 0;
}
