#include "audio/Resamp.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <numeric>

#include "audio/CpuDispatch.h"
#include "audio/PcmKernels.h"

namespace {
// The pass-band gain of the designed filter.
constexpr double kPassBandGain = 0.9;
// Four-term Blackman-Harris window.
constexpr double kWindowA0 = 0.35875;
constexpr double kWindowA1 = 0.48829;
constexpr double kWindowA2 = 0.14128;
constexpr double kWindowA3 = 0.01168;
// Rounds the required input count to the nearest sample before checking that it is not late.
constexpr double kRoundHalf = 0.5;

double BlackmanHarris(std::int64_t i, std::int64_t n) {
    const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
    return kWindowA0 - kWindowA1 * std::cos(x) + kWindowA2 * std::cos(2.0 * x) -
           kWindowA3 * std::cos(3.0 * x);
}
}  // namespace

void CResamp::Init(std::uint32_t outputRate, std::uint32_t inputRate, double cutoff) {
    ready_ = 0;
    if (outputRate < kMinRate || outputRate > kMaxRate || inputRate < kMinRate ||
        inputRate > kMaxRate)
        return;

    const std::uint32_t divisor = std::gcd(outputRate, inputRate);
    outputRate_ = outputRate;
    inputRate_ = inputRate;
    phases_ = static_cast<std::int32_t>(outputRate / divisor);
    decimation_ = static_cast<std::int32_t>(inputRate / divisor);

    double c = 1.0;
    taps_ = kUpsamplingTaps;
    if (outputRate < inputRate) {
        c = outputRate * cutoff / inputRate;
        // The transition band of a downsampler narrows as the ratio grows; the filter grows
        // with it. An odd count keeps the filter's centre on a tap.
        taps_ = static_cast<std::int32_t>(std::numbers::pi * inputRate /
                                          (outputRate * (1.0 - cutoff))) |
                1;
    }

    const std::int64_t n = static_cast<std::int64_t>(phases_) * taps_;
    coefficients_.assign(static_cast<std::size_t>(n), 0.0f);
    for (std::int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i - n / 2) * c * std::numbers::pi / phases_;
        const double sinc = t == 0.0 ? 1.0 : std::sin(t) / t;
        const double value = BlackmanHarris(i, n) * kPassBandGain * c * sinc;
        coefficients_[static_cast<std::size_t>((i % phases_) * taps_ + i / phases_)] =
            static_cast<float>(value);
    }

    wide_ = CpuHasWideVectors();
    line_.assign(kLineSamples + static_cast<std::size_t>(taps_), 0.0f);
    head_ = kLineSamples;
    pendingCount_ = 0;
    outputCount_ = 0;
    inputCount_ = 0;
    outputTime_ = 0.0;
    inputTime_ = 0.0;
    requiredInputs_ = 0;
    decimationCount_ = 0;
    if (phases_ == decimation_)
        branch_ = Branch::Equal;
    else if (decimation_ == 1)
        branch_ = Branch::Upsample;
    else if (phases_ == 1)
        branch_ = Branch::Decimate;
    else
        branch_ = Branch::General;
    ready_ = 1;
}

void CResamp::Push(float sample) {
    if (head_ == 0) {
        // Queued outputs read the history where it is now.
        Flush();
        std::memmove(line_.data() + kLineSamples, line_.data(),
                     static_cast<std::size_t>(taps_ - 1) * sizeof(float));
        head_ = kLineSamples;
    }
    line_[--head_] = sample;
}

void CResamp::Emit(float* out, std::int32_t phase) {
    pending_[pendingCount_++] = {out, phase, head_};
    if (pendingCount_ == kDotProductGroup) Flush();
}

void CResamp::Flush() {
    const auto taps = static_cast<std::size_t>(taps_);
    auto coefficients = [&](const PendingOutput& p) {
        return coefficients_.data() + static_cast<std::size_t>(p.phase) * taps;
    };
    if (pendingCount_ == kDotProductGroup) {
        const float* a[kDotProductGroup];
        const float* b[kDotProductGroup];
        float sums[kDotProductGroup];
        for (std::size_t j = 0; j < kDotProductGroup; ++j) {
            a[j] = coefficients(pending_[j]);
            b[j] = line_.data() + pending_[j].head;
        }
        DotProducts(a, b, taps, sums, wide_);
        for (std::size_t j = 0; j < kDotProductGroup; ++j) *pending_[j].out = sums[j];
    } else {
        for (std::size_t j = 0; j < pendingCount_; ++j)
            *pending_[j].out =
                DotProduct(coefficients(pending_[j]), line_.data() + pending_[j].head, taps);
    }
    pendingCount_ = 0;
}

