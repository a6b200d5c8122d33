// Fuzz target for finding where a file's audio lies apart from its tags, and for the fingerprint
// the analysis store recognises a file by. The same bytes are read as every kind of container.
//
// Beyond "no crash, no read outside a buffer": every payload lies inside the file, and the
// fingerprint counts no more bytes than the file has.

#include <cstdint>
#include <cstdlib>

#include "FuzzWorkFile.h"
#include "audio/AudioContainer.h"
#include "platform/File.h"
#include "store/AudioFingerprint.h"
#include "store/AudioPayload.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const WString path = Utf8ToUtf16(WriteFuzzInput("input", data, size));
    CFile file;
    if (!file.TryOpen(path, FileMode::Read)) abort();
    for (const AudioContainer container : {AudioContainer::kUnknown, AudioContainer::kWave,
                                           AudioContainer::kAsf, AudioContainer::kMpeg,
                                           AudioContainer::kOther}) {
        const AudioPayloadRange payload = FindAudioPayload(file, container);
        if (payload.begin > payload.end || payload.end > size) abort();
    }
    AudioFingerprint fingerprint;
    if (!ComputeAudioFingerprint(path, fingerprint) || fingerprint.payloadSize > size) abort();
    return 0;
}
