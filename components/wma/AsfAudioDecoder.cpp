#include "components/wma/AsfAudioDecoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "audio/MonoMix.h"
#include "components/wma/AsfHeaderLayout.h"
#include "components/wma/WmaFrameCount.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

namespace {

// Read buffer of the demuxer's I/O context.
constexpr int kIoBufferBytes = 64 * 1024;
// Packets or frames the decoder rejects in a row before the rest of the stream counts as lost.
constexpr int kMaxConsecutiveDecodeErrors = 256;
// The file properties' play duration counts 100-nanosecond units.
constexpr std::uint64_t kHundredNanosecondsPerMs = 10000;
// Channel counts beyond this are not decoded.
constexpr int kMaxChannels = 32;

constexpr AVCodecID kWindowsMediaCodecs[] = {AV_CODEC_ID_WMAV1, AV_CODEC_ID_WMAV2,
                                             AV_CODEC_ID_WMAPRO, AV_CODEC_ID_WMALOSSLESS};

bool IsWindowsMediaAudio(AVCodecID id) {
    for (AVCodecID codec : kWindowsMediaCodecs)
        if (codec == id) return true;
    return false;
}

void SilenceLibraryOnce() {
    // The component reports failures as status codes; FFmpeg's console messages would only
    // clutter the host program's output.
    static const bool silenced = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)silenced;
}

}  // namespace

CAsfAudioDecoder::~CAsfAudioDecoder() {
    Close();
}

int CAsfAudioDecoder::ReadPacket(void* opaque, std::uint8_t* buffer, int size) {
    auto* self = static_cast<CAsfAudioDecoder*>(opaque);
    if (self->memory_) {
        const std::size_t left = self->memorySize_ - std::min(self->memorySize_, self->memoryPosition_);
        const std::size_t n = std::min(left, static_cast<std::size_t>(std::max(size, 0)));
        if (n == 0) return AVERROR_EOF;
        std::memcpy(buffer, self->memory_ + self->memoryPosition_, n);
        self->memoryPosition_ += n;
        return static_cast<int>(n);
    }
    const ssize_t n = ::read(self->fd_, buffer, static_cast<size_t>(size));
    if (n == 0) return AVERROR_EOF;
    if (n < 0) return AVERROR(errno);
    return static_cast<int>(n);
}

std::int64_t CAsfAudioDecoder::Seek(void* opaque, std::int64_t offset, int whence) {
    auto* self = static_cast<CAsfAudioDecoder*>(opaque);
    if (self->memory_) return self->SeekMemory(offset, whence);
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        return fstat(self->fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
    }
    const off_t at = ::lseek(self->fd_, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<std::int64_t>(at);
}

bool CAsfAudioDecoder::Open(const std::string& path) {
    SilenceLibraryOnce();
    Close();
    // Opened without blocking and kept only when it is a regular file: a FIFO or a device would
    // otherwise stall the open or the reads.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) return false;
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0 || !OpenContexts()) {
        Close();
        return false;
    }
    return true;
}

bool CAsfAudioDecoder::OpenBytes(const std::uint8_t* data, std::size_t size) {
    SilenceLibraryOnce();
    Close();
    static const std::uint8_t kNoBytes = 0;
    memory_ = data ? data : &kNoBytes;
    memorySize_ = size;
    if (!OpenContexts()) {
        Close();
        return false;
    }
    return true;
}

std::int64_t CAsfAudioDecoder::SeekMemory(std::int64_t offset, int whence) {
    const auto size = static_cast<std::int64_t>(memorySize_);
    if (whence & AVSEEK_SIZE) return size;
    std::int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = static_cast<std::int64_t>(memoryPosition_); break;
        case SEEK_END: base = size; break;
        default: return AVERROR(EINVAL);
    }
    if (offset < -base || offset > INT64_MAX - base) return AVERROR(EINVAL);
    memoryPosition_ = static_cast<std::size_t>(base + offset);
    return base + offset;
}

void CAsfAudioDecoder::Close() {
    CloseContexts();
    memory_ = nullptr;
    memorySize_ = memoryPosition_ = 0;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    sampleRate_ = 0;
    channels_ = 0;
    bitRate_ = 0;
    announcedFrames_ = 0;
    monoMix_ = false;
}

bool CAsfAudioDecoder::Restart() {
    if (fd_ < 0 && !memory_) return false;
    CloseContexts();
    memoryPosition_ = 0;
    if ((fd_ >= 0 && ::lseek(fd_, 0, SEEK_SET) != 0) || !OpenContexts()) {
        Close();
        return false;
    }
    return true;
}

