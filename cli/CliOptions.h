#pragma once
// Command-line arguments of tempowright-cli.

#include <string>
#include <vector>

#include "catalog/BpmRange.h"
#include "catalog/KeyText.h"
#include "picture/TrackPicture.h"

enum class OutputFormat { Table, Tsv, Json };

// The "plot FILE -o OUT" command: the track's picture as an SVG or PNG file.
struct PlotOptions {
    bool requested = false;     // the plot command was given
    std::string file;
    std::string out;            // its extension chooses the format
    int width = 1200;           // logical pixels
    int height = 200;
    int scale = 1;              // 1 or 2
    std::string theme;          // "light", "dark" or empty (SVG: follows the viewer's scheme)
    PictureRange range;         // whole track unless --from and --to are given
};

struct CliOptions {
    bool help = false;
    bool version = false;
    bool noWrite = false;
    bool noStore = false;
    bool quiet = false;
    bool formatGiven = false;
    bool nice = false;            // analyse at the background priority
    unsigned jobs = 0;            // analyses at once; 0: one per CPU
    OutputFormat format = OutputFormat::Table;
    KeyNotation keyNotation = KeyNotation::Standard;
    BPM_RANGE range;              // not set: tempi as measured
    std::string exportFile;       // empty: no export
    std::string profileFile;      // set by the "profile FILE" command
    PlotOptions plot;
    std::vector<std::string> paths;
};

// Parses argv. False with a message in `error` for a usage error.
bool ParseCliOptions(int argc, char** argv, CliOptions& options, std::string& error);

// The usage text printed by --help.
std::string CliUsage();
