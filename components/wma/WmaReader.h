#pragma once
// The Windows Media decoder object: an IPcmReader over FFmpeg's WMA decoders, and the track tag
// editor (ITrackTagEditor, queried from the reader) over the file's ASF attributes.
//
// Decoding: 32-bit float at the stream's own rate and channel count. Open mode 1 needs the exact
// frame count, which the ASF header gives only rounded: for WMA v1/v2 without the bit reservoir
// it is told from the packets (WmaFrameCount.h) and checked when the read reaches the end; other
// streams are decoded once to count their frames. Mode 0 takes the header's duration. The
// stream is everything the decoder delivers, including the encoder's start-up delay, which ASF
// files do not record. Mixed to mono on request (IPcmMonoMix), bit for bit as the sample
// converter would mix the channels.
//
// Tags: after Open(path, ...) the tag editor reads the fields of that file, also when its audio
// could not be opened; OpenForEdit(path) chooses the file that SetValue stores into and GetValue
// reads from from then on, and removes what earlier killed stores left beside it. Every SetValue
// is stored in the file before it returns (S_OK means it is there); nothing waits for the
// release of the object.

#include <string>

#include "audio/ComponentIds.h"
#include "components/common/DecodedPcmReader.h"
#include "components/wma/AsfAudioDecoder.h"

class CWmaReader final : public CDecodedPcmReader, public ITrackTagEditor {
public:
    CWmaReader() = default;
    ~CWmaReader() override;

    // Creates a reader for the class factory.
    static HRESULT Create(REFIID iid, void** out);

    // IUnknown through the tag editor: the one object's reference count.
    HRESULT QueryInterface(REFIID iid, void** out) override {
        return CDecodedPcmReader::QueryInterface(iid, out);
    }
    ULONG AddRef() override { return CDecodedPcmReader::AddRef(); }
    ULONG Release() override { return CDecodedPcmReader::Release(); }

    // ITrackTagEditor.
    HRESULT GetValue(std::int32_t fieldId, BSTR* value) override;
    HRESULT SetValue(std::int32_t fieldId, BSTR value) override;
    HRESULT OpenForEdit(BSTR path) override;

protected:
    bool OpenStream(const std::string& path, bool exactLength, StreamInfo* info) override;
    bool OpenByteStream(const std::uint8_t* data, std::size_t size, bool exactLength,
                        StreamInfo* info) override;
    void CloseStream() override;
    bool RestartStream() override;
    bool RestartMixedToMono() override;
    std::size_t DecodeFrames(std::uint8_t* dst, std::size_t frames) override;
    std::uint64_t CountFramesLeft() override;
    HRESULT OwnQueryInterface(REFIID iid, void** out) override;
    void RememberPath(const std::string& path) override { tagPath_ = path; }

private:
    // Measures the stream the decoder has just opened.
    bool MeasureOpenedStream(bool exactLength, StreamInfo* info);
    bool FillPending();

    CAsfAudioDecoder decoder_;
    // The decoded block being handed out.
    const float* pending_ = nullptr;
    std::size_t pendingFrames_ = 0;

    // The file whose fields GetValue reads; SetValue needs editing to be open.
    std::string tagPath_;
    bool editing_ = false;
};
