// tempowright-cli: imports music files, measures the tempo of every track without one, writes
// it back into the files' tags and prints the list; or profiles or draws one track.

#include <cstdio>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/PlotCommand.h"
#include "cli/ProfileCommand.h"
#include "config/Version.h"

int main(int argc, char** argv) {
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "tempowright-cli: %s\n\n%s", error.c_str(), CliUsage().c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(CliUsage().c_str(), stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("tempowright-cli %s\n", kTempowrightVersion);
        return kExitOk;
    }
    if (!options.profileFile.empty()) return RunProfile(options.profileFile);
    if (options.plot.requested) return RunPlot(options);
    return RunCatalog(options);
}
