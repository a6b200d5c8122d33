#include "audio/PcmReaderBase.h"

#include <cstring>

namespace {
// Bytes of the format that a caller without room for the extensible part receives: everything
// up to and including bits per sample.
constexpr std::size_t kPlainFormatBytes = 16;
constexpr std::uint32_t kBitsPerByte = 8;
}  // namespace

std::int32_t CPcmReader::GetStatus() {
    return isOpen_ ? 0 : 1;
}

HRESULT CPcmReader::GetLengthBytes(std::uint64_t* bytes) {
    if (!bytes) return E_INVALIDARG;
    *bytes = dataLength_;
    return S_OK;
}

HRESULT CPcmReader::GetLengthFrames(std::uint64_t* frames) {
    if (!frames) return E_INVALIDARG;
    const std::uint16_t blockAlign = format_.Format.nBlockAlign;
    *frames = blockAlign ? dataLength_ / blockAlign : 0;
    return S_OK;
}

HRESULT CPcmReader::GetSampleRate(std::uint32_t* rate) {
    if (!rate) return E_INVALIDARG;
    if (format_.Format.nSamplesPerSec == 0) {
        *rate = 1;
        return E_FAIL;
    }
    *rate = format_.Format.nSamplesPerSec;
    return S_OK;
}

HRESULT CPcmReader::GetExtraData(void*, std::uint32_t*) {
    return E_NOTIMPL;
}
HRESULT CPcmReader::Reserved12() {
    return E_NOTIMPL;
}
HRESULT CPcmReader::Reserved13(void*, void*) {
    return E_NOTIMPL;
}

HRESULT CPcmReader::CopyFormat(WAVEFORMATEX* format, std::uint32_t* bitRate) const {
    if (!format) return E_INVALIDARG;
    if (format->cbSize == kExtensibleExtraSize) {
        std::memcpy(format, &format_, sizeof format_);
    } else {
        std::memcpy(format, &format_, kPlainFormatBytes);
        format->cbSize = 0;
        if (format_.Format.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
            if (format_.SubFormat == KSDATAFORMAT_SUBTYPE_PCM)
                format->wFormatTag = WAVE_FORMAT_PCM;
            else if (format_.SubFormat == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT)
                format->wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
        }
    }
    if (bitRate) *bitRate = format_.Format.nAvgBytesPerSec * kBitsPerByte;
    return format_.Format.nBlockAlign ? S_OK : E_FAIL;
}
