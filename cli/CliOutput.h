#pragma once
// Printing the catalog as an aligned table, tab-separated values or JSON.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliOptions.h"

struct CliRow {
    std::string path;
    std::string title;
    std::string artist;
    std::string bpm;   // as the list shows it: "" or "128.00"
    std::string key;   // in the chosen notation: "" or "Am" / "8A"
    bool analysed;     // measured by this run
    bool written;      // its tag was written (or already held its texts) by this run
    std::string source;  // where the BPM came from: "tag", "store", "analysis" or "" (none)
};

void PrintRows(std::FILE* out, OutputFormat format, const std::vector<CliRow>& rows);

// A JSON string literal (quotes included) of UTF-8 text.
std::string JsonString(const std::string& text);
