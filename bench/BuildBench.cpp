// Whole-build benchmark. Prints, in one run:
// - the whole build of a synthesised 300 s 44.1 kHz stereo WAVE file in seconds of audio per
//   second, and beside it `soundstretch -bpm` on the same file (when installed);
// - the CPU time of each stage measured on its own;
// - the whole build of an MP3 and of a WMA file against decoding the same file with libmpg123 or
//   FFmpeg alone;
// - the peak memory of one build of a 10-minute track.
// Every build and every peer runs in a child process of its own, alternating, three times; the
// figures are medians of CPU time (user + system), with the medians of wall time beside them.
// Pin the program to one core (taskset -c 1) for figures that compare with a single-core peer.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "audio/EnvelopeFilters.h"
#include "audio/PcmFmtConverter.h"
#include "audio/PcmThumbnail.h"
#include "audio/WaveReader.h"
#include "bench/ChildRun.h"
#include "bench/PeerDecoders.h"
#include "catalog/CatItem.h"
#include "profile/ProfileBuilder.h"
#include "profile/ReadLoop.h"
#include "rhythm/BeatGrid.h"
#include "rhythm/OnsetFinders.h"
#include "rhythm/TempoCorrection.h"
#include "rhythm/TempoEstimate.h"
#include "tonal/KeyEstimate.h"
#include "tonal/NoteDetector.h"
#include "tonal/SpecEngBuilder.h"
#include "tools/MusicSynth.h"

namespace {

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::string WriteTrack(const std::filesystem::path& dir, const char* name, double seconds) {
    MusicSpec music;
    music.bpm = 126;
    music.seconds = seconds;
    const std::string path = (dir / name).string();
    WriteWave16(path, SynthesiseMusic(music), music.channels, music.sampleRate);
    return path;
}

// Decodes and converts the whole file to mono float 44100 Hz, as the build's read loop does;
// keeps the samples when `keep` is given.
void ReadAndConvert(const std::string& path, std::vector<float>* keep) {
    ComPtr<IPcmReader> reader(new CWaveReader);
    CBstr bpath(Utf8ToUtf16(path));
    reader->Open(bpath.Get(), 1);
    WAVEFORMATEX in{};
    reader->GetFormat(&in, nullptr);
    CPcmFmtConverter converter;
    converter.SetInputFormat(in);
    converter.SetOutputFormat(AnalysisFormat());
    converter.Prepare();
    std::uint64_t length = 0;
    reader->GetLengthBytes(&length);
    std::vector<std::uint8_t> chunk(kReadRequestBytes);
    std::vector<float> converted(kConvertedBytes / 4);
    for (std::uint64_t pos = 0; pos < length; pos += kReadRequestBytes) {
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(length - pos, kReadRequestBytes));
        reader->Read(chunk.data(), pos, count);
        const std::uint32_t n = converter.Convert(chunk.data(), count, converted.data(), kConvertedBytes);
        if (keep) keep->insert(keep->end(), converted.begin(), converted.begin() + n);
    }
    reader->Close();
}

bool BuildFile(const std::string& path) {
    ComPtr<CCatItem> item(new CCatItem(1, Utf8ToUtf16(path)));
    BuildProgressSink sink;
    CPfTrackProfile profile;
    CProfileBuilder builder;
    return builder.BuildProfile(sink, *item.Get(), profile) == 1;
}

constexpr int kRounds = 3;

// Our whole build of `path` against a peer, alternating, kRounds times each.
struct Comparison {
    ChildCost ours;
    ChildCost peer;
};

Comparison Compare(const std::string& path, const std::function<ChildCost()>& peer) {
    std::vector<ChildCost> ours, theirs;
    for (int round = 0; round < kRounds; ++round) {
        ours.push_back(RunInChild([&] { return BuildFile(path); }));
        theirs.push_back(peer());
    }
    return {Median(ours), Median(theirs)};
}

void PrintSpeed(const char* what, const ChildCost& cost, double seconds) {
    if (!cost.ok) {
        std::printf("  %-34s failed\n", what);
        return;
    }
    std::printf("  %-34s %7.3f s CPU = %5.0f x real time   (wall %7.3f s = %5.0f x)\n", what,
                cost.cpu, seconds / cost.cpu, cost.wall, seconds / cost.wall);
}

void PrintRatio(const char* what, double ratio, double wallRatio) {
    std::printf("  %-34s %7.2f   (wall %.2f)\n", what, ratio, wallRatio);
}

// The build of a compressed file against the decoder library alone.
void CompareWithDecoder(const char* format, const std::string& path, double seconds,
                        const char* decoder, std::uint64_t (*decode)(const std::string&)) {
    const Comparison c =
        Compare(path, [&] { return RunInChild([&] { return decode(path) > 0; }); });
    std::printf("%s, %.0f s 44.1 kHz stereo:\n", format, seconds);
    PrintSpeed("whole build", c.ours, seconds);
    PrintSpeed(decoder, c.peer, seconds);
    if (c.ours.ok && c.peer.ok)
        PrintRatio((std::string("build / ") + decoder).c_str(), c.ours.cpu / c.peer.cpu,
                   c.ours.wall / c.peer.wall);
}

