#pragma once
// "tempowright-cli profile FILE": analyses one file and prints its whole track profile as JSON.

#include <string>

// Returns the exit status: 0 after a complete build, 1 when the build fails.
int RunProfile(const std::string& file);
