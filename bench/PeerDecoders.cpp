#include "bench/PeerDecoders.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <vector>

mpg123_handle* NewFloatMpg123() {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (!h) return nullptr;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    mpg123_format_none(h);
    mpg123_format(h, 44100, MPG123_STEREO | MPG123_MONO, MPG123_ENC_FLOAT_32);
    mpg123_format(h, 48000, MPG123_STEREO | MPG123_MONO, MPG123_ENC_FLOAT_32);
    return h;
}

std::uint64_t DecodeOpenedMpg123(mpg123_handle* handle) {
    std::vector<unsigned char> buffer(24 * 1024);
    std::uint64_t total = 0;
    for (;;) {
        size_t done = 0;
        const int rc = mpg123_read(handle, buffer.data(), buffer.size(), &done);
        total += done;
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) break;
    }
    mpg123_close(handle);
    return total;
}

std::uint64_t DecodeWithLibmpg123(const std::string& path) {
    mpg123_handle* h = NewFloatMpg123();
    if (!h) return 0;
    const std::uint64_t total = mpg123_open(h, path.c_str()) == MPG123_OK ? DecodeOpenedMpg123(h) : 0;
    mpg123_delete(h);
    return total;
}

std::uint64_t DecodeWithFfmpeg(const std::string& path) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return 0;
    std::uint64_t total = 0;
    const int stream = avformat_find_stream_info(format, nullptr) < 0
                           ? -1
                           : av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    AVCodecContext* codec = nullptr;
    if (stream >= 0) {
        const AVCodecParameters* par = format->streams[stream]->codecpar;
        const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
        codec = decoder ? avcodec_alloc_context3(decoder) : nullptr;
        if (codec && (avcodec_parameters_to_context(codec, par) < 0 ||
                      avcodec_open2(codec, decoder, nullptr) < 0))
            avcodec_free_context(&codec);
    }
    if (codec) {
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        auto drain = [&] {
            while (avcodec_receive_frame(codec, frame) == 0) {
                total += static_cast<std::uint64_t>(frame->nb_samples) *
                         static_cast<std::uint64_t>(frame->ch_layout.nb_channels) *
                         static_cast<std::uint64_t>(
                             av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame->format)));
                av_frame_unref(frame);
            }
        };
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream && avcodec_send_packet(codec, packet) >= 0) drain();
            av_packet_unref(packet);
        }
        avcodec_send_packet(codec, nullptr);
        drain();
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
    }
    avformat_close_input(&format);
    return total;
}
