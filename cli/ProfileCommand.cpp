#include "cli/ProfileCommand.h"

#include <cstdio>
#include <string>
#include <vector>

#include "audio/LocalCoCreate.h"
#include "catalog/CatItem.h"
#include "cli/CliOutput.h"
#include "core/UnknownStandAlone.h"
#include "profile/ProfileBuilder.h"

namespace {

constexpr const char* kPitchNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                         "F#", "G",  "G#", "A",  "A#", "B"};

std::string KeyName(const CPfTrackProfile& p) {
    if (p.keyMode == 0 || p.keyRoot < 0 || p.keyRoot > 11) return "null";
    return JsonString(std::string(kPitchNames[p.keyRoot]) + (p.keyMode == 1 ? " minor" : " major"));
}

std::string Number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g", v);  // the program keeps the "C" locale
    return buf;
}

template <class T>
std::string Array(const std::vector<T>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) out += ", ";
        out += Number(static_cast<double>(values[i]));
    }
    return out + "]";
}

}  // namespace

bool BuildFileProfile(const std::string& file, CPfTrackProfile& profile, BuildFailure& failure) {
    ComPtr<CCatItem> item(new CCatItem(1, Utf8ToUtf16(file)));
    BuildProgressSink sink;
    int result;
    {
        CProfileBuilder builder;
        result = builder.BuildProfile(sink, *item.Get(), profile, &failure);
    }
    LocalCoCreate().UnloadAll();
    return result == 1;
}

const char* BuildFailureText(BuildFailure failure) {
    switch (failure) {
        case BuildFailure::FileMissing: return "no such file";
        case BuildFailure::NotAudio: return "not audio of a supported kind";
        case BuildFailure::Unreadable: return "the audio cannot be read to its end";
        case BuildFailure::NoBeat: return "no beat found";
        case BuildFailure::None: break;
    }
    return "the analysis did not finish";
}

int RunProfile(const std::string& file) {
    CPfTrackProfile p;
    BuildFailure failure = BuildFailure::None;
    if (!BuildFileProfile(file, p, failure)) {
        std::fprintf(stderr, "tempowright-cli: cannot analyse %s: %s\n", file.c_str(),
                     BuildFailureText(failure));
        return 1;
    }
    std::printf(
        "{\"file\": %s, \"bpm\": %s, \"sampleRate\": %u, \"lengthFrames\": %lld, \"bitRate\": %u, "
        "\"barLevel\": %s, \"keyRoot\": %d, \"keyMode\": %d, \"key\": %s, \"audioStart\": %lld, "
        "\"audioEnd\": %lld, \"sectionMarks\": %s, \"barMarks\": %s, \"startSegment\": %s, "
        "\"endSegment\": %s, \"beatPatternA\": %s, \"beatPatternB\": %s}\n",
        JsonString(file).c_str(), Number(p.bpm).c_str(), p.sampleRate,
        static_cast<long long>(p.lengthFrames), p.bitRate, Number(p.barLevel).c_str(), p.keyRoot,
        p.keyMode, KeyName(p).c_str(), static_cast<long long>(p.audioStart),
        static_cast<long long>(p.audioEnd), Array(p.sectionMarks).c_str(),
        Array(p.barMarks).c_str(), Array(p.startSegment).c_str(), Array(p.endSegment).c_str(),
        Array(p.beatPatternA.slots).c_str(), Array(p.beatPatternB.slots).c_str());
    return 0;
}
