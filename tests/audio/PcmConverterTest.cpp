#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "audio/CpuDispatch.h"
#include "audio/PcmKernels.h"
#include "tests/audio/ConverterTestUtil.h"

using namespace convtest;

namespace {
std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) out.push_back(static_cast<char>(v));
    return out;
}

std::string Le16(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) {
        out.push_back(static_cast<char>(v & 0xFF));
        out.push_back(static_cast<char>((v >> 8) & 0xFF));
    }
    return out;
}

std::string Le(std::initializer_list<std::uint32_t> values, int width) {
    std::string out;
    for (const std::uint32_t v : values)
        for (int i = 0; i < width; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return out;
}

constexpr float kLsb16 = 1.0f / 32768.0f;
}  // namespace

TEST(PcmToFloat, EightBitBytesAreUnsignedAroundOneHundredTwentyEight) {
    const std::vector<float> out =
        ConvertWhole(Pcm(1, 44100, 8), Analysis(), Bytes({128, 0, 255, 1, 192}));
    EXPECT_EQ(out, (std::vector<float>{0.0f, -1.0f, 0.9921875f, -0.9921875f, 0.5f}));
}

TEST(PcmToFloat, WiderWidthsTruncateToTheSixteenBitScale) {
    const float top = 32767.0f / 32768.0f;
    EXPECT_EQ(ConvertWhole(Pcm(1, 44100, 16), Analysis(), Le16({-32768, 32767, 1, -1})),
              (std::vector<float>{-1.0f, top, kLsb16, -kLsb16}));
    // 24 bits: value / 256 toward zero, so -1 and -255 become 0 and -257 becomes -1.
    EXPECT_EQ(ConvertWhole(Pcm(1, 44100, 24), Analysis(),
                           Le({0x800000, 0x7FFFFF, 0xFFFFFF, 0xFFFF01, 0xFFFEFF, 0x000100}, 3)),
              (std::vector<float>{-1.0f, top, 0.0f, 0.0f, -kLsb16, kLsb16}));
    // 32 bits: value / 65536 toward zero; full scale stays below 1.
    EXPECT_EQ(ConvertWhole(Pcm(1, 44100, 32), Analysis(),
                           Le({0x80000000u, 0x7FFFFFFFu, 0xFFFF0001u, 0x00010000u}, 4)),
              (std::vector<float>{-1.0f, top, 0.0f, kLsb16}));
}

TEST(PcmToFloat, PartialFrameAtTheEndIsNotUsed) {
    // Five bytes of 16-bit stereo: one whole frame.
    const std::string bytes = Le16({2000, 4000}) + Bytes({7});
    EXPECT_EQ(ConvertWhole(Pcm(2, 44100, 16), Analysis(), bytes),
              (std::vector<float>{3000.0f * kLsb16}));
}

TEST(ChannelMix, StereoIsAveraged) {
    const std::string bytes = Le16({1000, 3001, -32768, 32767, 0, -1});
    const std::vector<float> out = ConvertWhole(Pcm(2, 44100, 16), Analysis(), bytes);
    EXPECT_EQ(out, (std::vector<float>{4001.0f / 65536.0f, -1.0f / 65536.0f, -1.0f / 65536.0f}));
}

