// The key the analysis finds in synthesised music of every root in both modes. The music's bass
// line walks the scale of its key, so the key estimate sees the notes a bass player would play.

#include <cstdio>

#include "catalog/KeyText.h"
#include "tests/profile/BuildFixture.h"
#include "tonal/KeyEstimate.h"

namespace {
constexpr int kRoots = 12;

class KeyAccuracy : public BuildFixture {
protected:
    MUSICAL_KEY Measure(int root, bool minor) {
        MusicSpec music = Steady(124);
        music.seconds = 30;
        music.keyRoot = root;
        music.minor = minor;
        const BuildOutcome out = Build(Music("key.wav", music));
        EXPECT_EQ(out.result, 1);  // a finished build
        return {out.profile.keyRoot, out.profile.keyMode};
    }
};
}  // namespace

// A minor key's bass line holds its root most of all, which the minor template weighs most: every
// minor key is found exactly. A major key shares its notes with its relative minor (C major with
// A minor), and a bass-note histogram weighs the two alike; the table printed says how often the
// exact key, and how often at least the right place on the wheel, came out.
TEST_F(KeyAccuracy, EveryRootInBothModes) {
    int exact = 0, samePlace = 0;
    std::printf("%-6s %-6s %-6s\n", "TRUE", "FOUND", "WHEEL");
    for (const bool minor : {true, false}) {
        for (int root = 0; root < kRoots; ++root) {
            const MUSICAL_KEY truth{static_cast<std::int16_t>(root),
                                    minor ? kKeyModeMinor : kKeyModeMajor};
            const MUSICAL_KEY found = Measure(root, minor);
            ASSERT_NE(found.mode, kKeyModeNone) << Utf16ToUtf8(StandardKeyText(truth));
            if (minor) {
                EXPECT_EQ(found, truth) << Utf16ToUtf8(StandardKeyText(truth));
            }
            exact += found == truth;
            const std::string wheelTruth = Utf16ToUtf8(WheelKeyText(truth));
            const std::string wheelFound = Utf16ToUtf8(WheelKeyText(found));
            // The same number on the wheel: the same notes, relative major and minor.
            samePlace += wheelTruth.substr(0, wheelTruth.size() - 1) ==
                         wheelFound.substr(0, wheelFound.size() - 1);
            std::printf("%-6s %-6s %s\n", Utf16ToUtf8(StandardKeyText(truth)).c_str(),
                        Utf16ToUtf8(StandardKeyText(found)).c_str(), wheelFound.c_str());
        }
    }
    std::printf("exact key %d of %d, same wheel number %d of %d\n", exact, 2 * kRoots, samePlace,
                2 * kRoots);
    RecordProperty("exact_keys", exact);
    RecordProperty("same_wheel_number", samePlace);
}
