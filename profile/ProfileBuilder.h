#pragma once
// Turns one catalog entry into a track profile: opens the entry's audio, streams it once through
// the sample converter into the two envelopes while the spectral engine and the note detector
// see every block, then runs the rhythm and tonal analyses over the envelopes.

#include <cstdint>

#include "audio/AnalysisContext.h"
#include "profile/BuildEntry.h"
#include "profile/BuildProgressSink.h"
#include "profile/TrackProfile.h"

class CProfileBuilder {
public:
    CProfileBuilder() = default;
    virtual ~CProfileBuilder() = default;
    CProfileBuilder(const CProfileBuilder&) = delete;
    CProfileBuilder& operator=(const CProfileBuilder&) = delete;

    // Builds `profile` (freshly constructed) for `item`, reporting progress 0..100 through
    // `sink`. Returns 1 when a complete profile was produced, 0 otherwise (the file cannot be
    // opened or read, or the build was cancelled). When given, `failure` receives why a build
    // failed (None for a success or a cancelled build).
    int BuildProfile(BuildProgressSink& sink, IBuildEntry& item, CPfTrackProfile& profile,
                     BuildFailure* failure = nullptr);

    // Non-zero asks the running build to stop; never cleared by the builder.
    CancelFlag cancel{0};
};