// Each stage of the build measured on its own, in this process.
void MeasureStages(const std::string& track, double whole) {
    double t0 = CpuSeconds();
    ReadAndConvert(track, nullptr);
    const double readConvert = CpuSeconds() - t0;
    std::vector<float> mono;
    ReadAndConvert(track, &mono);

    const std::uint64_t blocks = mono.size() / 256;
    CPfPcmThumbnail a, b;
    a.Allocate(mono.size(), kAnalysisRate, 256);
    CPfSpecEngBuilder spectral(256);
    t0 = CpuSeconds();
    for (std::uint64_t i = 0; i < blocks; ++i)
        a.SetEntry(static_cast<std::int64_t>(i), spectral.SpectralSum(&mono[i * 256]));
    const double spectralTime = CpuSeconds() - t0;

    CancelFlag cancel{0};
    const CPfRhythmAnalyzer context{&cancel};
    t0 = CpuSeconds();
    {
        CPfNoteDetector detector(mono.size(), kAnalysisRate, context, b);
        for (std::uint64_t i = 0; i < blocks; ++i) detector.Feed(&mono[i * 256], 256);
        detector.Finish(cancel);
        std::int16_t root = 0, mode = 0;
        EstimateKey(cancel, detector.Notes(), root, mode);
    }
    const double detectorTime = CpuSeconds() - t0;

    t0 = CpuSeconds();
    CPfPcmThumbnail a1(a);
    PeakHoldDecay(context, a1);
    CPfPositionList onsets(a);
    FindSlopeOnsets(context, a1, 4, onsets);
    float tempo = EstimateTempo(context, onsets);
    CPfPcmThumbnail b1(b);
    MovingAverage9(context, b1);
    CPfPositionList detectorOnsets(a);
    FindRatioOnsets(context, b1, 4, detectorOnsets);
    tempo = CheckDoubleTempo(detectorOnsets, tempo);
    const double tempoTime = CpuSeconds() - t0;

    t0 = CpuSeconds();
    CPfPositionList grid(a);
    TrackBeatGrid(context, a, a1, tempo, grid);
    const double gridTime = CpuSeconds() - t0;

    std::printf("stages measured on their own (CPU seconds, share of the whole build):\n");
    const struct { const char* name; double t; } stages[] = {
        {"read and conversion", readConvert}, {"spectral engine", spectralTime},
        {"note detector and key", detectorTime}, {"onsets and tempo", tempoTime},
        {"beat grid", gridTime}};
    for (const auto& st : stages)
        std::printf("  %-22s %.3f s  %5.1f %%\n", st.name, st.t, 100.0 * st.t / whole);
}

bool Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

}  // namespace

int main() {
    const auto dir =
        std::filesystem::temp_directory_path() / ("tw-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    // Peak memory: one build of a 10-minute track against a child that does nothing.
    const std::string ten = WriteTrack(dir, "ten-minutes.wav", 600);
    const ChildCost idle = RunInChild([] { return true; });
    const ChildCost tenBuild = RunInChild([&] { return BuildFile(ten); });
    std::filesystem::remove(ten);

    constexpr double kSeconds = 300;
    const std::string track = WriteTrack(dir, "five-minutes.wav", kSeconds);
    const Comparison wav = Compare(track, [&] {
        return RunProgram({"soundstretch", track, "-bpm"});
    });
    std::printf("WAV, %.0f s 44.1 kHz stereo (medians of %d, CPU time; wall time beside):\n",
                kSeconds, kRounds);
    PrintSpeed("whole build", wav.ours, kSeconds);
    if (wav.peer.ok) {
        PrintSpeed("soundstretch -bpm", wav.peer, kSeconds);
        PrintRatio("speed / soundstretch's", wav.peer.cpu / wav.ours.cpu,
                   wav.peer.wall / wav.ours.wall);
    } else {
        std::printf("  soundstretch -bpm                  not installed\n");
    }
    MeasureStages(track, wav.ours.cpu);

    // Compressed files, two minutes each, encoded from the same music.
    constexpr double kCompressedSeconds = 120;
    const std::string source = WriteTrack(dir, "two-minutes.wav", kCompressedSeconds);
    const std::string mp3 = (dir / "two-minutes.mp3").string();
    const std::string wma = (dir / "two-minutes.wma").string();
    if (Run("lame --quiet -V 2 '" + source + "' '" + mp3 + "'"))
        CompareWithDecoder("MP3", mp3, kCompressedSeconds, "libmpg123 decode", DecodeWithLibmpg123);
    else
        std::printf("MP3: cannot encode the test file (lame)\n");
    if (Run("ffmpeg -loglevel error -y -i '" + source + "' -c:a wmav2 -b:a 192k '" + wma + "'"))
        CompareWithDecoder("WMA", wma, kCompressedSeconds, "FFmpeg decode", DecodeWithFfmpeg);
    else
        std::printf("WMA: cannot encode the test file (ffmpeg)\n");

    std::printf(
        "peak memory of one build of a 10-minute track: %.1f MiB (process high-water mark "
        "%.1f MiB, of which %.1f MiB before the build)\n",
        static_cast<double>(tenBuild.peakKb - idle.peakKb) / 1024.0,
        static_cast<double>(tenBuild.peakKb) / 1024.0, static_cast<double>(idle.peakKb) / 1024.0);
    std::filesystem::remove_all(dir);
    return 0;
}
