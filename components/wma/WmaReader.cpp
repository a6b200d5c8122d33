#include "components/wma/WmaReader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "components/common/ComponentModule.h"
#include "components/wma/AsfTagStore.h"

HRESULT CWmaReader::Create(REFIID iid, void** out) {
    auto* reader = new (std::nothrow) CWmaReader();
    if (!reader) return E_OUTOFMEMORY;
    const HRESULT hr = reader->CDecodedPcmReader::QueryInterface(iid, out);
    reader->CDecodedPcmReader::Release();
    return hr;
}

CWmaReader::~CWmaReader() {
    CloseStream();
}

HRESULT CWmaReader::OwnQueryInterface(REFIID iid, void** out) {
    if (SUCCEEDED(CDecodedPcmReader::OwnQueryInterface(iid, out))) return S_OK;
    if (iid == IID_ITrackTagEditor) return Hand(static_cast<ITrackTagEditor*>(this), out);
    return E_NOINTERFACE;
}

bool CWmaReader::OpenStream(const std::string& path, bool exactLength, StreamInfo* info) {
    CloseStream();
    return decoder_.Open(path) && MeasureOpenedStream(exactLength, info);
}

bool CWmaReader::OpenByteStream(const std::uint8_t* data, std::size_t size, bool exactLength,
                                StreamInfo* info) {
    CloseStream();
    return decoder_.OpenBytes(data, size) && MeasureOpenedStream(exactLength, info);
}

bool CWmaReader::MeasureOpenedStream(bool exactLength, StreamInfo* info) {
    info->sampleRate = decoder_.SampleRate();
    info->channels = decoder_.Channels();
    info->bitRate = decoder_.BitRate();
    if (!exactLength) {
        info->frames = decoder_.AnnouncedFrames();
        return true;
    }
    // The length told from the packets is a prediction that the read reaching the end checks;
    // a stream whose packets do not tell it is counted by decoding it once.
    std::uint64_t predicted = 0;
    info->framesPredicted = decoder_.PredictFrames(&predicted);
    if (info->framesPredicted) {
        info->frames = predicted;
    } else {
        if (!decoder_.Restart()) return false;
        info->frames = decoder_.CountRemainingFrames();
    }
    return decoder_.Restart();
}

std::uint64_t CWmaReader::CountFramesLeft() {
    const std::uint64_t pending = pendingFrames_;
    pending_ = nullptr;
    pendingFrames_ = 0;
    return pending + decoder_.CountRemainingFrames();
}

void CWmaReader::CloseStream() {
    decoder_.Close();
    pending_ = nullptr;
    pendingFrames_ = 0;
}

bool CWmaReader::FillPending() {
    if (pendingFrames_ == 0) pendingFrames_ = decoder_.NextBlock(&pending_);
    return pendingFrames_ != 0;
}

bool CWmaReader::RestartStream() {
    pending_ = nullptr;
    pendingFrames_ = 0;
    return decoder_.Restart();
}

bool CWmaReader::RestartMixedToMono() {
    decoder_.SetMonoMix(true);
    return RestartStream();
}

std::size_t CWmaReader::DecodeFrames(std::uint8_t* dst, std::size_t frames) {
    const std::size_t channels = decoder_.OutputChannels();
    const std::size_t frameBytes = channels * kBytesPerSample;
    std::size_t done = 0;
    while (done < frames && FillPending()) {
        const std::size_t n = std::min(pendingFrames_, frames - done);
        std::memcpy(dst + done * frameBytes, pending_, n * frameBytes);
        pending_ += n * channels;
        pendingFrames_ -= n;
        done += n;
    }
    return done;
}

HRESULT CWmaReader::GetValue(std::int32_t fieldId, BSTR* value) {
    if (!value) return E_INVALIDARG;
    *value = nullptr;
    if (tagPath_.empty()) return E_FAIL;
    return Guarded([&]() -> HRESULT {
        std::u16string text;
        const HRESULT hr = ReadAsfField(tagPath_, fieldId, &text);
        if (FAILED(hr)) return hr;
        *value = SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
        return *value ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT CWmaReader::SetValue(std::int32_t fieldId, BSTR value) {
    if (!editing_) return E_FAIL;
    return Guarded([&]() -> HRESULT {
        return WriteAsfField(tagPath_, fieldId,
                             std::u16string(value ? value : u"", SysStringLen(value)));
    });
}

HRESULT CWmaReader::OpenForEdit(BSTR path) {
    editing_ = false;
    if (!path || SysStringLen(path) == 0) return E_FAIL;
    return Guarded([&]() -> HRESULT {
        const std::string utf8 = Utf16ToUtf8(std::u16string_view(path, SysStringLen(path)));
        if (!CanEditAsf(utf8)) return E_FAIL;
        RemoveLeftoverReplacements(utf8);
        tagPath_ = utf8;
        editing_ = true;
        return S_OK;
    });
}