bool CAsfAudioDecoder::OpenContexts() {
    auto* ioBuffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
    if (!ioBuffer) return false;
    io_ = avio_alloc_context(ioBuffer, kIoBufferBytes, 0, this, &ReadPacket, nullptr, &Seek);
    if (!io_) {
        av_free(ioBuffer);
        return false;
    }
    format_ = avformat_alloc_context();
    if (!format_) return false;
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // On failure avformat_open_input frees the context and nulls the pointer.
    if (avformat_open_input(&format_, nullptr, av_find_input_format("asf"), nullptr) < 0)
        return false;

    streamIndex_ = -1;
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVCodecParameters* par = format_->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_AUDIO && IsWindowsMediaAudio(par->codec_id)) {
            streamIndex_ = static_cast<int>(i);
            break;
        }
    }
    if (streamIndex_ < 0) return false;
    const AVStream* stream = format_->streams[streamIndex_];
    const AVCodecParameters* par = stream->codecpar;
    if (par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0 ||
        par->ch_layout.nb_channels > kMaxChannels)
        return false;

    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    if (!decoder) return false;
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_ || avcodec_parameters_to_context(codec_, par) < 0) return false;
    codec_->thread_count = 1;
    if (avcodec_open2(codec_, decoder, nullptr) < 0) return false;
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!packet_ || !frame_) return false;

    sampleRate_ = static_cast<std::uint32_t>(par->sample_rate);
    channels_ = static_cast<std::uint16_t>(par->ch_layout.nb_channels);
    bitRate_ = par->bit_rate > 0 ? static_cast<std::uint32_t>(par->bit_rate) : 0;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        announcedFrames_ = static_cast<std::uint64_t>(
            av_rescale_q(stream->duration, stream->time_base, AVRational{1, par->sample_rate}));
    else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
        announcedFrames_ = static_cast<std::uint64_t>(
            av_rescale(format_->duration, par->sample_rate, AV_TIME_BASE));
    else
        announcedFrames_ = HeaderAnnouncedFrames(static_cast<std::uint32_t>(par->sample_rate));
    draining_ = finished_ = false;
    return true;
}

std::uint64_t CAsfAudioDecoder::HeaderAnnouncedFrames(std::uint32_t rate) const {
    // The demuxer believes the play duration only while the file properties' stored file size
    // is close to the real one; tag writers that grow the header leave that size behind.
    ASF_HEADER_LAYOUT layout;
    if (!ReadAsfHeaderLayout(fd_, &layout)) return 0;
    const std::uint64_t playMs = layout.playDuration / kHundredNanosecondsPerMs;
    if (playMs <= layout.prerollMs) return 0;
    return (playMs - layout.prerollMs) * rate / 1000;
}

void CAsfAudioDecoder::CloseContexts() {
    swr_free(&swr_);
    swrInputFormat_ = -1;
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    streamIndex_ = -1;
}

bool CAsfAudioDecoder::Accept(const AVFrame* frame) const {
    return frame->nb_samples > 0 && frame->sample_rate == static_cast<int>(sampleRate_) &&
           frame->ch_layout.nb_channels == channels_;
}

AVFrame* CAsfAudioDecoder::NextDecodedFrame() {
    if (!codec_ || finished_) return nullptr;
    int errors = 0;
    while (errors < kMaxConsecutiveDecodeErrors) {
        const int received = avcodec_receive_frame(codec_, frame_);
        if (received == 0) {
            if (Accept(frame_)) return frame_;
            av_frame_unref(frame_);
            ++errors;
            continue;
        }
        if (received == AVERROR_EOF || draining_) break;
        if (received != AVERROR(EAGAIN)) {
            ++errors;  // a frame the decoder could not rebuild: skipped
            continue;
        }
        if (av_read_frame(format_, packet_) < 0) {
            // End of the file, or nothing more the demuxer can make sense of: drain the decoder.
            draining_ = true;
            avcodec_send_packet(codec_, nullptr);
            continue;
        }
        if (packet_->stream_index != streamIndex_) {
            av_packet_unref(packet_);
            continue;
        }
        const int sent = avcodec_send_packet(codec_, packet_);
        av_packet_unref(packet_);
        errors = sent < 0 ? errors + 1 : 0;  // a damaged packet is skipped
    }
    finished_ = true;
    return nullptr;
}

