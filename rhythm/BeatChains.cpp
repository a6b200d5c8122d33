#include "rhythm/BeatChains.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "rhythm/BeatInterval.h"
#include "rhythm/IntervalMath.h"
#include "rhythm/OnsetFinders.h"

namespace {

constexpr float kThinningRadius = 0.45f;  // in intervals

constexpr float kPhaseFitFloor = 0.8f;
constexpr float kPhaseFitFull = 0.98f;
constexpr float kPhaseFitRamp = 0.18f;  // kPhaseFitFull − kPhaseFitFloor
constexpr std::uint32_t kFullSupportSteps = 8;
constexpr std::uint32_t kMaxPairSteps = 32;
constexpr float kDistanceFalloffSteps = 24.0f;  // kMaxPairSteps − kFullSupportSteps

constexpr float kCoverageLimit = 0.8f;
constexpr std::uint32_t kMinChainIndexSpan = 32;

// Where a chain starts and ends, as node indexes. Kept up to date by every linking rule, so that
// first(X) and last(X) need no walk along the links.
struct ChainEnds {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

// The linking state: nodes, the live chains and the two counts behind the coverage.
class ChainLinker {
public:
    explicit ChainLinker(std::vector<OnsetNode>& nodes)
        : nodes_(nodes), active_(static_cast<std::uint32_t>(nodes.size())) {}

    // Applies the linking rules to the pair (a, b), a < b, both active.
    void LinkPair(std::uint32_t a, std::uint32_t b);
    float Coverage() const {
        return active_ == 0 ? 0.0f
                            : static_cast<float>(activeWithId_) / static_cast<float>(active_);
    }
    // The chains left, in ascending id, with their members (the active nodes carrying the id).
    std::vector<BeatChain> Chains() const;

private:
    std::uint32_t First(std::uint32_t x) const {
        const std::int32_t id = nodes_[x].chainId;
        return id == OnsetNode::kNone ? x : ends_.at(id).first;
    }
    std::uint32_t Last(std::uint32_t x) const {
        const std::int32_t id = nodes_[x].chainId;
        return id == OnsetNode::kNone ? x : ends_.at(id).last;
    }
    void Link(std::uint32_t a, std::uint32_t b) {
        nodes_[a].successor = static_cast<std::int32_t>(b);
        nodes_[b].predecessor = static_cast<std::int32_t>(a);
    }
    void SetId(std::uint32_t x, std::int32_t id) {
        if (nodes_[x].chainId == OnsetNode::kNone && nodes_[x].active) ++activeWithId_;
        nodes_[x].chainId = id;
    }
    void Deactivate(std::uint32_t x) {
        if (!nodes_[x].active) return;
        nodes_[x].active = false;
        --active_;
        if (nodes_[x].chainId != OnsetNode::kNone) --activeWithId_;
    }
    enum class Side { Before, After };
    // Drops every node reachable from x through the links on one side (x itself stays) and
    // removes the link between x and that side.
    void Cut(std::uint32_t x, Side side);
    void DropChainOf(std::uint32_t x);

