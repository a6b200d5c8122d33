#pragma once
// The import-analyse-print run of tempowright-cli.

#include <memory>

#include "cli/CliOptions.h"
#include "store/AnalysisStore.h"

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitAnalysisFailed = 1;
constexpr int kExitTagNotWritten = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// Imports options.paths, waits for every analysis, prints the catalog; returns the exit status.
int RunCatalog(const CliOptions& options);

// The user's analysis store; a store that cannot be used says so once on stderr and is skipped.
std::shared_ptr<CAnalysisStore> OpenStore();
