#include "cli/PlotCommand.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "catalog/KeyText.h"
#include "cli/CliRun.h"
#include "cli/PictureProgram.h"
#include "cli/ProfileCommand.h"
#include "picture/TrackPictureSvg.h"
#include "store/ProfileBlob.h"
#include "tags/BpmText.h"

namespace {

enum class PictureFormat { Svg, Png };

std::optional<PictureFormat> FormatOf(const std::string& out) {
    std::string extension = std::filesystem::path(out).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".svg") return PictureFormat::Svg;
    if (extension == ".png") return PictureFormat::Png;
    return std::nullopt;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "tempowright-cli: %s\n", message.c_str());
    return kExitAnalysisFailed;
}

// A profile is drawn from the store only when it holds the picture's data; one stored before
// the waveform was kept, or a BPM set by hand for audio never measured, is measured again.
bool HasPicture(const CPfTrackProfile& profile) {
    return !profile.waveform.empty() && profile.lengthFrames > 0 && profile.sampleRate > 0;
}

// The profile and the BPM to show; false with `problem` set when the file cannot be analysed.
bool ObtainProfile(const CliOptions& options, CPfTrackProfile& profile, float& bpm,
                   std::string& problem) {
    const WString file = Utf8ToUtf16(options.plot.file);
    const std::shared_ptr<CAnalysisStore> store = options.noStore ? nullptr : OpenStore();
    if (store && store->IsOn()) {
        if (std::optional<StoredAnalysis> stored = store->Lookup(file);
            stored && HasPicture(stored->profile)) {
            profile = std::move(stored->profile);
            bpm = stored->Bpm();
            return true;
        }
    }
    BuildFailure failure = BuildFailure::None;
    if (!BuildFileProfile(options.plot.file, profile, failure)) {
        problem = "cannot analyse " + options.plot.file + ": " + BuildFailureText(failure);
        return false;
    }
    bpm = profile.bpm;
    if (store && store->IsOn()) store->Record(file, profile, Utf16ToUtf8(FormatBpmText(profile.bpm)));
    return true;
}

std::string Caption(float bpm, const CPfTrackProfile& profile) {
    std::string caption = Utf16ToUtf8(FormatBpmText(bpm)) + " BPM";
    const std::string key = Utf16ToUtf8(StandardKeyText({profile.keyRoot, profile.keyMode}));
    if (!key.empty()) caption += "  " + key;
    return caption;
}

// Writes beside the target and renames over it, so that a failed write leaves no partial file.
bool WriteReplacing(const std::string& path, const std::string& bytes, std::string& problem) {
    const std::string partial = path + ".partial-" + std::to_string(::getpid());
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            problem = std::strerror(errno);
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    if (error) {
        problem = error.message();
        std::filesystem::remove(partial, error);
        return false;
    }
    return true;
}

int WriteSvg(const CliOptions& options, const CPfTrackProfile& profile, const std::string& caption) {
    const PlotOptions& plot = options.plot;
    SvgPictureOptions svg;
    svg.theme = plot.theme == "dark"    ? PictureTheme::Dark
                : plot.theme == "light" ? PictureTheme::Light
                                        : PictureTheme::Auto;
    svg.scale = plot.scale;
    svg.caption = caption;
    const TrackPicture picture = LayOutTrackPicture(profile, plot.width, plot.height, plot.range);
    std::string problem;
    if (!WriteReplacing(plot.out, WriteTrackPictureSvg(picture, svg), problem))
        return Fail("cannot write " + plot.out + ": " + problem);
    return kExitOk;
}

int WritePng(const CliOptions& options, const CPfTrackProfile& profile, const std::string& caption) {
    const PlotOptions& plot = options.plot;
    const std::string program = PictureProgramPath();
    if (::access(program.c_str(), X_OK) != 0)
        return Fail("cannot write " + plot.out + ": PNG pictures need " + program +
                    ", which is not installed (SVG pictures do not)");
    std::vector<std::string> arguments = {"--out",   plot.out,
                                          "--width", std::to_string(plot.width),
                                          "--height", std::to_string(plot.height),
                                          "--scale", std::to_string(plot.scale),
                                          "--title", caption};
    if (!plot.theme.empty()) arguments.insert(arguments.end(), {"--theme", plot.theme});
    if (plot.range.lastSecond > plot.range.firstSecond) {
        char from[32], to[32];
        std::snprintf(from, sizeof from, "%.17g", plot.range.firstSecond);
        std::snprintf(to, sizeof to, "%.17g", plot.range.lastSecond);
        arguments.insert(arguments.end(), {"--from", from, "--to", to});
    }
    const int status = RunWithInput(program, arguments, EncodeProfileBlob(profile));
    if (status != 0)
        return Fail("cannot write " + plot.out + ": the picture program failed" +
                    (status > 0 ? " (exit status " + std::to_string(status) + ")" : ""));
    return kExitOk;
}

}  // namespace

int RunPlot(const CliOptions& options) {
    const std::optional<PictureFormat> format = FormatOf(options.plot.out);
    if (!format) return Fail("cannot write " + options.plot.out + ": the picture's name must end in .svg or .png");
    CPfTrackProfile profile;
    float bpm = 0.0f;
    std::string problem;
    if (!ObtainProfile(options, profile, bpm, problem)) return Fail(problem);
    const std::string caption = Caption(bpm, profile);
    return *format == PictureFormat::Svg ? WriteSvg(options, profile, caption)
                                         : WritePng(options, profile, caption);
}
