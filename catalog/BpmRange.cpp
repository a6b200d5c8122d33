#include "catalog/BpmRange.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {
// A tempo range outside this holds no music; the limits also keep the folding loop short.
constexpr float kLowestRangeBpm = 1.0f;
constexpr float kHighestRangeBpm = 1000.0f;

bool ReadNumber(std::string_view text, float& value) {
    if (text.empty()) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           std::isfinite(value);
}

std::string Number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}
}  // namespace

bool CheckBpmRange(BPM_RANGE range, std::string& error) {
    if (!(range.low >= kLowestRangeBpm && range.high <= kHighestRangeBpm)) {
        error = "a BPM range must lie within " + Number(kLowestRangeBpm) + "-" +
                Number(kHighestRangeBpm);
        return false;
    }
    if (range.high < 2.0f * range.low) {
        error = "the BPM range " + BpmRangeText(range) + " is narrower than one octave: its " +
                "top must be at least twice its bottom (at least " + Number(2.0f * range.low) +
                "), or a tempo could fold past it";
        return false;
    }
    return true;
}

bool ParseBpmRange(std::string_view text, BPM_RANGE& range, std::string& error) {
    const size_t dash = text.find('-');
    BPM_RANGE parsed;
    if (dash == std::string_view::npos || !ReadNumber(text.substr(0, dash), parsed.low) ||
        !ReadNumber(text.substr(dash + 1), parsed.high)) {
        error = "a BPM range is written LO-HI, for example 70-140, not '" + std::string(text) + "'";
        return false;
    }
    if (!CheckBpmRange(parsed, error)) return false;
    range = parsed;
    return true;
}

std::string BpmRangeText(BPM_RANGE range) {
    if (!range.IsSet()) return {};
    return Number(range.low) + "-" + Number(range.high);
}

float FoldIntoRange(float bpm, BPM_RANGE range) {
    if (!range.IsSet() || !(bpm > 0.0f) || !std::isfinite(bpm)) return bpm;
    // Compared as the list shows the tempo, so that a tempo shown as 140.00 stays in 70-140.
    const auto shown = [](float value) { return std::round(value * 100.0f) / 100.0f; };
    while (shown(bpm) > range.high) bpm *= 0.5f;
    while (shown(bpm) < range.low) bpm *= 2.0f;
    return bpm;
}
