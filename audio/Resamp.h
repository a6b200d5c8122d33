#pragma once
// CResamp: a rational resampler for one channel, a polyphase windowed-sinc FIR. The rate ratio
// is reduced to L / M (output / input); the filter is designed once for L phases of `taps`
// coefficients and keeps its history and position between calls, so a stream can be resampled
// in chunks of any size.

#include <cstddef>
#include <cstdint>
#include <vector>

class CResamp {
public:
    // Both rates must lie in this range; outside it the resampler stays not ready.
    static constexpr std::uint32_t kMinRate = 8000;
    static constexpr std::uint32_t kMaxRate = 96000;
    // Taps per phase when the output rate is not below the input rate.
    static constexpr std::int32_t kUpsamplingTaps = 71;

    CResamp() = default;

    // Designs the filter for output / input with the relative cutoff `cutoff` (0 < cutoff < 1)
    // and clears the state. Rates outside kMinRate..kMaxRate leave the resampler not ready.
    // Allocates the coefficients and the history.
    void Init(std::uint32_t outputRate, std::uint32_t inputRate, double cutoff);

    // Reads `inputFrames` samples input[i × stride] and writes at most `outputCapacity` samples
    // output[j × stride]; returns the number written. Input that arrives after the capacity is
    // reached is not used. 0 when not ready or when the rates are equal. Allocates nothing.
    std::uint32_t Process(float* output, const float* input, std::uint32_t outputCapacity,
                          std::uint32_t inputFrames, std::uint16_t stride);

    // Output room that lets the next call take all of `inputFrames` input samples: a frame or
    // a few more than they can produce. 0 when not ready or when the rates are equal.
    std::uint64_t MaxOutputFrames(std::uint64_t inputFrames) const;

    bool Ready() const { return ready_ != 0; }
    std::int32_t Phases() const { return phases_; }
    std::int32_t Decimation() const { return decimation_; }
    std::int32_t TapsPerPhase() const { return taps_; }

private:
    enum class Branch { Equal, Upsample, Decimate, General };

    void Push(float sample);
    float Filter(std::int32_t phase) const;
    std::uint32_t ProcessUpsample(float* output, const float* input, std::uint32_t capacity,
                                  std::uint32_t frames, std::size_t stride);
    std::uint32_t ProcessDecimate(float* output, const float* input, std::uint32_t capacity,
                                  std::uint32_t frames, std::size_t stride);
    std::uint32_t ProcessGeneral(float* output, const float* input, std::uint32_t capacity,
                                 std::uint32_t frames, std::size_t stride);

    std::uint32_t inputRate_ = 0;
    std::uint32_t outputRate_ = 0;
    std::int32_t phases_ = 1;      // L
    std::int32_t decimation_ = 1;  // M
    std::int32_t taps_ = 0;
    std::vector<float> coefficients_;  // phase p, tap k at p × taps + k
    std::vector<float> history_;       // newest sample first
    std::uint32_t outputCount_ = 0;
    std::uint32_t inputCount_ = 0;
    double outputTime_ = 0.0;
    double inputTime_ = 0.0;
    std::uint32_t requiredInputs_ = 0;
    std::uint32_t decimationCount_ = 0;  // input samples since the last decimated output
    Branch branch_ = Branch::Equal;
    std::int32_t ready_ = 0;
};
