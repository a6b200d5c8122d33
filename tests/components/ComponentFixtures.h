#pragma once
// Test audio for the decoder components: a synthesised source signal, written as a 16-bit WAVE
// file (tests/support's writer) and encoded with lame or ffmpeg at test time, and helpers that open
// and read the result through the component loader.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "audio/LocalCoCreate.h"
#include "audio/PcmReader.h"
#include "core/UnknownStandAlone.h"
#include "tests/support/TempDir.h"

// Interleaved float samples in [-1, 1].
struct PcmSignal {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::vector<float> samples;
    std::uint64_t Frames() const { return samples.size() / channels; }
};

// Frequency of channel c of the test signal: 440 Hz, 660 Hz, ...
double TestToneFrequency(int channel);
// A sine per channel (TestToneFrequency) with a slow amplitude swell, so that the signal lines
// up with itself at one lag only.
PcmSignal MakeTestSignal(std::uint32_t rate, std::uint16_t channels, double seconds);

// Writes `signal` to <name>.wav in `dir` and encodes it with `lame <lameArgs>` to <name>.mp3.
std::string EncodeMp3(const TempDir& dir, const std::string& name, const PcmSignal& signal,
                      const std::string& lameArgs);
// The same with `ffmpeg -c:a <codec>` to <name>.wma, with optional extra ffmpeg arguments.
std::string EncodeWma(const TempDir& dir, const std::string& name, const PcmSignal& signal,
                      const std::string& codec, const std::string& extraArgs = "");

// Frames that ffmpeg itself decodes from the file, in a separate process.
std::uint64_t FramesDecodedByFfmpeg(const std::string& path, int channels);

// Creates a decoder through `loader` and opens `path` with `mode`; null when either fails.
ComPtr<IPcmReader> OpenDecoder(CLocalCoCreate& loader, REFCLSID clsid, const std::string& path,
                               std::int32_t mode = 1);
// Reads the reader's whole byte stream in requests of `chunkBytes` (0: one request).
std::vector<std::uint8_t> ReadStream(IPcmReader* reader, std::uint32_t chunkBytes = 0);
// The reader's float samples (interleaved), read in the build driver's 24 KiB requests.
std::vector<float> ReadSamples(IPcmReader* reader);

// Normalised correlation of channel `c` of two interleaved signals, `decoded` lagging `source`
// by `lag` frames, over the frames both cover (at most `maxFrames` from the start).
double ChannelCorrelation(const std::vector<float>& source, const std::vector<float>& decoded,
                          int channels, int c, std::int64_t lag,
                          std::int64_t maxFrames = INT64_MAX);
// The lag in [0, maxLag] with the highest mean correlation over the channels (measured over the
// opening frames), and that mean.
std::pair<std::int64_t, double> BestLag(const std::vector<float>& source,
                                        const std::vector<float>& decoded, int channels,
                                        std::int64_t maxLag);
// Frequency of channel `c` measured by counting rising zero crossings over frames [from, to).
double ZeroCrossingFrequency(const std::vector<float>& samples, int channels, int c,
                             std::uint32_t rate, std::uint64_t from, std::uint64_t to);

// Deterministic pseudo-random bytes.
std::string PseudoRandomBytes(std::size_t count, std::uint32_t seed);

// Points the component loader at another folder for the lifetime of the object.
class ScopedComponentDir {
public:
    explicit ScopedComponentDir(const std::string& dir);
    ~ScopedComponentDir();
    ScopedComponentDir(const ScopedComponentDir&) = delete;
    ScopedComponentDir& operator=(const ScopedComponentDir&) = delete;

private:
    bool hadValue_ = false;
    std::string previous_;
};
