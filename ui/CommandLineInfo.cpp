#include "ui/CommandLineInfo.h"

#include <string_view>

#include "config/Version.h"

namespace {
std::string UsageText() {
    return "Usage: tempowright [--help] [--version] [FILE | FOLDER | TRACK...]\n"
           "\n"
           "Opens the window of the BPM analyzer. Import a folder there, or drop files and\n"
           "folders onto the list; every track without a tempo is measured in the background\n"
           "and the tempo is written into the file's tag.\n"
           "\n"
           "  FOLDER, TRACK  import folders and WAV, MP3 or WMA files, as a drop onto the list does\n"
           "  FILE           open any other FILE as the document\n"
           "  --help         this text\n"
           "  --version      the program's version\n"
           "\n"
           "The standard options of Qt programs (for example -platform, -style) are accepted.\n";
}
}  // namespace

std::string CommandLineInfo(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == "--version") return std::string("tempowright ") + kTempowrightVersion + "\n";
        if (arg == "--help" || arg == "-h") return UsageText();
    }
    return {};
}
