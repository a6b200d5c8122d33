#pragma once
// CResamp: a rational resampler for one channel, a polyphase windowed-sinc FIR. The rate ratio
// is reduced to L / M (output / input); the filter is designed once for L phases of `taps`
// coefficients and keeps its history and position between calls, so a stream can be resampled
// in chunks of any size.
//
// Each output is one dot product of a phase's coefficients with the newest inputs, summed in
// double in tap order. The outputs are computed a few at a time side by side (each still summed
// alone, in its own order), and the history is a long line written backwards, so an input costs
// one store instead of a shift of the whole history.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/PcmKernels.h"

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
    // Queues the output at `out`: the filter of `phase` over the history as it is now.
    void Emit(float* out, std::int32_t phase);
    // Computes and stores every queued output.
    void Flush();
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
    // The history, newest sample first, is line_[head_ .. head_ + taps_). New samples go in
    // front; when the front is reached, the newest taps_ - 1 samples move to the back, once per
    // kLineSamples inputs.
    static constexpr std::size_t kLineSamples = 4096;
    std::vector<float> line_;
    std::size_t head_ = 0;
    struct PendingOutput {
        float* out;
        std::int32_t phase;
        std::size_t head;
    };
    std::array<PendingOutput, kDotProductGroup> pending_{};
    std::size_t pendingCount_ = 0;
    bool wide_ = false;  // the 256-bit dot products, chosen at Init
    std::uint32_t outputCount_ = 0;
    std::uint32_t inputCount_ = 0;
    double outputTime_ = 0.0;
    double inputTime_ = 0.0;
    std::uint32_t requiredInputs_ = 0;
    std::uint32_t decimationCount_ = 0;  // input samples since the last decimated output
    Branch branch_ = Branch::Equal;
    std::int32_t ready_ = 0;
};
