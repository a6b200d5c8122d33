#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QStringList>
#include <cmath>
#include <filesystem>

#include "catalog/CatItem.h"
#include "core/QmEngine.h"
#include "picture/PicturePalette.h"
#include "profile/ProfileBuilder.h"
#include "render/TrackPicturePainter.h"
#include "store/ProfileBlob.h"
#include "tests/support/PictureProfiles.h"
#include "tests/support/TempDir.h"
#include "tools/MusicSynth.h"

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString errors;
};

// Runs the picture program with `arguments`, `input` on its standard input.
ProgramRun RunPictureProgram(const QStringList& arguments, const std::string& input) {
    QProcess program;
    program.start(QStringLiteral(TW_PICTURE_PROGRAM), arguments);
    EXPECT_TRUE(program.waitForStarted());
    program.write(input.data(), static_cast<qint64>(input.size()));
    program.closeWriteChannel();
    EXPECT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardError())};
}

QString Str(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// Builds the profile of a synthesised track as the build worker does.
CPfTrackProfile BuiltProfile(const std::string& path, const MusicSpec& music) {
    EXPECT_TRUE(WriteWave16(path, SynthesiseMusic(music), music.channels, music.sampleRate));
    ComPtr<CQmEngine> engine(new CQmEngine);
    ComPtr<CCatItem> item(new CCatItem(1, Utf8ToUtf16(path)));
    BuildProgressSink sink;
    sink.engine = engine.Get();
    sink.itemId = 1;
    CProfileBuilder builder;
    CPfTrackProfile profile;
    EXPECT_EQ(builder.BuildProfile(sink, *item.Get(), profile), 1);
    return profile;
}

bool Near(float x, const std::vector<std::int64_t>& frames, double framesToX, float distance) {
    for (std::int64_t frame : frames)
        if (std::abs(frame * framesToX - x) < distance) return true;
    return false;
}

}  // namespace

