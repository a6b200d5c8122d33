#pragma once
// Why an analysis gave no tempo. The build manager records it on the entry, and the user
// interface turns it into its own text.

#include <cstdint>

enum class BuildFailure : std::uint8_t {
    None = 0,     // the last analysis has not failed (or none has run)
    FileMissing,  // the file is not there
    NotAudio,     // the file is not audio of a supported kind (opening it as a source failed)
    Unreadable,   // the audio could not be read to its end
    NoBeat,       // the audio holds no onset to measure a tempo from (silence)
};
