#pragma once
// The MP3 decoder object: an IPcmReader over libmpg123.
//
// Delivers 32-bit float at the stream's first-frame rate and channel count (libmpg123 converts
// any later frame that differs). Gapless: the encoder delay and padding announced by a LAME/Xing
// header are not part of the stream, so a LAME-encoded file decodes to exactly the frames it was
// made from. ID3v2 tags are skipped; damaged frames are skipped by libmpg123's resync.
// Seeking is sample-exact (libmpg123's frame index, with the frames before the target decoded
// again to rebuild the bit reservoir).
//
// Mixed to mono on request (IPcmMonoMix), libmpg123 adds the channels' spectra before its
// synthesis, which then runs once instead of twice; by linearity that is the average of the
// channels up to rounding.

#include <mpg123.h>

#include "components/common/DecodedPcmReader.h"
#include "components/mp3/BufferedFile.h"

class CMp3Reader final : public CDecodedPcmReader {
public:
    CMp3Reader() = default;
    ~CMp3Reader() override;

    // Creates a reader for the class factory.
    static HRESULT Create(REFIID iid, void** out);

protected:
    bool OpenStream(const std::string& path, bool exactLength, StreamInfo* info) override;
    bool OpenByteStream(const std::uint8_t* data, std::size_t size, bool exactLength,
                        StreamInfo* info) override;
    void CloseStream() override;
    bool RestartStream() override;
    bool RestartMixedToMono() override;
    std::size_t DecodeFrames(std::uint8_t* dst, std::size_t frames) override;

private:
    // Builds the decoder on the opened file_ and measures the stream.
    bool OpenOpenedFile(bool exactLength, StreamInfo* info);
    // Builds the decoder on file_ from its first byte; the same steps every time, so that every
    // pass decodes the same samples. Fills `info` (the length only when scanning).
    bool OpenHandle(StreamInfo* info);
    void CloseHandle();
    bool ConfigureOutput(StreamInfo* info);
    std::uint32_t MeasureBitRate(std::uint64_t frames, std::uint32_t sampleRate);

    mpg123_handle* handle_ = nullptr;
    CBufferedFile file_;
    bool scan_ = false;
    bool monoMix_ = false;
    std::size_t blockAlign_ = 0;
};