bool CAsfAudioDecoder::PrepareConversion(const AVFrame* frame) {
    if (frame->format != swrInputFormat_) {
        swr_free(&swr_);
        AVChannelLayout layout;
        av_channel_layout_default(&layout, channels_);
        const int rc = swr_alloc_set_opts2(
            &swr_, &layout, AV_SAMPLE_FMT_FLT, static_cast<int>(sampleRate_), &layout,
            static_cast<AVSampleFormat>(frame->format), static_cast<int>(sampleRate_), 0, nullptr);
        av_channel_layout_uninit(&layout);
        if (rc < 0 || swr_init(swr_) < 0) {
            swr_free(&swr_);
            swrInputFormat_ = -1;
            return false;
        }
        swrInputFormat_ = frame->format;
    }
    return true;
}

bool CAsfAudioDecoder::ConvertToBlock(const AVFrame* frame) {
    const auto frames = static_cast<std::size_t>(frame->nb_samples);
    const std::size_t channels = channels_;
    const float factor = MonoMixFactor(channels);
    if (block_.size() < frames * channels) block_.resize(frames * channels);
    if (monoMix_ && frame->format == AV_SAMPLE_FMT_FLTP) {
        // Straight from the planes; the same values as interleaving first and mixing after.
        const auto* const* planes = reinterpret_cast<const float* const*>(frame->extended_data);
        float* out = block_.data();
        if (channels == 2) {
            const float* left = planes[0];
            const float* right = planes[1];
            for (std::size_t i = 0; i < frames; ++i)
                out[i] = MixFrameToMono([=](std::size_t c) { return c ? right[i] : left[i]; }, 2,
                                        factor);
        } else {
            for (std::size_t i = 0; i < frames; ++i)
                out[i] = MixFrameToMono([=](std::size_t c) { return planes[c][i]; }, channels,
                                        factor);
        }
        return true;
    }
    auto* out = reinterpret_cast<std::uint8_t*>(block_.data());
    const int converted =
        swr_convert(swr_, &out, frame->nb_samples,
                    const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
    if (converted != frame->nb_samples) return false;
    if (monoMix_) {
        // In place: frame i is read before sample i is written, and i <= i × channels.
        for (std::size_t i = 0; i < frames; ++i) {
            const float* interleaved = block_.data() + i * channels;
            block_[i] = MixFrameToMono([&](std::size_t c) { return interleaved[c]; }, channels,
                                       factor);
        }
    }
    return true;
}

std::size_t CAsfAudioDecoder::NextFrames(bool convert) {
    while (AVFrame* frame = NextDecodedFrame()) {
        // Every pass makes the converter for every new format, so that a format that cannot be
        // converted ends the counting pass where it ends the decoding pass.
        const bool converted = PrepareConversion(frame) && (!convert || ConvertToBlock(frame));
        const auto frames = static_cast<std::size_t>(frame->nb_samples);
        av_frame_unref(frame);
        if (converted) return frames;
        // A block that cannot be converted ends the stream here, in every pass alike.
        finished_ = true;
    }
    return 0;
}

std::size_t CAsfAudioDecoder::NextBlock(const float** samples) {
    const std::size_t frames = NextFrames(true);
    if (frames) *samples = block_.data();
    return frames;
}

std::uint64_t CAsfAudioDecoder::CountRemainingFrames() {
    std::uint64_t frames = 0;
    while (const std::size_t n = NextFrames(false)) frames += n;
    return frames;
}

std::uint32_t CAsfAudioDecoder::OneFramePacketLength() const {
    if (!codec_) return 0;
    const AVCodecID id = codec_->codec_id;
    if (id != AV_CODEC_ID_WMAV1 && id != AV_CODEC_ID_WMAV2) return 0;
    const bool version1 = id == AV_CODEC_ID_WMAV1;
    const AVCodecParameters* par = format_->streams[streamIndex_]->codecpar;
    if (par->block_align <= 0 ||
        WmaUsesBitReservoir(version1, par->extradata,
                            static_cast<std::size_t>(std::max(par->extradata_size, 0))))
        return 0;
    return WmaFrameLength(sampleRate_, version1);
}

bool CAsfAudioDecoder::PredictFrames(std::uint64_t* frames) {
    const std::uint32_t frameLength = OneFramePacketLength();
    // The first frame shows that the decoder frames the stream as the rule expects.
    if (frameLength == 0 || NextFrames(false) != frameLength || !Restart()) return false;
    const int blockAlign = format_->streams[streamIndex_]->codecpar->block_align;
    std::uint64_t packets = 0;
    while (av_read_frame(format_, packet_) >= 0) {
        const bool ours = packet_->stream_index == streamIndex_;
        const bool oneFrame = packet_->size == blockAlign;
        av_packet_unref(packet_);
        if (!ours) continue;
        // A shorter packet is rejected by the decoder, a longer one may hold several frames.
        if (!oneFrame) return false;
        ++packets;
    }
    *frames = WmaDeliveredFrames(packets, frameLength);
    return *frames != 0;
}
