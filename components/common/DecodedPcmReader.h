#pragma once
// The IPcmReader side shared by both decoder components: a compressed file presented as a
// random-access stream of interleaved 32-bit float PCM at the file's own rate and channel count.
//
// A derived class supplies a sequential decoder (open, decode the next frames, start again from
// the first frame); this base turns it into byte-addressed reads. Sequential requests go straight
// from the decoder into the caller's buffer. A request further on decodes forward to it; a request
// further back starts the decoder again and decodes forward. So every byte is the same however the
// stream is read: the decoders' own seeking rebuilds their state only approximately, which would
// make the samples after a seek differ in their last bits from those of a sequential pass. A
// request that starts or ends inside a frame is served through a one-frame carry buffer. Reads
// past the end deliver silence.
//
// Open modes: 1 (analysis) reports the exact length, which the decoder either measured by scanning
// the whole stream or predicted without decoding; 0 (tag access) takes the length that the file's
// headers announce, which may be an estimate. A predicted length is checked by the first read
// that takes the decoder to it: should the stream end before it, or hold frames beyond it, the
// length is corrected then, once, to what the decoder delivers (GetLengthBytes and
// GetLengthFrames report the corrected length from that read on). A caller that needs the
// length to be right from the start compares it after reading the whole stream.
//
// IPcmMonoMix: the derived class decodes its channels mixed to one on request
// (RestartMixedToMono); the stream then starts again from its first frame in mono.

#include <cstdint>
#include <string>
#include <vector>

#include "audio/PcmReader.h"
#include "platform/UnknownBase.h"

class CDecodedPcmReader : public TUnknown<IPcmReader, IPcmMonoMix> {
public:
    CDecodedPcmReader();
    ~CDecodedPcmReader() override;
    CDecodedPcmReader(const CDecodedPcmReader&) = delete;
    CDecodedPcmReader& operator=(const CDecodedPcmReader&) = delete;

    // Answers IUnknown, IPcmReader and IPcmMonoMix; a derived class with further interfaces asks
    // this first.
    HRESULT OwnQueryInterface(REFIID iid, void** out) override;

    // IPcmReader.
    HRESULT Open(BSTR path, std::int32_t mode) override;
    // Opens the stream from a file's bytes in memory, which the caller keeps alive while the
    // reader is open; modes as for Open. E_FAIL when the decoder cannot read from memory.
    HRESULT OpenBytes(const std::uint8_t* data, std::size_t size, std::int32_t mode);
    HRESULT GetFormat(WAVEFORMATEX* format, std::uint32_t* bitRate) override;
    std::int32_t GetStatus() override;
    HRESULT GetLengthBytes(std::uint64_t* bytes) override;
    HRESULT GetLengthFrames(std::uint64_t* frames) override;
    HRESULT GetSampleRate(std::uint32_t* rate) override;
    HRESULT Read(void* buffer, std::uint64_t position, std::uint32_t count) override;
    HRESULT Close() override;
    HRESULT GetExtraData(void* buffer, std::uint32_t* size) override;
    HRESULT Reserved12() override;
    HRESULT Reserved13(void* a, void* b) override;

    // IPcmMonoMix.
    HRESULT MixToMono() override;

    // Bytes per sample of the delivered stream (32-bit float).
    static constexpr std::uint16_t kBytesPerSample = 4;

protected:
    struct StreamInfo {
        std::uint32_t sampleRate = 0;
        std::uint16_t channels = 0;
        std::uint64_t frames = 0;   // exact when asked for, else the headers' figure
        bool framesPredicted = false;  // exact by prediction, checked when the decoder ends
        std::uint32_t bitRate = 0;  // of the compressed stream, bits per second; 0 when unknown
    };

    // Opens `path` (UTF-8 bytes as the file system holds them) and positions the decoder at the
    // first frame. `exactLength`: scan the whole stream for the frame count. False on failure,
    // with everything the attempt opened closed again.
    virtual bool OpenStream(const std::string& path, bool exactLength, StreamInfo* info) = 0;
    // The same for a file's bytes in memory.
    virtual bool OpenByteStream(const std::uint8_t* data, std::size_t size, bool exactLength,
                                StreamInfo* info) = 0;
    // Releases the decoder and the file; safe when nothing is open.
    virtual void CloseStream() = 0;
    // Goes back to the first frame: the frames decoded afterwards must be exactly those decoded
    // after OpenStream. False when the stream cannot be opened again.
    virtual bool RestartStream() = 0;
    // Decodes up to `frames` frames of interleaved float into `dst` (any alignment); returns the
    // frames delivered, fewer only at the end of the stream or when decoding cannot go on.
    virtual std::size_t DecodeFrames(std::uint8_t* dst, std::size_t frames) = 0;
    // Decodes the rest of the stream and returns its frames. Asked only of a stream opened with
    // a predicted length, when the decoder has delivered all the predicted frames.
    virtual std::uint64_t CountFramesLeft() { return 0; }
    // Called by Open with the path before the stream is opened (the tag side keeps it).
    virtual void RememberPath(const std::string&) {}
    // Goes back to the first frame and from then on decodes the channels mixed to one, at the
    // same rate and with the same frame count, also after later restarts. False when the
    // stream cannot be opened again.
    virtual bool RestartMixedToMono() = 0;

private:
    // Takes the stream that OpenStream or OpenByteStream opened; E_FAIL when it is empty.
    HRESULT AcceptStream(const StreamInfo& info);
    // The format and byte length of a stream of `frames` frames of `channels` float samples.
    void SetChannels(std::uint16_t channels, std::uint32_t sampleRate, std::uint64_t frames);
    // DecodeFrames, keeping count of the decoder's position.
    std::size_t Decode(std::uint8_t* dst, std::size_t frames);
    // Brings the decoder to `frame`: forward by decoding, backward by starting again.
    bool SeekToFrame(std::uint64_t frame);
    bool MoveCursorTo(std::uint64_t position);
    std::uint32_t ReadAtCursor(std::uint8_t* out, std::uint32_t want);
    void ResetState();
    // Confirms or corrects a predicted length once the decoder has reached its end.
    void SettlePredictedLength();

    bool open_ = false;
    WAVEFORMATEXTENSIBLE format_{};
    std::uint32_t bitRate_ = 0;
    std::uint64_t lengthBytes_ = 0;
    // lengthBytes_ is a prediction not yet checked against the decoder's end.
    bool lengthPredicted_ = false;
    // Where the decoder ran dry when that happened before lengthBytes_ (a damaged or shortened
    // stream); everything from here on reads as silence.
    std::uint64_t decodedEnd_ = 0;
    // Byte position of the next byte the decoder delivers.
    std::uint64_t cursor_ = 0;
    // Frames the decoder has delivered since the start of the stream.
    std::uint64_t decoderFrame_ = 0;
    // The frame containing cursor_ when cursor_ is not on a frame boundary.
    std::vector<std::uint8_t> carry_;
    // Where frames decoded on the way to a seek target go.
    std::vector<std::uint8_t> skipBuffer_;
};
