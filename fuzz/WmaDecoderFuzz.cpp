// Fuzz target of the Windows Media decoder component: an ASF file's bytes handed to FFmpeg from
// memory through the component's own I/O context, opened for analysis (exact length) and read as
// the build driver reads a track.

#include <cstddef>
#include <cstdint>

#include "components/wma/WmaReader.h"
#include "core/UnknownStandAlone.h"
#include "fuzz/FuzzPcmSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ComPtr<CWmaReader> reader(new CWmaReader);
    if (SUCCEEDED(reader->OpenBytes(data, size, 1))) ExerciseOpenSource(*reader.Get());
    return 0;
}