std::uint32_t CResamp::Process(float* output, const float* input, std::uint32_t outputCapacity,
                               std::uint32_t inputFrames, std::uint16_t stride) {
    if (!ready_) return 0;
    std::uint32_t written = 0;
    switch (branch_) {
        case Branch::Equal:
            return 0;
        case Branch::Upsample:
            written = ProcessUpsample(output, input, outputCapacity, inputFrames, stride);
            break;
        case Branch::Decimate:
            written = ProcessDecimate(output, input, outputCapacity, inputFrames, stride);
            break;
        case Branch::General:
            written = ProcessGeneral(output, input, outputCapacity, inputFrames, stride);
            break;
    }
    Flush();
    return written;
}

std::uint32_t CResamp::ProcessUpsample(float* output, const float* input, std::uint32_t capacity,
                                       std::uint32_t frames, std::size_t stride) {
    const auto l = static_cast<std::uint64_t>(phases_);
    const std::uint64_t steps = l * frames;
    std::uint32_t written = 0;
    for (std::uint64_t u = 0; u < steps && written < capacity; ++u) {
        const std::uint64_t phase = u % l;
        if (phase == 0) Push(input[(u / l) * stride]);
        Emit(&output[written++ * stride], static_cast<std::int32_t>(phase));
    }
    return written;
}

std::uint32_t CResamp::ProcessDecimate(float* output, const float* input, std::uint32_t capacity,
                                       std::uint32_t frames, std::size_t stride) {
    // The position within the decimation period carries over to the next call, so that chunks
    // of any length give the same samples as one piece.
    const auto m = static_cast<std::uint32_t>(decimation_);
    std::uint32_t written = 0;
    for (std::uint32_t u = 0; u < frames && written < capacity; ++u) {
        Push(input[u * stride]);
        if (decimationCount_ == 0) Emit(&output[written++ * stride], 0);
        decimationCount_ = (decimationCount_ + 1) % m;
    }
    return written;
}

std::uint32_t CResamp::ProcessGeneral(float* output, const float* input, std::uint32_t capacity,
                                      std::uint32_t frames, std::size_t stride) {
    const double inRate = inputRate_;
    std::uint32_t used = 0;
    std::uint32_t written = 0;
    while (written < capacity) {
        outputTime_ = outputCount_ / static_cast<double>(outputRate_);
        requiredInputs_ = static_cast<std::uint32_t>(
            static_cast<std::uint64_t>(inRate * outputTime_ + kRoundHalf));
        inputTime_ = requiredInputs_ / inRate;
        if (inputTime_ > outputTime_) {
            requiredInputs_ =
                static_cast<std::uint32_t>(static_cast<std::uint64_t>(inRate * outputTime_));
            inputTime_ = requiredInputs_ / inRate;
        }
        const auto phase =
            static_cast<std::int32_t>((phases_ - 1) * (outputTime_ - inputTime_) * inRate);
        while (inputCount_ < requiredInputs_) {
            if (used == frames) return written;
            Push(input[used++ * stride]);
            ++inputCount_;
        }
        Emit(&output[written++ * stride], phase);
        ++outputCount_;
    }
    return written;
}

std::uint64_t CResamp::MaxOutputFrames(std::uint64_t inputFrames) const {
    if (!ready_) return 0;
    const auto l = static_cast<std::uint64_t>(phases_);
    const auto m = static_cast<std::uint64_t>(decimation_);
    // Every branch stops once the capacity is reached, before it takes the rest of the input;
    // one frame of room beyond the most it can write lets it take the whole chunk.
    constexpr std::uint64_t kSpare = 1;
    switch (branch_) {
        case Branch::Equal:
            return 0;
        case Branch::Upsample:
            return inputFrames * l + kSpare;
        case Branch::Decimate:
            return (inputFrames + m - 1) / m + kSpare;
        case Branch::General: {
            // Output k needs floor(k × M / L) inputs, or one fewer when rounding of the times
            // lands just below an exact multiple; so every output this call can make has
            // k < (inputs so far + inputFrames + 2) × L / M.
            const std::uint64_t limit = ((inputCount_ + inputFrames + 2) * l + m - 1) / m;
            return (limit > outputCount_ ? limit - outputCount_ : 0) + kSpare;
        }
    }
    return 0;
}