TEST(ChannelMix, SixChannelsAreAveraged) {
    const std::string bytes =
        Le16({1000, 2000, 3000, 4000, 5000, 6000,  //
              12000, 12000, 12000, 12000, 12000, 12000, -6000, 0, 0, 0, 0, 0});
    const std::vector<float> out = ConvertWhole(Pcm(6, 44100, 16), Analysis(), bytes);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_NEAR(out[0], 3500.0 / 32768.0, 1e-7);
    EXPECT_NEAR(out[1], 12000.0 / 32768.0, 1e-7);
    EXPECT_NEAR(out[2], -1000.0 / 32768.0, 1e-7);

    // Float input takes the same path without the type stage.
    const std::vector<float> f = {0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    std::string floatBytes(reinterpret_cast<const char*>(f.data()), f.size() * sizeof(float));
    const std::vector<float> mixed = ConvertWhole(Float(6, 44100), Analysis(), floatBytes);
    ASSERT_EQ(mixed.size(), 1u);
    EXPECT_NEAR(mixed[0], 0.1, 1e-7);
}

TEST(ChannelMix, FloatFramesAreSummedInChannelOrderThenScaled) {
    // In float, (1e8 + 1) - 1e8 is 0 while (1e8 - 1e8) + 1 is 1: the sum must run in channel
    // order. The one-pass mix must equal copying, adding channel by channel and
    // scaling, bit for bit, for stereo and for other counts.
    for (const std::size_t channels : {std::size_t{2}, std::size_t{3}, std::size_t{5}}) {
        std::vector<float> src;
        for (std::size_t i = 0; i < 37 * channels; ++i)
            src.push_back(std::sin(0.37f * static_cast<float>(i)) * (i % 3 ? 1e-3f : 7.0f));
        src[0] = 1e8f, src[1] = 1.0f, src[2] = -1e8f;
        const std::size_t frames = src.size() / channels;
        const float inverse = 1.0f / static_cast<float>(channels);
        std::vector<float> passes(frames);
        CopyStrided(passes.data(), 1, src.data(), channels, frames);
        for (std::size_t c = 1; c < channels; ++c)
            MultiplyAddStrided(passes.data(), 1, src.data() + c, channels, frames, 1.0f);
        ScaleSamples(passes.data(), passes.data(), frames, inverse);
        std::vector<float> fused(frames);
        MixFloatToMono(fused.data(), src.data(), frames, channels, inverse);
        EXPECT_EQ(fused, passes) << channels << " channels";
        if (channels == 3) {
            EXPECT_EQ(fused[0], 0.0f);
        }

        const std::string bytes(reinterpret_cast<const char*>(src.data()), src.size() * 4);
        EXPECT_EQ(ConvertWhole(Float(static_cast<std::uint16_t>(channels), 44100), Analysis(), bytes),
                  passes);
    }
}

TEST(ChannelMix, MonoIsCopiedToEveryChannel) {
    EXPECT_EQ(ConvertWhole(Pcm(1, 44100, 16), Float(3, 44100), Le16({16384, -8192})),
              (std::vector<float>{0.5f, 0.5f, 0.5f, -0.25f, -0.25f, -0.25f}));
}

TEST(Conversion, UnsupportedPairsGiveNoFrames) {
    const std::string bytes(4800, '\x10');
    struct Case {
        const char* name;
        WAVEFORMATEX in, out;
    };
    WAVEFORMATEX twelveBit = Pcm(1, 44100, 16);
    twelveBit.wBitsPerSample = 12;
    const Case cases[] = {
        {"float to integer", Float(1, 48000), Pcm(1, 44100, 16)},
        {"integer width 12", twelveBit, Analysis()},
        {"stereo to six channels", Float(2, 44100), Float(6, 44100)},
        {"channel change into integer output", Pcm(2, 44100, 16), Pcm(1, 44100, 16)},
        {"rate below 8000 Hz", Pcm(1, 4000, 16), Analysis()},
        {"rate above 96000 Hz", Pcm(1, 192000, 16), Analysis()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(ConvertWhole(c.in, c.out, bytes).empty());
    }
    // Without Prepare there is no resampler.
    CPcmFmtConverter unprepared;
    unprepared.SetInputFormat(Pcm(1, 48000, 16));
    unprepared.SetOutputFormat(Analysis());
    std::vector<float> out(4096);
    EXPECT_EQ(unprepared.Convert(bytes.data(), 4800, out.data(), 4096 * 4), 0u);
}

TEST(Conversion, SameFormatIsCopiedUpToTheCapacity) {
    const std::vector<float> in = {0.1f, -0.2f, 0.3f, -0.4f};
    CPcmFmtConverter converter;
    converter.SetInputFormat(Analysis());
    converter.SetOutputFormat(Analysis());
    converter.Prepare();
    std::vector<float> out(3, 9.0f);
    EXPECT_EQ(converter.Convert(in.data(), 16, out.data(), 12), 3u);
    EXPECT_EQ(out, (std::vector<float>{0.1f, -0.2f, 0.3f}));
}

TEST(Conversion, ZeroFieldsCountAsOne) {
    // A record with channels, rate and block align all 0 is read as mono, 1 Hz, 1-byte frames.
    WAVEFORMATEX in = Pcm(1, 44100, 8);
    in.nChannels = 0;
    in.nBlockAlign = 0;
    CPcmFmtConverter converter;
    converter.SetInputFormat(in);
    converter.SetOutputFormat(Analysis());
    EXPECT_EQ(converter.InputChannels(), 1u);
    EXPECT_EQ(converter.InputBlockAlign(), 1u);
    converter.Prepare();
    std::vector<float> out(4);
    const std::string bytes = Bytes({128, 0, 255});
    EXPECT_EQ(converter.Convert(bytes.data(), 3, out.data(), 16), 3u);
    EXPECT_EQ(out[1], -1.0f);
}

TEST(Conversion, InconsistentRecordsStayInsideTheBuffers) {
    // Block align 2 for 16-bit stereo would claim twice the samples the bytes hold; the input is
    // an exact-size heap block, so the sanitizer sees any read past it.
    WAVEFORMATEX in = Pcm(2, 48000, 16);
    in.nBlockAlign = 2;
    const std::string bytes = Le16({100, 300, 500, 700});
    auto exact = std::make_unique<char[]>(bytes.size());
    std::memcpy(exact.get(), bytes.data(), bytes.size());

    // An output record whose block align (4) is too small for its two float channels.
    WAVEFORMATEX out = Float(2, 44100);
    out.nBlockAlign = 4;
    CPcmFmtConverter converter;
    converter.SetInputFormat(in);
    converter.SetOutputFormat(Float(1, 44100));
    converter.Prepare();
    auto output = std::make_unique<float[]>(64);
    EXPECT_LE(converter.Convert(exact.get(), 8, output.get(), 64 * sizeof(float)), 64u);

    converter.SetInputFormat(Float(1, 48000));
    converter.SetOutputFormat(out);
    converter.Prepare();
    const std::vector<float> ones(480, 1.0f);
    auto small = std::make_unique<float[]>(16);
    EXPECT_LE(converter.Convert(ones.data(), 480 * 4, small.get(), 16 * sizeof(float)), 8u);
}

TEST(Kernels, DotProductKeepsWhatAFloatSumWouldLose) {
    // In float, 1e8 + 1 is 1e8 again; the wide sum keeps the 1. Seven terms: one round of four
    // and a remainder of three.
    const float a[] = {1e8f, 1.0f, -1e8f, 1.0f, 1.0f, 1.0f, 1.0f};
    const float ones[] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    EXPECT_EQ(DotProduct(a, ones, 7), 5.0f);
    EXPECT_EQ(DotProduct(a, ones, 0), 0.0f);
}

TEST(Kernels, DotProductsAtOnceEqualEachAlone) {
    // Each sum in its own order: terms that cancel in float but not in double, and lengths
    // around the four-term rounds, including none. The 256-bit code (where the processor has
    // it) and the portable code alike.
    std::vector<float> data(4 * 80);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = std::sin(1.7f * static_cast<float>(i)) * (i % 5 == 0 ? 1e7f : 1.0f);
    for (const bool wide : {false, CpuHasWideVectors()}) {
        for (const std::size_t count : {0u, 1u, 3u, 4u, 17u, 35u, 71u}) {
            const float* a[kDotProductGroup];
            const float* b[kDotProductGroup];
            for (std::size_t j = 0; j < kDotProductGroup; ++j) {
                a[j] = data.data() + 3 * j;
                b[j] = data.data() + data.size() - count - 7 * j;
            }
            float together[kDotProductGroup];
            DotProducts(a, b, count, together, wide);
            for (std::size_t j = 0; j < kDotProductGroup; ++j)
                EXPECT_EQ(together[j], DotProduct(a[j], b[j], count))
                    << count << " terms, sum " << j << (wide ? ", wide" : "");
        }
    }
}

TEST(Kernels, StridedKernelsTouchOnlyTheirLane) {
    float dst[6] = {1, 1, 1, 1, 1, 1};
    const float src[3] = {2, 3, 4};
    MultiplyAddStrided(dst + 1, 2, src, 1, 3, 0.5f);
    EXPECT_EQ(std::vector<float>(dst, dst + 6), (std::vector<float>{1, 2, 1, 2.5f, 1, 3}));
    CopyStrided(dst, 2, src, 1, 3);
    EXPECT_EQ(std::vector<float>(dst, dst + 6), (std::vector<float>{2, 2, 3, 2.5f, 4, 3}));
}