    std::vector<OnsetNode>& nodes_;
    std::map<std::int32_t, ChainEnds> ends_;
    std::int32_t nextId_ = 1;
    std::uint32_t active_;
    std::uint32_t activeWithId_ = 0;
};

void ChainLinker::Cut(std::uint32_t x, Side side) {
    // The link field that leads away from x on the given side, and the one that leads back.
    const auto away = side == Side::Before ? &OnsetNode::predecessor : &OnsetNode::successor;
    const auto back = side == Side::Before ? &OnsetNode::successor : &OnsetNode::predecessor;
    std::int32_t n = nodes_[x].*away;
    nodes_[x].*away = OnsetNode::kNone;
    if (n != OnsetNode::kNone) nodes_[static_cast<std::size_t>(n)].*back = OnsetNode::kNone;
    while (n != OnsetNode::kNone) {
        Deactivate(static_cast<std::uint32_t>(n));
        n = nodes_[static_cast<std::size_t>(n)].*away;
    }
}

void ChainLinker::DropChainOf(std::uint32_t x) {
    const std::int32_t id = nodes_[x].chainId;
    Cut(x, Side::Before);
    Cut(x, Side::After);
    Deactivate(x);
    ends_.erase(id);
}

void ChainLinker::LinkPair(std::uint32_t a, std::uint32_t b) {
    const std::int32_t idA = nodes_[a].chainId;
    const std::int32_t idB = nodes_[b].chainId;
    constexpr std::int32_t kNone = OnsetNode::kNone;

    if (idA == kNone && idB == kNone) {
        const std::int32_t id = nextId_++;
        SetId(a, id);
        SetId(b, id);
        ends_[id] = {a, b};
        Link(a, b);
    } else if (idA == kNone) {
        if (a < First(b)) {
            Cut(b, Side::Before);
            SetId(a, idB);
            ends_[idB].first = a;
            Link(a, b);
        }
    } else if (idB == kNone) {
        if (Last(a) < b) {
            Cut(a, Side::After);
            SetId(b, idA);
            ends_[idA].last = b;
            Link(a, b);
        }
    } else if (idA != idB) {
        const ChainEnds ca = ends_.at(idA);
        const ChainEnds cb = ends_.at(idB);
        if (cb.first >= ca.first && cb.last <= ca.last) {
            DropChainOf(b);
        } else if (ca.first >= cb.first && ca.last <= cb.last) {
            DropChainOf(a);
        } else if (ca.first < cb.first && ca.last < cb.last) {
            Cut(a, Side::After);
            Cut(b, Side::Before);
            for (OnsetNode& node : nodes_) {
                if (node.chainId == idB) node.chainId = idA;
            }
            ends_.erase(idB);
            ends_[idA] = {ca.first, cb.last};
            Link(a, b);
        }
    }
}

std::vector<BeatChain> ChainLinker::Chains() const {
    // Every rule that changes which active nodes carry an id either refreshes that chain or
    // deletes it, so the members can be gathered once, here, from the ids.
    std::map<std::int32_t, std::size_t> slot;
    std::vector<BeatChain> chains;
    for (const auto& [id, ends] : ends_) {
        slot[id] = chains.size();
        chains.push_back(BeatChain{{}, id, 0.0f, 0.0f, 0});
    }
    for (std::size_t k = 0; k < nodes_.size(); ++k) {
        const OnsetNode& node = nodes_[k];
        if (!node.active || node.chainId == OnsetNode::kNone) continue;
        const auto it = slot.find(node.chainId);
        if (it != slot.end()) chains[it->second].members.push_back(static_cast<std::uint32_t>(k));
    }
    return chains;
}

// Weights every onset by its energy rise and normalises the weights to 0 … 1.
std::vector<OnsetNode> MakeNodes(const CPfPcmThumbnail& thumbnail, const CPfPositionList& onsets) {
    std::vector<OnsetNode> nodes;
    nodes.reserve(onsets.Primary().size());
    for (const std::int64_t position : onsets.Primary()) {
        OnsetNode node;
        node.position = position;
        node.weight = EnergyRiseAt(thumbnail, position);
        nodes.push_back(node);
    }
    if (nodes.empty()) return nodes;
    const auto [lo, hi] = std::minmax_element(
        nodes.begin(), nodes.end(),
        [](const OnsetNode& x, const OnsetNode& y) { return x.weight < y.weight; });
    const float wmin = lo->weight;
    float range = hi->weight - wmin;
    if (range == 0.0f) range = 1.0f;
    for (OnsetNode& node : nodes) node.weight = (node.weight - wmin) / range;
    return nodes;
}

std::vector<OnsetPair> MakePairs(const std::vector<OnsetNode>& nodes, float interval) {
    std::vector<OnsetPair> pairs;
    // No pair gets support without a positive interval.
    if (!(interval > 0.0f)) return pairs;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        for (std::size_t j = i + 1; j < nodes.size(); ++j) {
            const std::uint32_t steps =
                IntervalSteps(nodes[j].position - nodes[i].position, interval);
            if (steps > kMaxPairSteps) break;  // later nodes are further away
            const float support = PairSupport(nodes, interval, i, j);
            if (support > 0.0f) {
                pairs.push_back(
                    {static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j), support});
            }
        }
    }
    return pairs;
}

// Scores the chains, keeps the best non-overlapping ones that span at least 32 node indexes and
// returns them best first.
std::vector<BeatChain> ChooseChains(std::vector<BeatChain> chains,
                                    const std::vector<OnsetNode>& nodes) {
    std::int64_t maxSpan = 0;
    float mmin = 0.0f;
    float mmax = 0.0f;
    for (std::size_t c = 0; c < chains.size(); ++c) {
        BeatChain& chain = chains[c];
        if (!chain.members.empty()) {
            chain.span =
                nodes[chain.members.back()].position - nodes[chain.members.front()].position;
            float sum = 0.0f;
            for (const std::uint32_t m : chain.members) sum += nodes[m].weight;
            chain.meanWeight = sum / static_cast<float>(chain.members.size());
        }
        maxSpan = std::max(maxSpan, chain.span);
        mmin = c == 0 ? chain.meanWeight : std::min(mmin, chain.meanWeight);
        mmax = c == 0 ? chain.meanWeight : std::max(mmax, chain.meanWeight);
    }
    if (maxSpan == 0) maxSpan = 1;
    float mrange = mmax - mmin;
    if (mrange == 0.0f) mrange = 1.0f;
    for (BeatChain& chain : chains) {
        chain.score = ((chain.meanWeight - mmin) / mrange) *
                      (static_cast<float>(chain.span) / static_cast<float>(maxSpan));
    }
    std::stable_sort(chains.begin(), chains.end(),
                     [](const BeatChain& x, const BeatChain& y) { return x.score > y.score; });

    const auto firstOf = [](const BeatChain& c) {
        return c.members.empty() ? 0 : c.members.front();
    };
    const auto lastOf = [](const BeatChain& c) { return c.members.empty() ? 0 : c.members.back(); };
    std::vector<bool> removed(chains.size(), false);
    for (std::size_t x = 0; x < chains.size(); ++x) {
        if (removed[x]) continue;
        for (std::size_t y = x + 1; y < chains.size(); ++y) {
            if (!removed[y] && lastOf(chains[y]) >= firstOf(chains[x]) &&
                lastOf(chains[x]) >= firstOf(chains[y])) {
                removed[y] = true;
            }
        }
    }
    std::vector<BeatChain> kept;
    for (std::size_t c = 0; c < chains.size(); ++c) {
        if (removed[c] || chains[c].members.empty()) continue;
        if (lastOf(chains[c]) - firstOf(chains[c]) < kMinChainIndexSpan) continue;
        kept.push_back(std::move(chains[c]));
    }
    return kept;
}

}  // namespace

