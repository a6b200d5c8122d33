#pragma once
// Command-line arguments of tempowright-cli.

#include <string>
#include <vector>

#include "catalog/BpmRange.h"
#include "catalog/KeyText.h"

enum class OutputFormat { Table, Tsv, Json };

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
    std::vector<std::string> paths;
};

// Parses argv. False with a message in `error` for a usage error.
bool ParseCliOptions(int argc, char** argv, CliOptions& options, std::string& error);

// The usage text printed by --help.
std::string CliUsage();
