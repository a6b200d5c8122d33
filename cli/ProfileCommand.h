#pragma once
// "tempowright-cli profile FILE": analyses one file and prints its whole track profile as JSON.

#include <string>

#include "profile/BuildFailure.h"
#include "profile/TrackProfile.h"

// Builds the profile of `file` (a real build, as the catalog runs it). Returns true after a
// complete build; false with the reason in `failure` otherwise.
bool BuildFileProfile(const std::string& file, CPfTrackProfile& profile, BuildFailure& failure);

// Why a build failed, for a message: "no such file", "no beat found", ...
const char* BuildFailureText(BuildFailure failure);

// Returns the exit status: 0 after a complete build, 1 when the build fails.
int RunProfile(const std::string& file);
