// A whole tree of music through import, analysis, tag write-back, a second import and export.

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "audio/ComponentIds.h"
#include "tests/catalog/CatalogFixture.h"
#include "tools/MusicSynth.h"

namespace fs = std::filesystem;

namespace {

class EndToEnd : public CatalogFixture {
protected:
    bool WithoutComponents() const override { return false; }

    void Wave(const fs::path& path, double bpm) {
        MusicSpec music;
        music.bpm = bpm;
        music.seconds = 32;
        fs::create_directories(path.parent_path());
        ASSERT_TRUE(WriteWave16(path.string(), SynthesiseMusic(music), 2, 44100));
    }
    void Encode(const fs::path& wav, const fs::path& out, const std::string& command) {
        fs::create_directories(out.parent_path());
        ASSERT_EQ(RunCommand(command + " '" + wav.string() + "' '" + out.string() + "'"), 0);
    }
};

}  // namespace

TEST_F(EndToEnd, EveryFileIsAnalysedTaggedAndReadBackAfterARestart) {
    ASSERT_EQ(Cat().SupportedExtensions(), u"wav;mp3;wma;");
    const fs::path root = dir.Path() / "tree";
    const fs::path work = dir.Path() / "work";
    Wave(root / "plain.wav", 128);
    Wave(work / "a.wav", 124);
    Encode(work / "a.wav", root / "nested" / "deeper" / "untagged.mp3", "lame --quiet");
    Wave(work / "b.wav", 140);
    Encode(work / "b.wav", root / "nested" / "tagged.mp3", "lame --quiet --tt 'Tagged Song' --ta 'Somebody'");
    Wave(work / "c.wav", 132);
    fs::create_directories(root / "wm");
    ASSERT_EQ(RunCommand("ffmpeg -loglevel error -i '" + (work / "c.wav").string() +
                         "' -c:a wmav2 -metadata title='Windows Song' '" +
                         (root / "wm" / "song.wma").string() + "'"), 0);
    Wave(root / std::string("caf\xE9 latin1.wav"), 118);    // a name that is not UTF-8
    WriteFileBytes(root / "empty.wav", "");                 // a 0-byte file
    fs::create_directory_symlink(root, root / "nested" / "loop");  // a link loop
    fs::create_directory(root / "locked");
    Wave(root / "locked" / "hidden.wav", 100);
    chmod((root / "locked").c_str(), 0);

    ImportAndAnalyse(root);
    chmod((root / "locked").c_str(), 0755);

    // One entry per file (the loop does not add the tree twice).
    CatItemVector items;
    catalog->GetItems(&items);
    std::map<std::string, float> bpm;
    std::map<std::string, WString> title;
    std::map<std::string, WString> bpmText;
    for (const ComPtr<CCatItem>& item : items) {
        const std::string name = fs::path(Utf16ToUtf8(item->GetPath())).filename().string();
        bpm[name] = item->GetBpm();
        item->GetFieldText(kFieldTitle, title[name]);
        item->GetFieldText(kFieldBpm, bpmText[name]);
    }
    const bool lockedReadable = bpm.count("hidden.wav") != 0;  // as root the lock does not hold
    EXPECT_EQ(items.size(), lockedReadable ? 7u : 6u);
    EXPECT_NEAR(bpm["plain.wav"], 128, 0.1);
    EXPECT_NEAR(bpm["untagged.mp3"], 124, 0.1);
    EXPECT_NEAR(bpm["tagged.mp3"], 140, 0.1);
    EXPECT_NEAR(bpm["song.wma"], 132, 0.1);
    EXPECT_NEAR(bpm["caf\xE9 latin1.wav"], 118, 0.1);
    EXPECT_EQ(bpm["empty.wav"], 0.0f);  // nothing to analyse
    EXPECT_EQ(title["tagged.mp3"], u"Tagged Song");
    EXPECT_EQ(title["song.wma"], u"Windows Song");
    EXPECT_EQ(title["caf\xE9 latin1.wav"], u"caf\u00E9 latin1");  // the byte read as Windows-1252

    // The export lists every entry.
    const std::string exportPath = dir.Str("export.txt");
    CBstr exportBstr(Utf8ToUtf16(exportPath));
    catalog->ExportText(exportBstr.Get());
    const std::string exported = ReadFileBytes(exportPath);
    EXPECT_EQ(static_cast<size_t>(std::count(exported.begin(), exported.end(), '\n')), items.size());
    EXPECT_NE(exported.find("\tTagged Song\tSomebody\t"), std::string::npos);

    // A new catalog reads every MP3 and WMA tempo back from the tags and queues nothing for them.
    Restart();
    ImportAndAnalyse(root);
    items.clear();
    catalog->GetItems(&items);
    for (const ComPtr<CCatItem>& item : items) {
        const std::string path = Utf16ToUtf8(item->GetPath());
        const std::string ext = fs::path(path).extension().string();
        if (ext == ".mp3" || ext == ".wma") {
            EXPECT_EQ(built.count(item->GetId()), 0u) << path;
            // The tag holds the BPM as the list showed it, to the hundredth.
            const std::string shown = Utf16ToUtf8(bpmText[fs::path(path).filename().string()]);
            EXPECT_NEAR(item->GetBpm(), std::stod(shown), 0.0001) << path;
        }
    }
}
