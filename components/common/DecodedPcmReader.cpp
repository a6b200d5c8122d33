#include "components/common/DecodedPcmReader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "components/common/ComponentModule.h"

namespace {
// Frames decoded per call while skipping forward to a seek target.
constexpr std::size_t kSkipFrames = 4096;
}  // namespace

CDecodedPcmReader::CDecodedPcmReader() {
    ComponentObjectCreated();
}

CDecodedPcmReader::~CDecodedPcmReader() {
    ComponentObjectDestroyed();
}

HRESULT CDecodedPcmReader::OwnQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IUnknown || iid == IID_IPcmReader) return Hand(static_cast<IPcmReader*>(this), out);
    if (iid == IID_IPcmMonoMix) return Hand(static_cast<IPcmMonoMix*>(this), out);
    return E_NOINTERFACE;
}

void CDecodedPcmReader::ResetState() {
    open_ = false;
    format_ = {};
    bitRate_ = 0;
    lengthBytes_ = decodedEnd_ = cursor_ = decoderFrame_ = 0;
    lengthPredicted_ = false;
    carry_.clear();
    skipBuffer_.clear();
}

HRESULT CDecodedPcmReader::Open(BSTR path, std::int32_t mode) {
    return Guarded([&]() -> HRESULT {
        // Opening again replaces what was open.
        CloseStream();
        ResetState();
        if (!path || SysStringLen(path) == 0) return E_FAIL;
        const std::string utf8 = Utf16ToUtf8(std::u16string_view(path, SysStringLen(path)));
        RememberPath(utf8);

        StreamInfo info;
        if (!OpenStream(utf8, mode != 0, &info)) return E_FAIL;
        return AcceptStream(info);
    });
}

HRESULT CDecodedPcmReader::OpenBytes(const std::uint8_t* data, std::size_t size, std::int32_t mode) {
    return Guarded([&]() -> HRESULT {
        CloseStream();
        ResetState();
        StreamInfo info;
        if (!OpenByteStream(data, size, mode != 0, &info)) return E_FAIL;
        return AcceptStream(info);
    });
}

HRESULT CDecodedPcmReader::AcceptStream(const StreamInfo& info) {
    if (info.sampleRate == 0 || info.channels == 0 || info.frames == 0) {
        CloseStream();
        return E_FAIL;
    }
    bitRate_ = info.bitRate;
    SetChannels(info.channels, info.sampleRate, info.frames);
    decodedEnd_ = lengthBytes_;
    lengthPredicted_ = info.framesPredicted;
    open_ = true;
    return S_OK;
}

void CDecodedPcmReader::SetChannels(std::uint16_t channels, std::uint32_t sampleRate,
                                    std::uint64_t frames) {
    const auto blockAlign = static_cast<std::uint16_t>(channels * kBytesPerSample);
    WAVEFORMATEX& f = format_.Format;
    f.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    f.nChannels = channels;
    f.nSamplesPerSec = sampleRate;
    f.nAvgBytesPerSec = sampleRate * blockAlign;
    f.nBlockAlign = blockAlign;
    f.wBitsPerSample = kBytesPerSample * 8;
    f.cbSize = 0;
    lengthBytes_ = frames * blockAlign;
    carry_.assign(blockAlign, 0);
    skipBuffer_.assign(kSkipFrames * blockAlign, 0);
}

HRESULT CDecodedPcmReader::MixToMono() {
    if (!open_) return E_FAIL;
    if (format_.Format.nChannels == 1) return S_OK;
    return Guarded([&]() -> HRESULT {
        const std::uint16_t blockAlign = format_.Format.nBlockAlign;
        const std::uint64_t frames = lengthBytes_ / blockAlign;
        // Where an earlier pass found the stream to end, in frames, carries over.
        const std::uint64_t decodedFrames = decodedEnd_ / blockAlign;
        if (!RestartMixedToMono()) {
            CloseStream();
            ResetState();
            return E_FAIL;
        }
        SetChannels(1, format_.Format.nSamplesPerSec, frames);
        decodedEnd_ = decodedFrames * kBytesPerSample;
        cursor_ = decoderFrame_ = 0;
        return S_OK;
    });
}

HRESULT CDecodedPcmReader::GetFormat(WAVEFORMATEX* format, std::uint32_t* bitRate) {
    if (!open_) return E_FAIL;
    if (!format) return E_INVALIDARG;
    if (format->cbSize == kExtensibleExtraSize) {
        std::memcpy(format, &format_, sizeof format_);
    } else {
        // The first 16 bytes, without extra bytes.
        std::memcpy(format, &format_.Format, offsetof(WAVEFORMATEX, cbSize));
        format->cbSize = 0;
    }
    if (bitRate) *bitRate = bitRate_;
    return format_.Format.nBlockAlign != 0 ? S_OK : E_FAIL;
}

std::int32_t CDecodedPcmReader::GetStatus() {
    return open_ ? 0 : 1;
}

HRESULT CDecodedPcmReader::GetLengthBytes(std::uint64_t* bytes) {
    if (!bytes) return E_INVALIDARG;
    *bytes = lengthBytes_;
    return S_OK;
}

HRESULT CDecodedPcmReader::GetLengthFrames(std::uint64_t* frames) {
    if (!frames) return E_INVALIDARG;
    const std::uint16_t blockAlign = format_.Format.nBlockAlign;
    *frames = blockAlign ? lengthBytes_ / blockAlign : 0;
    return S_OK;
}

