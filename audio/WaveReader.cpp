#include "audio/WaveReader.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::uint32_t kFormWave = MakeFourCC('W', 'A', 'V', 'E');
constexpr std::uint32_t kChunkFmt = MakeFourCC('f', 'm', 't', ' ');
constexpr std::uint32_t kChunkData = MakeFourCC('d', 'a', 't', 'a');

// Reads are addressed with 32-bit file offsets.
constexpr std::uint64_t kMaxOffset = 0xFFFFFFFFu;

constexpr std::uint8_t kSilence8Bit = 0x80;
constexpr std::uint16_t kEightBits = 8;
}  // namespace

CWaveReader::~CWaveReader() {
    file_.Close();
}

HRESULT CWaveReader::QueryInterface(REFIID, void**) {
    return E_NOINTERFACE;
}

HRESULT CWaveReader::Open(BSTR path, std::int32_t) {
    if (isOpen_ || !path) return E_FAIL;
    if (!file_.Open(BstrToWString(path))) return E_FAIL;
    return ReadLayout();
}

HRESULT CWaveReader::OpenBytes(const void* data, std::size_t size) {
    if (isOpen_ || (!data && size)) return E_FAIL;
    file_.OpenBytes(data, size);
    return ReadLayout();
}

HRESULT CWaveReader::ReadLayout() {
    RIFF_CHUNK riff;
    if (!file_.DescendForm(kFormWave, riff)) return E_FAIL;
    // A WAVE file is one form; its size field is often stale (streamed or cut files), so the
    // search for its chunks runs to the end of the file.
    const std::uint64_t formEnd = file_.FileLength();

    RIFF_CHUNK fmt;
    if (!file_.Descend(kChunkFmt, formEnd, fmt)) return E_FAIL;
    WAVEFORMATEXTENSIBLE format{};
    const std::size_t formatBytes = std::min<std::size_t>(fmt.size, sizeof format);
    if (file_.Read(&format, formatBytes) < 0) return E_FAIL;
    format_ = format;
    eightBit_ = format_.Format.wBitsPerSample == kEightBits;
    if (format_.Format.nBlockAlign == 0) return E_FAIL;
    file_.Ascend(fmt);

    RIFF_CHUNK data;
    if (!file_.Descend(kChunkData, formEnd, data)) return E_FAIL;
    dataChunkOffset_ = data.dataOffset;
    // The size field is not trusted: the data is what the file really holds after the chunk
    // header, however much the field claims (a streamed size, a cut download or a lie).
    const std::uint64_t present = file_.FileLength() - std::min(file_.FileLength(), data.dataOffset);
    dataChunkSize_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(data.size, present));
    dataLength_ = dataChunkSize_;
    isOpen_ = 1;
    return S_OK;
}

HRESULT CWaveReader::GetFormat(WAVEFORMATEX* format, std::uint32_t* bitRate) {
    if (!isOpen_) return E_FAIL;
    return CopyFormat(format, bitRate);
}

HRESULT CWaveReader::Read(void* buffer, std::uint64_t position, std::uint32_t count) {
    if (!isOpen_) return E_FAIL;
    if (!buffer && count) return E_INVALIDARG;
    if (dataChunkOffset_ + position > kMaxOffset) return E_FAIL;
    file_.Seek(dataChunkOffset_ + position);
    if (position + count > kMaxOffset) return E_FAIL;

    std::uint32_t wanted = count;
    if (position >= dataChunkSize_)
        wanted = 0;
    else if (position + count > dataChunkSize_)
        wanted = static_cast<std::uint32_t>(dataChunkSize_ - position);

    const std::int64_t got = file_.Read(buffer, wanted);
    if (got < 0) return E_FAIL;
    if (static_cast<std::uint64_t>(got) < count)
        std::memset(static_cast<unsigned char*>(buffer) + got, eightBit_ ? kSilence8Bit : 0,
                    count - static_cast<std::size_t>(got));
    return S_OK;
}

HRESULT CWaveReader::Close() {
    return S_FALSE;
}
