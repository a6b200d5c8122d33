#pragma once
// Key estimation: the bass notes of a track, counted by pitch class, correlated with the minor
// and the major key template in all twelve transpositions; the best correlation gives the key.

#include <cstdint>

#include "audio/AnalysisContext.h"
#include "platform/ComTypes.h"
#include "tonal/NoteMap.h"

// Key modes.
constexpr std::int16_t kKeyModeNone = 0;   // no positive correlation (for example no notes)
constexpr std::int16_t kKeyModeMinor = 1;  // the minor template matched best
constexpr std::int16_t kKeyModeMajor = 2;  // the major template matched best

// Writes the key of `notes` into `keyRoot` (0 … 11, 0 = C) and `keyMode` and returns S_OK.
// Every detection counts once, whatever its confidence. Candidates are tried minor before major
// and lower roots first, and only a strictly better score replaces the best so far, which starts
// at 0: an empty map gives root 0, mode none. When `cancel` is set returns S_FALSE (1) and leaves
// both outputs as they were.
HRESULT EstimateKey(const CancelFlag& cancel, const CPfNoteMap& notes, std::int16_t& keyRoot,
                    std::int16_t& keyMode);
