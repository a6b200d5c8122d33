#pragma once
// Sequential decoding of the Windows Media audio stream of an ASF file with FFmpeg: WMA v1, v2,
// Pro and Lossless. Delivers blocks of interleaved 32-bit float at the stream's own rate and
// channel count.
//
// Mixed to mono on request, each block is mixed straight from the decoder's output planes, with
// the arithmetic the sample converter would use on the interleaved channels.
//
// The file is read through our own file descriptor (no URL or protocol handling), and only the
// ASF demuxer is tried. Packets the decoder rejects are skipped; decoded blocks whose rate or
// channel count differ from the stream's are dropped, the same way in every pass, so that a
// counting pass and a decoding pass see the same frames.

#include <cstdint>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVIOContext;
struct AVPacket;
struct SwrContext;

class CAsfAudioDecoder {
public:
    CAsfAudioDecoder() = default;
    ~CAsfAudioDecoder();
    CAsfAudioDecoder(const CAsfAudioDecoder&) = delete;
    CAsfAudioDecoder& operator=(const CAsfAudioDecoder&) = delete;

    // Opens `path` (file-system bytes) and its first WMA stream. False for a file that cannot be
    // read, is not ASF, or holds no Windows Media audio; nothing stays open then.
    bool Open(const std::string& path);
    // The same for an ASF file's bytes in memory, which the caller keeps alive while open.
    bool OpenBytes(const std::uint8_t* data, std::size_t size);
    void Close();
    // Goes back to the first sample. The demuxer and decoder are built anew, so the blocks that
    // follow are exactly those that followed Open.
    bool Restart();

    std::uint32_t SampleRate() const { return sampleRate_; }
    // The stream's channels.
    std::uint16_t Channels() const { return channels_; }
    // The channels of the blocks delivered: 1 when mixed to mono, else the stream's.
    std::uint16_t OutputChannels() const { return monoMix_ ? 1 : channels_; }
    // Mixes the blocks that follow to mono (kept over Restart; Close clears it).
    void SetMonoMix(bool mono) { monoMix_ = mono; }
    // The bit rate the stream header announces, bits per second (0 when it gives none).
    std::uint32_t BitRate() const { return bitRate_; }
    // The length the file header announces (play duration), in frames; an estimate.
    std::uint64_t AnnouncedFrames() const { return announcedFrames_; }

    // Decodes the next block. Returns its frame count and points `samples` at the interleaved
    // floats (OutputChannels per frame), valid until the next call; 0 at the end of the stream.
    std::size_t NextBlock(const float** samples);
    // Decodes the rest of the stream; returns the frames it holds.
    std::uint64_t CountRemainingFrames();
    // The frames the whole stream delivers, told from its packets after decoding only its first
    // frame (see WmaFrameCount.h): false for a stream whose packets do not decide it for certain
    // (WMA Pro or Lossless, the bit reservoir, a packet of another size than the stream's block,
    // a first frame of another length than the rule expects). Call on a stream just opened or
    // restarted; it is left anywhere, so Restart follows.
    bool PredictFrames(std::uint64_t* frames);

private:
    bool OpenContexts();
    void CloseContexts();
    // The next decoded frame that belongs to the stream, or null at the end.
    AVFrame* NextDecodedFrame();
    bool Accept(const AVFrame* frame) const;
    // The frame length of a WMA v1/v2 stream without the bit reservoir; 0 for any other.
    std::uint32_t OneFramePacketLength() const;
    // The length the file properties announce, in frames at `rate`; 0 when they announce none.
    std::uint64_t HeaderAnnouncedFrames(std::uint32_t rate) const;
    // Makes the converter from the frame's sample format to interleaved float, when that
    // format is new; false when it cannot be made.
    bool PrepareConversion(const AVFrame* frame);
    bool ConvertToBlock(const AVFrame* frame);
    // Delivers the next block, converted only when `convert` (counting needs no samples);
    // returns its frame count, 0 at the end.
    std::size_t NextFrames(bool convert);

    static int ReadPacket(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);
    std::int64_t SeekMemory(std::int64_t offset, int whence);

    int fd_ = -1;
    // The bytes of OpenBytes, when open on them, and the read position in them.
    const std::uint8_t* memory_ = nullptr;
    std::size_t memorySize_ = 0;
    std::size_t memoryPosition_ = 0;
    AVIOContext* io_ = nullptr;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* swr_ = nullptr;
    int swrInputFormat_ = -1;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int streamIndex_ = -1;
    bool draining_ = false;
    bool monoMix_ = false;
    bool finished_ = false;

    std::uint32_t sampleRate_ = 0;
    std::uint16_t channels_ = 0;
    std::uint32_t bitRate_ = 0;
    std::uint64_t announcedFrames_ = 0;
    std::vector<float> block_;
};
