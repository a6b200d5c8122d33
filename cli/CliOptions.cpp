#include "cli/CliOptions.h"

#include <cstring>

#include "catalog/Catalog.h"

namespace {
// A decimal number from 0 to kMaxBuildWorkers, nothing else.
bool ParseJobs(const std::string& text, unsigned& jobs) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long n = std::stoul(text);
    if (n > kMaxBuildWorkers) return false;
    jobs = static_cast<unsigned>(n);
    return true;
}
}  // namespace

std::string CliUsage() {
    return "Usage: tempowright-cli [--no-write] [--no-store] [--export FILE] "
           "[--format table|tsv|json]\n"
           "                      [--key-notation standard|wheel] [--range LO-HI]\n"
           "                      [--quiet] [--jobs N] [--nice] PATH...\n"
           "       tempowright-cli profile FILE\n"
           "\n"
           "Imports the WAV, MP3 and WMA files under each PATH, measures the tempo of every\n"
           "track that has none in its tag, writes title, artist, BPM and key back into the\n"
           "file's tag, and prints the list. Measurements are remembered in\n"
           "$XDG_DATA_HOME/tempowright/analysis.sqlite, so a track is measured only once.\n"
           "\n"
           "  --no-write        do not write tags into the files\n"
           "  --no-store        neither read nor write the remembered measurements\n"
           "  --export FILE     also write the tab-delimited text export to FILE\n"
           "  --format FORMAT   table (default on a terminal), tsv (default otherwise) or json\n"
           "  --key-notation N  standard (Am, C#m, Eb; the default) or wheel (8A, 12A, 5B);\n"
           "                    tags always get the standard notation\n"
           "  --range LO-HI     fold each measured tempo into LO..HI by doubling or halving\n"
           "                    (HI at least twice LO), e.g. --range 70-140\n"
           "  --quiet           no progress display\n"
           "  --jobs N          analyse N tracks at once (default and 0: one per CPU); the\n"
           "                    list printed is the same whatever N is\n"
           "  --nice            analyse at the background priority, so that everything else\n"
           "                    on the machine goes first\n"
           "  --help            this text\n"
           "  --version         the program's version\n"
           "\n"
           "  profile FILE      analyse one file and print its whole track profile as JSON\n"
           "\n"
           "Exit status: 0 every track has a BPM, 1 some analysis failed or some tag was not\n"
           "written, 2 usage error or no PATH exists, 130 interrupted.\n";
}

bool ParseCliOptions(int argc, char** argv, CliOptions& o, std::string& error) {
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            if (o.paths.empty() && arg == "profile" && !endOfOptions && o.profileFile.empty()) {
                if (i + 1 >= argc) {
                    error = "profile needs a FILE";
                    return false;
                }
                o.profileFile = argv[++i];
                continue;
            }
            o.paths.push_back(arg);
        } else if (arg == "--") {
            endOfOptions = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--no-write") {
            o.noWrite = true;
        } else if (arg == "--no-store") {
            o.noStore = true;
        } else if (arg == "--quiet" || arg == "-q") {
            o.quiet = true;
        } else if (arg == "--export") {
            if (!value(o.exportFile)) return false;
        } else if (arg == "--nice") {
            o.nice = true;
        } else if (arg == "--jobs" || arg == "-j") {
            std::string n;
            if (!value(n)) return false;
            if (!ParseJobs(n, o.jobs)) {
                error = "--jobs needs a number from 0 to " + std::to_string(kMaxBuildWorkers);
                return false;
            }
        } else if (arg == "--format") {
            std::string f;
            if (!value(f)) return false;
            if (f == "table") o.format = OutputFormat::Table;
            else if (f == "tsv") o.format = OutputFormat::Tsv;
            else if (f == "json") o.format = OutputFormat::Json;
            else {
                error = "unknown format '" + f + "' (table, tsv or json)";
                return false;
            }
            o.formatGiven = true;
        } else if (arg == "--key-notation") {
            std::string n;
            if (!value(n)) return false;
            const auto notation = ParseKeyNotation(n);
            if (!notation) {
                error = "unknown key notation '" + n + "' (standard or wheel)";
                return false;
            }
            o.keyNotation = *notation;
        } else if (arg == "--range") {
            std::string r;
            if (!value(r)) return false;
            if (!ParseBpmRange(r, o.range, error)) return false;
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    if (o.help || o.version) return true;
    if (!o.profileFile.empty() && !o.paths.empty()) {
        error = "profile takes exactly one FILE";
        return false;
    }
    if (o.profileFile.empty() && o.paths.empty()) {
        error = "no PATH given";
        return false;
    }
    return true;
}
