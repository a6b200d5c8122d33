#pragma once
// The import-analyse-print run of tempowright-cli.

#include "cli/CliOptions.h"

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitAnalysisFailed = 1;
constexpr int kExitTagNotWritten = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// Imports options.paths, waits for every analysis, prints the catalog; returns the exit status.
int RunCatalog(const CliOptions& options);