TEST(PictureProgram, DrawsABuiltProfileWithItsBarMarksWhereTheyFall) {
    TempDir dir;
    MusicSpec music;
    music.bpm = 120.0;
    music.seconds = 40.0;
    const CPfTrackProfile profile = BuiltProfile(dir.Str("groove.wav"), music);
    ASSERT_FALSE(profile.barMarks.empty());
    ASSERT_FALSE(profile.waveform.empty());

    constexpr int kWidth = 600, kHeight = 80, kScale = 2;
    const std::filesystem::path out = dir.Path() / "groove.png";
    const ProgramRun run = RunPictureProgram({QStringLiteral("--out"), Str(out), QStringLiteral("--width"),
                                       QString::number(kWidth), QStringLiteral("--height"),
                                       QString::number(kHeight), QStringLiteral("--scale"),
                                       QString::number(kScale), QStringLiteral("--title"),
                                       QStringLiteral("Groove 120")},
                                      EncodeProfileBlob(profile));
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QImage image(Str(out));
    ASSERT_EQ(image.size(), QSize(kWidth * kScale, kHeight * kScale));

    const PicturePalette palette = PicturePaletteFor(false);
    int waveformPixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) waveformPixels += image.pixel(x, y) == PaletteColor(palette.waveform).rgba();
    EXPECT_GT(waveformPixels, image.width() * image.height() / 20);

    // Each bar mark clear of the other wide marks, at the x its frame gives, in the bottom row
    // (the title sits at the top).
    const double framesToX = static_cast<double>(kWidth) / static_cast<double>(profile.lengthFrames);
    const std::vector<std::int64_t> others = [&] {
        std::vector<std::int64_t> frames = profile.sectionMarks;
        frames.push_back(profile.audioStart);
        frames.push_back(profile.audioEnd);
        return frames;
    }();
    int checked = 0;
    for (std::int64_t frame : profile.barMarks) {
        const auto x = static_cast<float>(frame * framesToX);
        if (x < 1.0f || x > kWidth - 1.0f || Near(x, others, framesToX, 3.0f)) continue;
        const int column = static_cast<int>(std::floor(x * kScale));
        EXPECT_EQ(image.pixel(column, image.height() - 1), PaletteColor(palette.bar).rgba()) << "bar at x " << x;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST(PictureProgram, TakesTheThemeAndTheTimeSpanAsked) {
    TempDir dir;
    // A bar mark every 16 bars of 2 s: at 32 s, among others; shown from 30 s to 40 s on 100 px.
    const CPfTrackProfile profile = MadeUpProfile(120.0, 120.0);
    const std::filesystem::path out = dir.Path() / "dark.png";
    const ProgramRun run = RunPictureProgram({QStringLiteral("--out"), Str(out), QStringLiteral("--width"),
                                       QStringLiteral("100"), QStringLiteral("--height"), QStringLiteral("40"),
                                       QStringLiteral("--theme"), QStringLiteral("dark"), QStringLiteral("--from"),
                                       QStringLiteral("30"), QStringLiteral("--to"), QStringLiteral("40")},
                                      EncodeProfileBlob(profile));
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QImage image(Str(out));
    ASSERT_EQ(image.size(), QSize(100, 40));
    const PicturePalette dark = PicturePaletteFor(true);
    EXPECT_EQ(image.pixel(20, 0), PaletteColor(dark.bar).rgba());
    EXPECT_NE(image.pixel(10, 0), PaletteColor(dark.bar).rgba());
    // Zoomed in this far the beat grid shows: a beat every 0.5 s is every 5 px.
    EXPECT_NE(image.pixel(25, 0), image.pixel(27, 0));
}

TEST(PictureProgram, RefusesBadArgumentsAndInputAndSaysWhenItCannotWrite) {
    TempDir dir;
    const std::string blob = EncodeProfileBlob(MadeUpProfile(128.0, 30.0));
    const QString out = Str(dir.Path() / "a.png");
    const QStringList size = {QStringLiteral("--width"), QStringLiteral("100"), QStringLiteral("--height"),
                              QStringLiteral("30")};
    const auto with = [&](QStringList extra) { return QStringList{QStringLiteral("--out"), out} + size + extra; };

    const std::vector<QStringList> usageErrors = {
        size,                                                                     // no --out
        {QStringLiteral("--out"), out, QStringLiteral("--width"), QStringLiteral("100")},  // no height
        with({QStringLiteral("--scale"), QStringLiteral("3")}),
        with({QStringLiteral("--theme"), QStringLiteral("sepia")}),
        with({QStringLiteral("--from"), QStringLiteral("10")}),                   // --to missing
        with({QStringLiteral("--from"), QStringLiteral("10"), QStringLiteral("--to"), QStringLiteral("5")}),
        with({QStringLiteral("--from"), QStringLiteral("-1"), QStringLiteral("--to"), QStringLiteral("5")}),
        with({QStringLiteral("--title")}),                                        // value missing
        with({QStringLiteral("--colour"), QStringLiteral("red")}),
        {QStringLiteral("--out"), out, QStringLiteral("--width"), QStringLiteral("0"), QStringLiteral("--height"),
         QStringLiteral("30")},
        {QStringLiteral("--out"), out, QStringLiteral("--width"), QStringLiteral("100000"),
         QStringLiteral("--height"), QStringLiteral("30")},
    };
    for (const QStringList& arguments : usageErrors) {
        const ProgramRun run = RunPictureProgram(arguments, blob);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.errors.contains(QStringLiteral("usage:"))) << run.errors.toStdString();
    }
    // Input that is no profile (nothing, or a damaged blob) is refused too.
    EXPECT_EQ(RunPictureProgram(with({}), "").exitCode, 2);
    EXPECT_EQ(RunPictureProgram(with({}), blob.substr(0, blob.size() / 2)).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(out.toStdString()));

    // A file that cannot be written, and nothing left behind.
    const QString nowhere = Str(dir.Path() / "missing-folder" / "a.png");
    const ProgramRun unwritable = RunPictureProgram(QStringList{QStringLiteral("--out"), nowhere} + size, blob);
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.errors.contains(QStringLiteral("cannot write"))) << unwritable.errors.toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "missing-folder"));

    EXPECT_EQ(RunPictureProgram(with({}), blob).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(out.toStdString()));
}
