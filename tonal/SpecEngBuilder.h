#pragma once
// The spectral engine: one block of mono float samples becomes its magnitude spectrum, and the
// spectrum becomes one number, the block's spectral sum, which is the block's value in the energy
// envelope. One engine serves one build on one thread.

#include <cstdint>
#include <vector>

#include "platform/PageAlloc.h"

class CPfSpecEngBuilder {
public:
    // Builds the tables for blocks of `size` samples. A usable size is a power of two of at least
    // 4; any other size gives an inert engine whose `Spectrum` writes nothing and whose
    // `SpectralSum` returns 0. Raises CSystemError(E_OUTOFMEMORY) when the spectrum's page
    // allocation fails.
    explicit CPfSpecEngBuilder(std::uint16_t size);
    virtual ~CPfSpecEngBuilder() = default;
    CPfSpecEngBuilder(const CPfSpecEngBuilder&) = delete;
    CPfSpecEngBuilder& operator=(const CPfSpecEngBuilder&) = delete;

    std::uint16_t Size() const { return size_; }
    bool Usable() const { return usable_; }

    // Reads `Size()` samples, writes `Size() / 2` magnitudes into the spectrum buffer: bin k for
    // k >= 1 is |DFT of the Hamming-windowed block at k| / (Size() / 2); bin 0 holds the DC and
    // Nyquist terms together. Allocates nothing. Does nothing on an inert engine.
    void Spectrum(const float* samples);

    // Runs `Spectrum` and returns the sum of bins 1 .. Size()/2 - 1 (DC excluded), added in bin
    // order in single precision. 0 on an inert engine. Allocates nothing.
    float SpectralSum(const float* samples);

    // The magnitudes written by the last `Spectrum` (Size() / 2 of them; null on an inert engine).
    const float* Magnitudes() const { return static_cast<const float*>(spectrum_.Get()); }

private:
    void Window(const float* samples);
    void Transform(const float* samples);
    void Unscramble();
    void SplitRealSpectrum();
    void StoreMagnitudes();

    std::uint16_t size_;
    bool usable_;
    bool wide_;                              // the processor runs the transform's 256-bit stages
    std::vector<std::uint32_t> bitReverse_;  // size/2 entries: float index of complex value i
    std::vector<float> twiddles_;            // size floats: -j * exp(-2 pi j i / size) at rev(i)
    std::vector<float> window_;              // size floats, periodic Hamming
    std::vector<float> work_;                // size floats, interleaved complex
    std::vector<float> natural_;             // the transform's output in natural order
    std::vector<float> splitReal_;           // split factors, natural order, each twice
    std::vector<float> splitImaginary_;
    CPageBlock spectrum_;                    // size floats, the first size/2 written
};
