// Folders and music files named on the command line (and by "Open with" through the desktop
// entry) are imported once the window shows; a document path still opens the document.

#include <signal.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "catalog/CatItem.h"
#include "tests/ui/UiFixture.h"
#include "ui/AppSettings.h"
#include "ui/CatalogRowModel.h"
#include "ui/EngineAccess.h"

namespace {
QString Str(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// The TBPM text of an MP3 file as mutagen reads it; empty when there is none.
std::string TagBpm(const std::filesystem::path& mp3) {
    std::string out;
    RunCommand("/usr/bin/python3 -c 'import mutagen.id3,sys; t=mutagen.id3.ID3(sys.argv[1]); "
               "print(t[\"TBPM\"].text[0])' '" + mp3.string() + "' 2>/dev/null", &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}
}  // namespace

TEST(CommandLine, FoldersAndMusicFilesAreImportedOtherPathsAreDocuments) {
    TempDir dir;
    std::filesystem::create_directories(dir.Path() / "music");
    const QString folder = Str(dir.Path() / "music");
    const ShellCommand command = ParseShellCommand(
        {QStringLiteral("tempowright"), QStringLiteral("-x"), folder, QStringLiteral("song.MP3"),
         QStringLiteral("doc.twd"), QStringLiteral("/gone/b.wav"), QStringLiteral("other.twd"),
         QStringLiteral("c.Wma"), QStringLiteral("notes.txt")});
    EXPECT_EQ(command.imports, (QStringList{folder, QStringLiteral("song.MP3"), QStringLiteral("/gone/b.wav"),
                                            QStringLiteral("c.Wma")}));
    EXPECT_EQ(command.kind, ShellCommand::Kind::FileOpen);
    EXPECT_EQ(command.file, QStringLiteral("doc.twd"));

    const ShellCommand onlyMusic = ParseShellCommand({QStringLiteral("tempowright"), folder});
    EXPECT_EQ(onlyMusic.kind, ShellCommand::Kind::FileNew);
    EXPECT_EQ(onlyMusic.imports, QStringList{folder});
}

TEST(CommandLine, AFolderIsImportedAfterTheWindowShows) {
    TempDir settings, noComponents, music;
    setenv("TEMPOWRIGHT_COMPONENT_DIR", noComponents.Path().c_str(), 1);
    CAppSettings::UseDirectory(Str(settings.Path()));
    std::filesystem::create_directories(music.Path() / "sub");
    WriteFileBytes(music.Path() / "a.wav", "");
    WriteFileBytes(music.Path() / "sub" / "b.wav", "");
    WriteFileBytes(music.Path() / "notes.txt", "");
    const std::filesystem::path single = music.Path() / ".." / std::filesystem::path(music.Path()).filename() / "c.wav";
    WriteFileBytes(music.Path() / "c.wav", "");

    CTempowrightApp app;
    ASSERT_TRUE(app.InitInstance({QStringLiteral("tempowright"), Str(music.Path() / "sub"), Str(single)}));
    EXPECT_TRUE(app.MainFrame()->isVisible());
    EXPECT_EQ(app.MainFrame()->View()->Rows().rowCount(), 0);  // nothing before the event loop runs
    ASSERT_TRUE(WaitFor([&] { return app.MainFrame()->View()->Rows().rowCount() == 2; }));

    CatItemVector items;
    EngineCatalog()->GetItems(&items);
    std::vector<WString> paths;
    for (const ComPtr<CCatItem>& item : items) paths.push_back(item->GetPath());
    // Paths as the import makes them: absolute and without "..".
    EXPECT_EQ(paths, (std::vector<WString>{music.W("c.wav"), music.W("sub/b.wav")}));
    app.ExitInstance();
    setenv("TEMPOWRIGHT_COMPONENT_DIR", TW_COMPONENT_DIR, 1);
}

// The program itself, started as a file manager's "Open with" starts it: it stays up with its
// window, imports the folder, analyses the MP3 in it and writes the tempo into the file's tag.
TEST(CommandLine, TheProgramImportsAFolderNamedOnItsCommandLine) {
    TempDir home, music;
    WriteClickTrack(music.Path() / "click.wav", 125.0, 20.0);
    ASSERT_EQ(RunCommand("lame --quiet '" + music.Str("click.wav") + "' '" + music.Str("click.mp3") + "'"), 0);
    std::filesystem::remove(music.Path() / "click.wav");
    ASSERT_EQ(TagBpm(music.Path() / "click.mp3"), "");

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TEMPOWRIGHT_COMPONENT_DIR"), QStringLiteral(TW_COMPONENT_DIR));
    environment.insert(QStringLiteral("HOME"), Str(home.Path()));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Str(home.Path() / "config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), Str(home.Path() / "data"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(TW_GUI_PROGRAM), {Str(music.Path())});
    ASSERT_TRUE(program.waitForStarted());

    std::string bpm;
    const bool tagged = WaitFor([&] {
        if (program.state() != QProcess::Running) return true;
        bpm = TagBpm(music.Path() / "click.mp3");
        return !bpm.empty();
    }, 120000);
    const bool running = program.state() == QProcess::Running;
    if (running) {
        program.kill();
        program.waitForFinished();
    }
    EXPECT_TRUE(running) << "exit status " << program.exitCode();
    ASSERT_TRUE(tagged);
    ASSERT_FALSE(bpm.empty());
    // A measured tempo (a short track's estimate need not be the click's own).
    EXPECT_GE(std::stod(bpm), 40.0);
    EXPECT_LE(std::stod(bpm), 250.0);
}

TEST(CommandLine, TheDesktopEntryOpensFilesAndFolders) {
    std::string report;
    EXPECT_EQ(RunCommand("desktop-file-validate '" TW_DESKTOP_FILE "' 2>&1", &report), 0) << report;
    EXPECT_EQ(report, "");
    const std::string entry = ReadFileBytes(TW_DESKTOP_FILE);
    EXPECT_NE(entry.find("\nExec=tempowright %F\n"), std::string::npos);
    EXPECT_NE(entry.find("\nMimeType=audio/mpeg;audio/x-wav;audio/wav;audio/x-ms-wma;inode/directory;\n"),
              std::string::npos);
}
