// Decoding an MP3 through the MP3 decoder component against decoding it with libmpg123 directly.
//
// All decode the same two-minute LAME file to 32-bit float in the build driver's 24 KiB
// requests. The component's time includes its Open (which scans the file for the exact length);
// libmpg123's includes opening the file. Prints the ratios of the medians, component / library:
// against libmpg123 reading the file itself, and against libmpg123 reading through the same
// buffered file source as the component (which isolates what the component adds).

#include <mpg123.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/ComponentIds.h"
#include "audio/LocalCoCreate.h"
#include "audio/PcmReader.h"
#include "bench/PeerDecoders.h"
#include "components/mp3/BufferedFile.h"
#include "core/UnknownStandAlone.h"
#include "platform/Bstr.h"

namespace {

constexpr int kRounds = 7;
constexpr std::size_t kRequestBytes = 24 * 1024;
constexpr const char* kAudioSeconds = "120";

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

mpg123_ssize_t ReadBuffered(void* file, void* dst, size_t count) {
    return static_cast<CBufferedFile*>(file)->Read(dst, count);
}

off_t SeekBuffered(void* file, off_t offset, int whence) {
    return static_cast<CBufferedFile*>(file)->Seek(offset, whence);
}

// Decodes the whole file with libmpg123 on its own (its own file reading, or through
// `buffered`); returns the bytes decoded.
std::size_t DecodeWithLibrary(const std::string& path, CBufferedFile* buffered) {
    mpg123_handle* h = NewFloatMpg123();
    if (!h) return 0;
    int opened = MPG123_ERR;
    if (!buffered) {
        opened = mpg123_open(h, path.c_str());
    } else if (buffered->Open(path)) {
        mpg123_replace_reader_handle(h, &ReadBuffered, &SeekBuffered, nullptr);
        opened = mpg123_open_handle(h, buffered);
    }
    const std::size_t total = opened == MPG123_OK ? DecodeOpenedMpg123(h) : 0;
    mpg123_delete(h);
    return total;
}

// Decodes the whole file through the component; returns the bytes decoded.
std::size_t DecodeWithComponent(const std::string& path, std::vector<unsigned char>& buffer) {
    ComPtr<IPcmReader> reader;
    if (FAILED(
            LocalCoCreate().Create(CLSID_Mp3Decoder, nullptr, 0, IID_IPcmReader, reader.OutVoid())))
        return 0;
    CBstr bstrPath(Utf8ToUtf16(path));
    std::uint64_t length = 0;
    if (FAILED(reader->Open(bstrPath.Get(), 1)) || FAILED(reader->GetLengthBytes(&length)))
        return 0;
    for (std::uint64_t at = 0; at < length; at += buffer.size())
        reader->Read(
            buffer.data(), at,
            static_cast<std::uint32_t>(std::min<std::uint64_t>(buffer.size(), length - at)));
    reader->Close();
    return length;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    char pattern[] = "/tmp/tw-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::string wav = dir + "/music.wav", mp3 = dir + "/music.mp3";
    const std::string make = std::string("sox -n -r 44100 -c 2 -b 16 '") + wav + "' synth " +
                             kAudioSeconds + " pinknoise sine 220 vol 0.3 2>/dev/null && " +
                             "lame --quiet -V 2 '" + wav + "' '" + mp3 + "'";
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "bench_mp3_decode: cannot make the test file (sox, lame)\n");
        return 1;
    }

    std::vector<unsigned char> buffer(kRequestBytes);
    std::vector<double> library, libraryBuffered, component;
    std::size_t libraryBytes = 0, componentBytes = 0;
    CBufferedFile file;
    for (int round = 0; round < kRounds; ++round) {
        auto t0 = Clock::now();
        libraryBytes = DecodeWithLibrary(mp3, nullptr);
        auto t1 = Clock::now();
        DecodeWithLibrary(mp3, &file);
        auto t2 = Clock::now();
        componentBytes = DecodeWithComponent(mp3, buffer);
        auto t3 = Clock::now();
        library.push_back(Seconds(t1 - t0));
        libraryBuffered.push_back(Seconds(t2 - t1));
        component.push_back(Seconds(t3 - t2));
    }
    LocalCoCreate().UnloadAll();
    std::filesystem::remove_all(dir);

    if (componentBytes == 0) {
        std::fprintf(stderr, "bench_mp3_decode: the MP3 component could not decode the file\n");
        return 1;
    }
    const double lib = Median(library), libBuffered = Median(libraryBuffered);
    const double comp = Median(component);
    std::printf(
        "mp3 decode, component / libmpg123: %.3f  (component %.1f ms, libmpg123 %.1f ms; "
        "%s s of stereo audio, %zu vs %zu bytes decoded, median of %d)\n",
        comp / lib, comp * 1e3, lib * 1e3, kAudioSeconds, componentBytes, libraryBytes, kRounds);
    std::printf(
        "mp3 decode, component / libmpg123 on the same buffered reads: %.3f  "
        "(libmpg123 %.1f ms; the difference is the length scan and the request handling)\n",
        comp / libBuffered, libBuffered * 1e3);
    return 0;
}