HRESULT CDecodedPcmReader::GetSampleRate(std::uint32_t* rate) {
    if (!rate) return E_INVALIDARG;
    const std::uint32_t r = format_.Format.nSamplesPerSec;
    *rate = r ? r : 1;
    return r ? S_OK : E_FAIL;
}

HRESULT CDecodedPcmReader::Read(void* buffer, std::uint64_t position, std::uint32_t count) {
    if (!open_) return E_FAIL;
    if (count == 0) return S_OK;
    if (!buffer) return E_INVALIDARG;
    auto* out = static_cast<std::uint8_t*>(buffer);
    return Guarded([&]() -> HRESULT {
        HRESULT hr = S_OK;
        std::uint32_t filled = 0;
        const std::uint64_t end = std::min(lengthBytes_, decodedEnd_);
        if (position < end) {
            const auto want =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(count, end - position));
            if (position == cursor_ || MoveCursorTo(position))
                filled = ReadAtCursor(out, want);
            else if (position < decodedEnd_)
                hr = E_FAIL;  // the decoder could not be brought there
            // else: the stream turned out to end before the position; silence.
        }
        std::memset(out + filled, 0, count - filled);
        SettlePredictedLength();
        return hr;
    });
}

void CDecodedPcmReader::SettlePredictedLength() {
    if (!lengthPredicted_) return;
    const std::uint16_t blockAlign = format_.Format.nBlockAlign;
    if (decodedEnd_ < lengthBytes_) {
        // The decoder ran dry before the predicted end (it decodes from the first frame on, so
        // it stopped where the stream ends).
        lengthBytes_ = decodedEnd_;
    } else if (decoderFrame_ * blockAlign == lengthBytes_) {
        // At the predicted end: whatever the decoder still delivers belongs to the stream too.
        if (const std::uint64_t more = CountFramesLeft(); more != 0) {
            decoderFrame_ += more;
            lengthBytes_ = decodedEnd_ = decoderFrame_ * blockAlign;
            // The decoder has passed every frame: a later read starts it again.
            cursor_ = lengthBytes_;
        }
    } else {
        return;  // not at the end yet
    }
    lengthPredicted_ = false;
}

std::size_t CDecodedPcmReader::Decode(std::uint8_t* dst, std::size_t frames) {
    const std::size_t got = DecodeFrames(dst, frames);
    decoderFrame_ += got;
    return got;
}

bool CDecodedPcmReader::SeekToFrame(std::uint64_t frame) {
    if (frame < decoderFrame_) {
        if (!RestartStream()) return false;
        decoderFrame_ = 0;
    }
    while (decoderFrame_ < frame) {
        const auto n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kSkipFrames, frame - decoderFrame_));
        if (Decode(skipBuffer_.data(), n) != n) {
            // The stream ends before the target.
            decodedEnd_ = std::min(decodedEnd_, decoderFrame_ * format_.Format.nBlockAlign);
            return false;
        }
    }
    return true;
}

bool CDecodedPcmReader::MoveCursorTo(std::uint64_t position) {
    const std::uint16_t blockAlign = format_.Format.nBlockAlign;
    const bool reached = SeekToFrame(position / blockAlign);
    cursor_ = decoderFrame_ * blockAlign;
    if (!reached) return false;
    if (position == cursor_) return true;
    // The request starts inside a frame: decode that frame into the carry buffer.
    if (Decode(carry_.data(), 1) != 1) {
        decodedEnd_ = cursor_;
        return false;
    }
    cursor_ = position;
    return true;
}

std::uint32_t CDecodedPcmReader::ReadAtCursor(std::uint8_t* out, std::uint32_t want) {
    const std::uint16_t blockAlign = format_.Format.nBlockAlign;
    std::uint32_t filled = 0;
    // The rest of a frame begun by the previous request.
    if (const std::uint32_t inFrame = cursor_ % blockAlign; inFrame != 0) {
        const std::uint32_t n = std::min<std::uint32_t>(want, blockAlign - inFrame);
        std::memcpy(out, carry_.data() + inFrame, n);
        filled += n;
        cursor_ += n;
    }
    // Whole frames straight into the caller's buffer.
    if (const std::size_t whole = (want - filled) / blockAlign; whole != 0) {
        const std::size_t got = Decode(out + filled, whole);
        filled += static_cast<std::uint32_t>(got * blockAlign);
        cursor_ += got * blockAlign;
        if (got < whole) {
            decodedEnd_ = cursor_;
            return filled;
        }
    }
    // The head of one more frame; its tail stays in the carry buffer for the next request.
    if (const std::uint32_t rest = want - filled; rest != 0) {
        if (Decode(carry_.data(), 1) != 1) {
            decodedEnd_ = cursor_;
            return filled;
        }
        std::memcpy(out + filled, carry_.data(), rest);
        filled += rest;
        cursor_ += rest;
    }
    return filled;
}

HRESULT CDecodedPcmReader::Close() {
    CloseStream();
    ResetState();
    return S_OK;
}

HRESULT CDecodedPcmReader::GetExtraData(void*, std::uint32_t*) {
    return E_NOTIMPL;
}

HRESULT CDecodedPcmReader::Reserved12() {
    return E_NOTIMPL;
}

HRESULT CDecodedPcmReader::Reserved13(void*, void*) {
    return E_NOTIMPL;
}
