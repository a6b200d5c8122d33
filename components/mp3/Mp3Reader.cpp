#include "components/mp3/Mp3Reader.h"

#include <new>

#include "components/common/ComponentModule.h"

namespace {

// Successive decoder calls that deliver nothing before decoding counts as stuck.
constexpr int kMaxIdleDecodeCalls = 64;
// Bytes libmpg123 may skip to find the next valid frame after damage: any number (-1), so that
// a damaged stretch of any size costs only the frames in it.
constexpr long kResyncWithoutLimit = -1;

mpg123_ssize_t ReadFile(void* file, void* dst, size_t count) {
    return static_cast<CBufferedFile*>(file)->Read(dst, count);
}

off_t SeekFile(void* file, off_t offset, int whence) {
    return static_cast<CBufferedFile*>(file)->Seek(offset, whence);
}

void InitLibraryOnce() {
    // Thread-safe once; a no-op in recent libmpg123 versions but required by older ones.
    static const int initialised = mpg123_init();
    (void)initialised;
}

}  // namespace

HRESULT CMp3Reader::Create(REFIID iid, void** out) {
    auto* reader = new (std::nothrow) CMp3Reader();
    if (!reader) return E_OUTOFMEMORY;
    const HRESULT hr = reader->QueryInterface(iid, out);
    reader->Release();
    return hr;
}

CMp3Reader::~CMp3Reader() {
    CloseStream();
}

void CMp3Reader::CloseHandle() {
    if (handle_) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
        handle_ = nullptr;
    }
}

void CMp3Reader::CloseStream() {
    CloseHandle();
    file_.Close();
    blockAlign_ = 0;
    monoMix_ = false;
}

bool CMp3Reader::OpenStream(const std::string& path, bool exactLength, StreamInfo* info) {
    CloseStream();
    return file_.Open(path) && OpenOpenedFile(exactLength, info);
}

bool CMp3Reader::OpenByteStream(const std::uint8_t* data, std::size_t size, bool exactLength,
                                StreamInfo* info) {
    CloseStream();
    file_.OpenBytes(data, size);
    return OpenOpenedFile(exactLength, info);
}

bool CMp3Reader::OpenOpenedFile(bool exactLength, StreamInfo* info) {
    InitLibraryOnce();
    scan_ = exactLength;
    if (!OpenHandle(info)) {
        CloseStream();
        return false;
    }
    const off_t length = mpg123_length(handle_);
    if (length <= 0) {
        CloseStream();
        return false;
    }
    info->frames = static_cast<std::uint64_t>(length);
    info->bitRate = MeasureBitRate(info->frames, info->sampleRate);
    return true;
}

bool CMp3Reader::RestartStream() {
    CloseHandle();
    StreamInfo info;
    if (file_.IsOpen() && OpenHandle(&info)) return true;
    CloseStream();
    return false;
}

bool CMp3Reader::RestartMixedToMono() {
    monoMix_ = true;
    return RestartStream() && blockAlign_ == kBytesPerSample;
}

bool CMp3Reader::OpenHandle(StreamInfo* info) {
    if (file_.Seek(0, SEEK_SET) != 0) return false;
    int err = MPG123_OK;
    handle_ = mpg123_new(nullptr, &err);
    if (!handle_) return false;
    // Quiet, gapless, and ID3v2 tags skipped without being parsed (tags are read elsewhere);
    // mixed to mono when asked.
    long flags = MPG123_QUIET | MPG123_GAPLESS | MPG123_SKIP_ID3V2;
    if (monoMix_) flags |= MPG123_MONO_MIX;
    mpg123_param(handle_, MPG123_ADD_FLAGS, flags, 0.0);
    mpg123_param(handle_, MPG123_RESYNC_LIMIT, kResyncWithoutLimit, 0.0);
    // Float output at whatever rate and channel count the stream has.
    mpg123_format_none(handle_);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_replace_reader_handle(handle_, &ReadFile, &SeekFile, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle_, &file_) != MPG123_OK || !ConfigureOutput(info))
        return false;
    // The scan reads every frame header: the exact length, and the index of frame positions.
    if (scan_ && mpg123_scan(handle_) != MPG123_OK) return false;
    return mpg123_seek(handle_, 0, SEEK_SET) == 0;
}

// Fixes the output to the first frame's rate and channel count, so that the byte stream keeps
// one format even when a later frame changes it.
bool CMp3Reader::ConfigureOutput(StreamInfo* info) {
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK) return false;
    if (rate <= 0 || channels <= 0 || encoding != MPG123_ENC_FLOAT_32) return false;
    mpg123_format_none(handle_);
    if (mpg123_format(handle_, rate, channels, MPG123_ENC_FLOAT_32) != MPG123_OK) return false;
    info->sampleRate = static_cast<std::uint32_t>(rate);
    info->channels = static_cast<std::uint16_t>(channels);
    blockAlign_ = static_cast<std::size_t>(channels) * kBytesPerSample;
    return true;
}

// The compressed stream's bit rate: the frame header's for constant bit rate, otherwise the
// audio bytes (from the first frame to the end of the file) over the duration.
std::uint32_t CMp3Reader::MeasureBitRate(std::uint64_t frames, std::uint32_t sampleRate) {
    mpg123_frameinfo2 frameInfo{};
    if (mpg123_info2(handle_, &frameInfo) == MPG123_OK && frameInfo.vbr == MPG123_CBR &&
        frameInfo.bitrate > 0)
        return static_cast<std::uint32_t>(frameInfo.bitrate) * 1000u;
    if (frames == 0) return 0;
    off_t firstFrame = 0;
    off_t* offsets = nullptr;
    off_t step = 0;
    size_t fill = 0;
    if (mpg123_index(handle_, &offsets, &step, &fill) == MPG123_OK && fill > 0)
        firstFrame = offsets[0];
    const double audioBytes = static_cast<double>(file_.Size() - firstFrame);
    const double seconds = static_cast<double>(frames) / sampleRate;
    return static_cast<std::uint32_t>(audioBytes * 8.0 / seconds + 0.5);
}

std::size_t CMp3Reader::DecodeFrames(std::uint8_t* dst, std::size_t frames) {
    if (!handle_) return 0;
    const std::size_t wanted = frames * blockAlign_;
    std::size_t total = 0;
    int idle = 0;
    while (total < wanted && idle < kMaxIdleDecodeCalls) {
        size_t done = 0;
        const int rc = mpg123_read(handle_, dst + total, wanted - total, &done);
        total += done;
        idle = done ? 0 : idle + 1;
        // A format change is converted to the fixed output format; go on reading.
        if (rc == MPG123_OK || rc == MPG123_NEW_FORMAT) continue;
        // The end, or damage that libmpg123 could not resynchronise past.
        break;
    }
    return total / blockAlign_;
}
