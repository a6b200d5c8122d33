#pragma once
// CPcmReader: the base of the system's own PCM sources. It holds what every source reports the
// same way (open state, data length, the 40-byte format as stored in the file) and implements
// the slots that only look at those: GetStatus, GetLengthBytes, GetLengthFrames, GetSampleRate
// and the three slots no reader of the system offers. Opening, reading, closing and the format
// record's copy are left to each reader.

#include <cstdint>

#include "audio/PcmReader.h"
#include "audio/WaveFormat.h"
#include "core/UnknownStandAlone.h"

class CPcmReader : public TUnknown<IPcmReader> {
public:
    // Slot 0 is each reader's own answer.
    HRESULT QueryInterface(REFIID iid, void** out) override = 0;

    // Slot 5. 0 when open, 1 otherwise.
    std::int32_t GetStatus() override;
    // Slot 6. The data length in bytes; S_OK (E_INVALIDARG for a null out pointer).
    HRESULT GetLengthBytes(std::uint64_t* bytes) override;
    // Slot 7. Data length / block align, truncated; 0 when block align is 0. S_OK.
    HRESULT GetLengthFrames(std::uint64_t* frames) override;
    // Slot 8. Samples per second and S_OK; a stored 0 is reported as 1 with E_FAIL.
    HRESULT GetSampleRate(std::uint32_t* rate) override;
    // Slots 11 to 13: E_NOTIMPL.
    HRESULT GetExtraData(void* buffer, std::uint32_t* size) override;
    HRESULT Reserved12() override;
    HRESULT Reserved13(void* a, void* b) override;

protected:
    CPcmReader() = default;

    // Copies the stored format the way slot 4 hands it out: all 40 bytes when the caller's
    // record says extra size 22, else the first 16 bytes with extra size 0 and an extensible
    // tag replaced by the plain tag of its PCM or float sub-format. The bit rate, when asked
    // for, is average bytes per second × 8. S_OK when block align is non-zero, else E_FAIL.
    HRESULT CopyFormat(WAVEFORMATEX* format, std::uint32_t* bitRate) const;

    std::int32_t isOpen_ = 0;
    std::uint64_t dataLength_ = 0;
    WAVEFORMATEXTENSIBLE format_{};
};
