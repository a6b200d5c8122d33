// Whole-build benchmark: a synthesised 44.1 kHz stereo track analysed end to end, reported as
// seconds of audio per CPU second, with the CPU time of each stage measured on its own in the
// same run, and the peak memory of one build of a 10-minute track (in a child process).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/EnvelopeFilters.h"
#include "audio/PcmFmtConverter.h"
#include "audio/PcmThumbnail.h"
#include "audio/WaveReader.h"
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

long PeakKilobytesOfOneBuild(const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0) {
        ComPtr<CCatItem> item(new CCatItem(1, Utf8ToUtf16(path)));
        BuildProgressSink sink;
        CPfTrackProfile profile;
        CProfileBuilder builder;
        _exit(builder.BuildProfile(sink, *item.Get(), profile) == 1 ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return usage.ru_maxrss;
}

long PeakKilobytesOfIdleChild() {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / ("tw-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    // Peak memory first, while this process is still small.
    const std::string ten = WriteTrack(dir, "ten-minutes.wav", 600);
    const long base = PeakKilobytesOfIdleChild();
    const long peak = PeakKilobytesOfOneBuild(ten);

    constexpr double kSeconds = 300;
    const std::string track = WriteTrack(dir, "five-minutes.wav", kSeconds);

    // The whole build, as the build manager runs it.
    ComPtr<CCatItem> item(new CCatItem(1, Utf8ToUtf16(track)));
    BuildProgressSink sink;
    CPfTrackProfile profile;
    CProfileBuilder builder;
    double t0 = CpuSeconds();
    const int result = builder.BuildProfile(sink, *item.Get(), profile);
    const double whole = CpuSeconds() - t0;

    // Each stage on its own.
    t0 = CpuSeconds();
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

    std::printf("whole build of a %.0f s 44.1 kHz stereo track: result %d, %.2f BPM\n", kSeconds,
                result, static_cast<double>(profile.bpm));
    std::printf("  CPU %.3f s = %.0f x real time (seconds of audio per CPU second)\n", whole,
                kSeconds / whole);
    std::printf("stages measured on their own (CPU seconds, share of the whole build):\n");
    const struct { const char* name; double t; } stages[] = {
        {"read and conversion", readConvert}, {"spectral engine", spectralTime},
        {"note detector and key", detectorTime}, {"onsets and tempo", tempoTime},
        {"beat grid", gridTime}};
    for (const auto& s : stages)
        std::printf("  %-22s %.3f s  %5.1f %%\n", s.name, s.t, 100.0 * s.t / whole);

    std::printf("peak memory of one build of a 10-minute track: %.1f MiB (process high-water mark "
                "%.1f MiB, of which %.1f MiB before the build)\n",
                (peak - base) / 1024.0, peak / 1024.0, base / 1024.0);
    std::filesystem::remove_all(dir);
    return 0;
}
