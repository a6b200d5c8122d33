#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "audio/Resamp.h"
#include "tests/audio/ConverterTestUtil.h"
#include "tests/support/Signals.h"

using namespace convtest;

namespace {
constexpr std::uint32_t kAnalysisRate = 44100;
constexpr std::uint32_t kDriverChunkBytes = 0x6000;  // the build driver's read size
constexpr std::size_t kDriverOutputFloats = 0x60000 / 4;
constexpr double kSineFrequency = 1000.0;
constexpr float kSineAmplitude = 0.5f;

const std::uint32_t kSourceRates[] = {22050, 32000, 48000, 88200, 96000};

std::string SineBytes(std::uint32_t rate, double seconds, const WavLayout& layout) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    return EncodeSamples(
        Replicate(Sine(kSineFrequency, rate, frames, kSineAmplitude), layout.channels), layout);
}

CPcmFmtConverter& Prepared(CPcmFmtConverter& c, const WAVEFORMATEX& in) {
    c.SetInputFormat(in);
    c.SetOutputFormat(Analysis());
    c.Prepare();
    return c;
}
}  // namespace

TEST(Resampler, FilterDesignFollowsTheRateRatio) {
    struct Case {
        std::uint32_t in;
        std::int32_t l, m, taps;
    };
    // Downsampling: taps = trunc(pi * in / (out * 0.2)) with the low bit set.
    const Case cases[] = {{48000, 147, 160, 17}, {96000, 147, 320, 35}, {88200, 1, 2, 31},
                          {22050, 2, 1, 71},     {32000, 441, 320, 71}, {8000, 441, 80, 71}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        CResamp r;
        r.Init(kAnalysisRate, c.in, CPcmFmtConverter::kCutoff);
        ASSERT_TRUE(r.Ready());
        EXPECT_EQ(r.Phases(), c.l);
        EXPECT_EQ(r.Decimation(), c.m);
        EXPECT_EQ(r.TapsPerPhase(), c.taps);
    }
    for (const std::uint32_t bad : {7999u, 96001u}) {
        CResamp r;
        r.Init(kAnalysisRate, bad, CPcmFmtConverter::kCutoff);
        EXPECT_FALSE(r.Ready());
        float in[8] = {}, out[8];
        EXPECT_EQ(r.Process(out, in, 8, 8, 1), 0u);
    }
}

TEST(Resampler, SineKeepsItsFrequencyWithPassBandGainNearPointNine) {
    constexpr double kSeconds = 2.0;
    constexpr double kSkipSeconds = 0.05;  // filter start-up and the ragged end
    for (const std::uint32_t rate : kSourceRates) {
        SCOPED_TRACE(rate);
        const WavLayout layout{1, rate, 16, false, false};
        const std::vector<float> out =
            ConvertWhole(MakeFormat(layout), Analysis(), SineBytes(rate, kSeconds, layout));
        const auto skip = static_cast<std::size_t>(kSkipSeconds * kAnalysisRate);
        ASSERT_GT(out.size(), 4 * skip);
        const std::size_t begin = skip, end = out.size() - skip;
        const double expected =
            2.0 * kSineFrequency * static_cast<double>(end - begin) / kAnalysisRate;
        const double crossings = static_cast<double>(ZeroCrossings(out, begin, end));
        EXPECT_NEAR(crossings, expected, expected * 0.001);
        const double gain = Rms(out, begin, end) * std::sqrt(2.0) / kSineAmplitude;
        EXPECT_NEAR(gain, 0.9, 0.01);
    }
}

TEST(Resampler, WholeFileLengthFollowsTheRateRatio) {
    constexpr double kSeconds = 10.0;
    for (const std::uint32_t rate : kSourceRates) {
        SCOPED_TRACE(rate);
        const WavLayout layout{2, rate, 16, false, false};
        const std::string bytes = SineBytes(rate, kSeconds, layout);
        CPcmFmtConverter converter;
        Prepared(converter, MakeFormat(layout));
        const std::vector<float> out =
            ConvertChunks(converter, bytes, kDriverChunkBytes, kDriverOutputFloats);
        const double inFrames = static_cast<double>(bytes.size() / 4);
        // The last output may be due one input sample early.
        EXPECT_NEAR(static_cast<double>(out.size()), inFrames * kAnalysisRate / rate, 2.0);
    }
}

TEST(Resampler, ChunkedConversionEqualsOnePiece) {
    std::mt19937 random(20240611);
    for (const std::uint32_t rate : {8000u, 11025u, 22050u, 32000u, 48000u, 88200u, 96000u}) {
        SCOPED_TRACE(rate);
        const WavLayout layout{2, rate, 16, false, false};
        const std::string bytes = SineBytes(rate, 1.5, layout);
        const std::vector<float> whole = ConvertWhole(MakeFormat(layout), Analysis(), bytes);

        CPcmFmtConverter converter;
        Prepared(converter, MakeFormat(layout));
        std::vector<float> chunked, buffer;
        std::uniform_int_distribution<std::uint32_t> frames(1, 3000);
        for (std::size_t at = 0; at < bytes.size();) {
            // Odd frame counts too, so that no chunk boundary lines up with a filter period.
            const std::size_t n = std::min<std::size_t>(frames(random) * 4, bytes.size() - at);
            buffer.resize(
                static_cast<std::size_t>(converter.MaxOutputFrames(static_cast<std::uint32_t>(n))));
            const std::uint32_t got =
                converter.Convert(bytes.data() + at, static_cast<std::uint32_t>(n), buffer.data(),
                                  static_cast<std::uint32_t>(buffer.size() * 4));
            chunked.insert(chunked.end(), buffer.begin(), buffer.begin() + got);
            at += n;
        }
        ASSERT_EQ(chunked.size(), whole.size());
        EXPECT_EQ(std::memcmp(chunked.data(), whole.data(), whole.size() * sizeof(float)), 0);
    }
}

