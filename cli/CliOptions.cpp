#include "cli/CliOptions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

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

// A whole number from `low` to `high`, nothing else.
bool ParseWhole(const std::string& text, int low, int high, int& out) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int n = std::stoi(text);
    if (n < low || n > high) return false;
    out = n;
    return true;
}

// Seconds: a finite decimal number from 0 up, nothing else.
bool ParseSeconds(const std::string& text, double& out) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

// The options of "plot"; true when `arg` was one of them (`error` set when its value is bad).
bool ParsePlotOption(const std::string& arg, const std::function<bool(std::string&)>& value,
                     PlotOptions& plot, bool& fromGiven, bool& toGiven, std::string& error) {
    std::string v;
    const std::string side = "a whole number from 1 to " + std::to_string(kMaxPictureSide);
    if (arg == "-o" || arg == "--output") {
        if (value(v)) plot.out = v;
    } else if (arg == "--width" || arg == "--height") {
        if (value(v) && !ParseWhole(v, 1, kMaxPictureSide, arg == "--width" ? plot.width : plot.height))
            error = arg + " needs " + side;
    } else if (arg == "--scale") {
        if (value(v) && !ParseWhole(v, 1, 2, plot.scale)) error = "--scale needs 1 or 2";
    } else if (arg == "--theme") {
        if (value(v)) {
            if (v == "light" || v == "dark") plot.theme = v;
            else error = "unknown theme '" + v + "' (light or dark)";
        }
    } else if (arg == "--from" || arg == "--to") {
        const bool from = arg == "--from";
        if (value(v) && !ParseSeconds(v, from ? plot.range.firstSecond : plot.range.lastSecond))
            error = arg + " needs seconds from 0 up";
        (from ? fromGiven : toGiven) = true;
    } else {
        return false;
    }
    return true;
}

// The rules between the plot options, once all are read.
bool CheckPlotOptions(const CliOptions& o, bool plotOptionGiven, bool fromGiven, bool toGiven,
                      std::string& error) {
    if (!o.plot.requested) {
        if (plotOptionGiven) error = "-o, --width, --height, --scale, --theme, --from and --to go with plot";
        return !plotOptionGiven;
    }
    if (o.plot.file.empty()) error = "plot needs a FILE";
    else if (!o.paths.empty()) error = "plot takes exactly one FILE";
    else if (o.plot.out.empty()) error = "plot needs -o OUT.svg or -o OUT.png";
    else if (fromGiven != toGiven) error = "--from and --to go together";
    else if (fromGiven && o.plot.range.lastSecond <= o.plot.range.firstSecond)
        error = "--to must be later than --from";
    return error.empty();
}

}  // namespace

std::string CliUsage() {
    return "Usage: tempowright-cli [--no-write] [--no-store] [--export FILE] "
           "[--format table|tsv|json]\n"
           "                      [--key-notation standard|wheel] [--range LO-HI]\n"
           "                      [--quiet] [--jobs N] [--nice] PATH...\n"
           "       tempowright-cli profile FILE\n"
           "       tempowright-cli plot FILE -o OUT.svg|OUT.png [--width W] [--height H]\n"
           "                      [--from S --to S] [--theme light|dark] [--scale 1|2] [--no-store]\n"
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
           "  plot FILE         draw the track's picture: its waveform with the bar, section and\n"
           "                    start and end marks, the mix segments shaded and, when zoomed in\n"
           "                    far enough, the beat grid; the measurement is taken from the\n"
           "                    store, or made (and remembered) when the file is not in it\n"
           "    -o, --output OUT  the picture file: .svg, or .png (drawn by tempowright-picture)\n"
           "    --width W       width in logical pixels (default 1200)\n"
           "    --height H      height in logical pixels (default 200)\n"
           "    --from S --to S only the seconds S to S of the track\n"
           "    --theme T       light or dark (default: light; an SVG picture without --theme\n"
           "                    follows the viewer's light or dark scheme)\n"
           "    --scale N       1 or 2: pixels per logical pixel (SVG: its displayed size)\n"
           "\n"
           "Exit status: 0 every track has a BPM, 1 some analysis failed or some tag was not\n"
           "written, 2 usage error or no PATH exists, 130 interrupted. profile and plot: 0 done,\n"
           "1 the file could not be analysed or the picture not written (nothing is written\n"
           "then), 2 usage error.\n";
}

bool ParseCliOptions(int argc, char** argv, CliOptions& o, std::string& error) {
    bool endOfOptions = false;
    bool plotOptionGiven = false, fromGiven = false, toGiven = false;
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
            // "plot" takes the first operand after it as its FILE, with options on either side.
            if (o.paths.empty() && arg == "plot" && !endOfOptions && !o.plot.requested &&
                o.profileFile.empty()) {
                o.plot.requested = true;
                continue;
            }
            if (o.plot.requested && o.plot.file.empty()) {
                o.plot.file = arg;
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
        } else if (ParsePlotOption(arg, value, o.plot, fromGiven, toGiven, error)) {
            if (!error.empty()) return false;
            plotOptionGiven = true;
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
    if (!CheckPlotOptions(o, plotOptionGiven, fromGiven, toGiven, error)) return false;
    if (o.plot.requested) return true;
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
