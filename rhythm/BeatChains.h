#pragma once
// The chain search of the beat grid tracker: onsets are linked pairwise into chains, strongest
// evidence first; the best non-overlapping chains give the grid's anchor positions and the
// eighth-note spacing measured along the best one.

#include <cstdint>
#include <span>
#include <vector>

#include "audio/AnalysisContext.h"
#include "audio/PcmThumbnail.h"
#include "rhythm/PositionList.h"

// One onset taking part in linking. Links are node indexes; a node has at most one predecessor
// and one successor, so a chain is a simple path of ascending indexes.
struct OnsetNode {
    static constexpr std::int32_t kNone = -1;

    std::int64_t position = 0;
    float weight = 0.0f;  // onset strength, normalised to 0 … 1 over all nodes
    std::int32_t predecessor = kNone;
    std::int32_t successor = kNone;
    std::int32_t chainId = kNone;
    bool active = true;  // cleared for good when the node is dropped from linking
    std::int32_t index = 0;
};

struct OnsetPair {
    std::uint32_t i = 0;  // lower node index
    std::uint32_t j = 0;
    float support = 0.0f;
};

struct BeatChain {
    std::vector<std::uint32_t> members;  // ascending node indexes
    std::int32_t id = 0;
    float meanWeight = 0.0f;
    float score = 0.0f;
    std::int64_t span = 0;  // position of the last member minus that of the first
};

// Removes every node that has a strictly heavier node less than 0.45 intervals before or after
// it, visiting in order; removals take effect at once. The survivors keep their order.
void ThinOnsets(std::vector<OnsetNode>& nodes, float interval);

// How strongly nodes i and j support each other as points of one grid: weight i × (distance
// weight × phase weight) × weight j. The distance weight is 1 up to 8 intervals and falls to 0
// at 32; the phase weight is 1 within 2 % of a whole number of intervals and 0 beyond 20 %.
// 0 when the nodes are less than half an interval apart, for an index outside `nodes` or for an
// interval that is not positive.
float PairSupport(std::span<const OnsetNode> nodes, float interval, std::size_t i, std::size_t j);

// Links the onsets of `onsets` (ascending) into chains at eighth-note interval `interval`,
// weighting them by EnergyRiseAt on `thumbnail`; appends the positions of the chosen chains (best
// first, each ascending) to the primary array of `chains`, and sets `intervalOut` to the interval
// measured along the best chain (or refined on the thinned onsets when no chain survives).
// Returns false, appending nothing and leaving `intervalOut`, when the flag is set.
bool LinkBeatChains(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& thumbnail,
                    float interval, const CPfPositionList& onsets, CPfPositionList& chains,
                    float& intervalOut);