TEST(Resampler, FourThousandHertzProducesNothing) {
    const WavLayout layout{1, 4000, 16, false, false};
    CPcmFmtConverter converter;
    Prepared(converter, MakeFormat(layout));
    EXPECT_EQ(converter.MaxOutputFrames(kDriverChunkBytes), 0u);
    EXPECT_TRUE(ConvertChunks(converter, SineBytes(4000, 1.0, layout), kDriverChunkBytes,
                              kDriverOutputFloats)
                    .empty());
}

TEST(Resampler, EightKilohertzChunkNeedsMoreThanTheDriverBuffer) {
    // 8-bit mono at 8000 Hz: one 24 KiB chunk expands to about 135,475 samples, more than the
    // driver's 384 KiB buffer holds; the converter stops at the capacity and says how much room
    // a chunk needs.
    const WavLayout layout{1, 8000, 8, false, false};
    const std::string bytes = SineBytes(8000, 9.0, layout);
    CPcmFmtConverter converter;
    Prepared(converter, MakeFormat(layout));
    const std::uint64_t needed = converter.MaxOutputFrames(kDriverChunkBytes);
    EXPECT_GE(needed, 135475u);
    EXPECT_LE(needed, 135475u + 16);  // a few frames of slack at most
    EXPECT_EQ(converter.MaxOutputBytes(kDriverChunkBytes), needed * 4);

    std::vector<float> buffer(kDriverOutputFloats);
    EXPECT_EQ(converter.Convert(bytes.data(), kDriverChunkBytes, buffer.data(),
                                static_cast<std::uint32_t>(buffer.size() * 4)),
              kDriverOutputFloats);
    // The next call, after one cut short, still stays within the announced bound.
    buffer.resize(static_cast<std::size_t>(converter.MaxOutputFrames(kDriverChunkBytes)));
    const std::uint32_t next =
        converter.Convert(bytes.data() + kDriverChunkBytes, kDriverChunkBytes, buffer.data(),
                          static_cast<std::uint32_t>(buffer.size() * 4));
    EXPECT_LT(next, buffer.size());
    EXPECT_GT(next, 135000u);

    // With room for MaxOutputBytes per chunk nothing is dropped: the chunked result equals the
    // one-piece conversion.
    CPcmFmtConverter sized;
    Prepared(sized, MakeFormat(layout));
    const std::vector<float> chunked =
        ConvertChunks(sized, bytes, kDriverChunkBytes,
                      static_cast<std::size_t>(sized.MaxOutputFrames(kDriverChunkBytes)));
    EXPECT_EQ(chunked, ConvertWhole(MakeFormat(layout), Analysis(), bytes));
}

TEST(Resampler, OutputIsTheSameWhereverTheSignalStarts) {
    // The history is kept in a long line that moves back to its end every few thousand inputs.
    // Noise preceded by silence must give the output of the same noise from the start, shifted,
    // bit for bit, however the moves fall within it. The shift is a whole rate period (M inputs
    // give L outputs), so that every branch repeats its phases.
    struct Case {
        std::uint32_t in;
        std::uint32_t out;
    };
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> signal(6000);
    for (float& v : signal) v = noise(random);
    for (const Case c : {Case{22050, 44100}, Case{88200, 44100}, Case{48000, 44100}}) {
        SCOPED_TRACE(c.in);
        CResamp probe;
        probe.Init(c.out, c.in, CPcmFmtConverter::kCutoff);
        const auto m = static_cast<std::uint32_t>(probe.Decimation());
        const auto l = static_cast<std::uint32_t>(probe.Phases());
        const auto resample = [&](std::uint32_t silence) {
            CResamp resampler;
            resampler.Init(c.out, c.in, CPcmFmtConverter::kCutoff);
            std::vector<float> input(silence, 0.0f);
            input.insert(input.end(), signal.begin(), signal.end());
            const auto inputs = static_cast<std::uint32_t>(input.size());
            std::vector<float> output(static_cast<std::size_t>(resampler.MaxOutputFrames(inputs)));
            // In uneven pieces, so that calls end with outputs of every phase still due.
            std::vector<float> all;
            std::uint32_t piece = 1;
            for (std::uint32_t done = 0; done < inputs; done += piece) {
                piece = std::min(piece * 3 % 997 + 1, inputs - done);
                const std::uint32_t n = resampler.Process(output.data(), input.data() + done,
                                                          static_cast<std::uint32_t>(output.size()),
                                                          piece, 1);
                all.insert(all.end(), output.begin(), output.begin() + n);
            }
            return all;
        };
        const std::vector<float> first = resample(0);
        for (const std::uint32_t periods : {1u, 4000u / m, 4096u / m + 1, 9000u / m}) {
            const std::vector<float> later = resample(periods * m);
            const std::size_t shift = static_cast<std::size_t>(periods) * l;
            ASSERT_GE(later.size() + l, shift + first.size()) << periods << " periods of silence";
            EXPECT_TRUE(std::equal(first.begin(), first.end() - l, later.begin() + shift))
                << periods << " periods of silence";
        }
    }
}