void ThinOnsets(std::vector<OnsetNode>& nodes, float interval) {
    const std::int64_t radius = TruncateToInt64(static_cast<double>(kThinningRadius * interval));
    std::vector<bool> removed(nodes.size(), false);
    // A node goes when a node still present within the radius is strictly heavier: the strongest
    // of its neighbourhood is then another node, and a heavier one.
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        const OnsetNode& node = nodes[n];
        bool heavierNear = false;
        for (std::size_t k = n; k-- > 0 && node.position - nodes[k].position < radius;) {
            if (!removed[k] && nodes[k].weight > node.weight) heavierNear = true;
        }
        for (std::size_t k = n + 1; k < nodes.size() && nodes[k].position - node.position < radius;
             ++k) {
            if (!removed[k] && nodes[k].weight > node.weight) heavierNear = true;
        }
        removed[n] = heavierNear;
    }
    std::size_t kept = 0;
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        if (!removed[n]) nodes[kept++] = nodes[n];
    }
    nodes.resize(kept);
}

float PairSupport(std::span<const OnsetNode> nodes, float interval, std::size_t i, std::size_t j) {
    if (i >= nodes.size() || j >= nodes.size() || !(interval > 0.0f)) return 0.0f;
    const std::int64_t difference = nodes[i].position - nodes[j].position;
    const std::int64_t distance = difference < 0 ? -difference : difference;
    const std::uint32_t steps = IntervalSteps(distance, interval);
    if (steps == 0) return 0.0f;

    const float r = static_cast<float>(distance) / interval;
    const float fit = 1.0f - std::fabs(r - std::round(r));
    float phaseWeight = 0.0f;
    if (fit > kPhaseFitFull) {
        phaseWeight = 1.0f;
    } else if (fit > kPhaseFitFloor) {
        phaseWeight = (fit - kPhaseFitFloor) / kPhaseFitRamp;
    }

    float distanceWeight = 0.0f;
    if (steps <= kFullSupportSteps) {
        distanceWeight = 1.0f;
    } else if (steps <= kMaxPairSteps) {
        distanceWeight = static_cast<float>(kMaxPairSteps - steps) / kDistanceFalloffSteps;
    }
    return nodes[i].weight * (distanceWeight * phaseWeight) * nodes[j].weight;
}

bool LinkBeatChains(const CPfRhythmAnalyzer& context, const CPfPcmThumbnail& thumbnail,
                    float interval, const CPfPositionList& onsets, CPfPositionList& chains,
                    float& intervalOut) {
    if (context.Cancelled()) return false;

    std::vector<OnsetNode> nodes = MakeNodes(thumbnail, onsets);
    ThinOnsets(nodes, interval);
    std::vector<std::int64_t> positions;
    positions.reserve(nodes.size());
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        nodes[k].index = static_cast<std::int32_t>(k);
        positions.push_back(nodes[k].position);
    }
    const float refined = RefineInterval(positions, interval);

    std::vector<OnsetPair> pairs = MakePairs(nodes, refined);
    // Ties may come in any order; a stable sort keeps them in the order they were made.
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const OnsetPair& x, const OnsetPair& y) { return x.support > y.support; });

    ChainLinker linker(nodes);
    for (const OnsetPair& pair : pairs) {
        if (context.Cancelled()) return false;
        if (!nodes[pair.i].active || !nodes[pair.j].active) continue;
        linker.LinkPair(pair.i, pair.j);
        if (linker.Coverage() >= kCoverageLimit) break;
    }

    const std::vector<BeatChain> chosen = ChooseChains(linker.Chains(), nodes);
    for (const BeatChain& chain : chosen) {
        for (const std::uint32_t m : chain.members) chains.AppendPrimary(nodes[m].position);
    }

    intervalOut = refined;
    if (!chosen.empty()) {
        const std::vector<std::uint32_t>& best = chosen.front().members;
        std::int64_t sum = 0;
        std::int64_t steps = 0;
        for (std::size_t k = 1; k < best.size(); ++k) {
            const std::int64_t d = nodes[best[k]].position - nodes[best[k - 1]].position;
            sum += d;
            steps += IntervalSteps(d, refined);
        }
        if (steps != 0) intervalOut = MeanOfFrames(sum, steps);
    }
    return true;
}
