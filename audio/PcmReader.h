#pragma once
// IPcmReader: a random-access source of raw PCM bytes in the file's own sample format, together
// with that format. The system's WAVE reader and the decoder components' objects share this
// slot layout exactly; the components are separate shared objects built against this header.

#include <cstdint>

#include "audio/WaveFormat.h"
#include "platform/Bstr.h"
#include "platform/ComTypes.h"

// {FFAC0204-C042-40C9-A09A-7B64B535E26E}
inline constexpr IID IID_IPcmReader = {0xFFAC0204, 0xC042, 0x40C9,
                                       {0xA0, 0x9A, 0x7B, 0x64, 0xB5, 0x35, 0xE2, 0x6E}};

class IPcmReader : public IUnknown {
public:
    // Slot 3. Opens the file; `mode` is 1 for analysis, 0 for tag access. S_OK or E_FAIL.
    virtual HRESULT Open(BSTR path, std::int32_t mode) = 0;
    // Slot 4. Fills `format` (18 bytes, or 40 when its cbSize is 22 on entry) and, when asked,
    // the bit rate in bits per second. S_OK when the block align is non-zero.
    virtual HRESULT GetFormat(WAVEFORMATEX* format, std::uint32_t* bitRate) = 0;
    // Slot 5. 0 when the source is open and usable, 1 otherwise (not an HRESULT).
    virtual std::int32_t GetStatus() = 0;
    // Slot 6. Length of the PCM byte stream. A decoder component opened for analysis may have
    // told it from the compressed stream without decoding; should the read that reaches the end
    // find another length, it reports that one from then on (the build then reads again).
    virtual HRESULT GetLengthBytes(std::uint64_t* bytes) = 0;
    // Slot 7. Length in frames (bytes / block align).
    virtual HRESULT GetLengthFrames(std::uint64_t* frames) = 0;
    // Slot 8. Frames per second; 0 is reported as 1 with E_FAIL.
    virtual HRESULT GetSampleRate(std::uint32_t* rate) = 0;
    // Slot 9. Fills exactly `count` bytes from byte `position` of the stream (past the end:
    // silence).
    virtual HRESULT Read(void* buffer, std::uint64_t position, std::uint32_t count) = 0;
    // Slot 10.
    virtual HRESULT Close() = 0;
    // Slot 11.
    virtual HRESULT GetExtraData(void* buffer, std::uint32_t* size) = 0;
    // Slots 12 and 13: reserved, E_NOTIMPL in the system's readers.
    virtual HRESULT Reserved12() = 0;
    virtual HRESULT Reserved13(void* a, void* b) = 0;
    // Slot 14.
    virtual ~IPcmReader() = default;
};

// {2FF21D57-D10B-4A92-8F67-4E7302769D4F}
inline constexpr IID IID_IPcmMonoMix = {0x2FF21D57, 0xD10B, 0x4A92,
                                        {0x8F, 0x67, 0x4E, 0x73, 0x02, 0x76, 0x9D, 0x4F}};

// IPcmMonoMix: offered beside IPcmReader by sources that can deliver their channels already
// mixed to one, cheaper than the caller could mix them (a decoder mixes before its synthesis, or
// straight from its output planes). The analysis asks for it; a source without it is mixed by the
// sample converter.
class IPcmMonoMix : public IUnknown {
public:
    // Slot 3. From now on the source delivers one channel at the same rate and with the same
    // length in frames, starting again from the first frame; GetFormat reports the mono format.
    // The mono value of a frame is the average of its channels (a decoder that mixes before its
    // synthesis delivers it up to rounding). S_OK also when the source is mono already; E_FAIL
    // when it is not open or cannot change, and the source may then be closed.
    virtual HRESULT MixToMono() = 0;

protected:
    ~IPcmMonoMix() = default;
};
