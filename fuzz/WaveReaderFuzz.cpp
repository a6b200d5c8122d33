// Fuzz target of the WAVE reader: a RIFF WAVE file's bytes, opened from memory and read as the
// build driver reads a track, converted to the analysis format.

#include <cstddef>
#include <cstdint>

#include "audio/WaveReader.h"
#include "fuzz/FuzzPcmSource.h"
#include "core/UnknownStandAlone.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ComPtr<CWaveReader> reader(new CWaveReader);
    if (SUCCEEDED(reader->OpenBytes(data, size))) ExerciseOpenSource(*reader.Get());
    return 0;
}
