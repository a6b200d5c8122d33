#include "tests/support/BarTempo.h"

#include <gtest/gtest.h>

float TempoForEntriesPerBar(std::uint32_t entriesPerBar, std::uint32_t rate,
                            std::uint32_t decimation) {
    const double framesPerBar = (entriesPerBar + 0.5) * decimation;
    return static_cast<float>(240.0 * rate / framesPerBar);
}

void SetBarLength(CPfPcmThumbnail& envelope, std::uint32_t entriesPerBar) {
    envelope.SetTempo(
        TempoForEntriesPerBar(entriesPerBar, envelope.SampleRate(), envelope.Decimation()));
    EXPECT_EQ(envelope.StoredEntriesPerBar(), entriesPerBar);
}
