// The stored form of a track profile: every field comes back exactly, and damaged bytes are
// refused rather than read as a profile.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "store/ProfileBlob.h"
#include "tests/support/ProfileCompare.h"

namespace {

CPfTrackProfile FullProfile() {
    CPfTrackProfile p;
    p.startSegment = {1000, 2000};
    p.endSegment = {-5, std::numeric_limits<std::int64_t>::max()};
    p.sectionMarks = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    p.barMarks = {44100, 88200, std::numeric_limits<std::int64_t>::min()};
    p.audioStart = 123;
    p.audioEnd = 9876543210LL;
    p.bpm = 127.996f;
    p.sampleRate = 48000;
    p.barLevel = 0.125f;
    p.lengthFrames = 1323000;
    p.keyRoot = 9;
    p.keyMode = 2;
    p.beatPatternA.slots = {1.0f, 0.1f, 0.5f, 0.1f, 0.9f, 0.1f, 0.5f, 0.1f};
    p.beatPatternB.slots = {std::nextafter(1.0f, 0.0f), 0.0f, -0.0f};
    p.bitRate = 320000;
    p.waveform = {0, 1, 128, 255, 7};
    p.waveformFrames = 1024;
    p.waveformRate = 44100;
    p.beatGrid = {0, 22050, 44100, std::numeric_limits<std::int64_t>::max()};
    return p;
}

void ExpectSame(const CPfTrackProfile& a, const CPfTrackProfile& b) {
    ExpectSameMeasurement(a, b);
    EXPECT_EQ(a.bitRate, b.bitRate);
}

// The same profile in the layout of version 1, as stores written before the picture fields
// hold it: the version byte, then the fields up to the bit rate.
std::string VersionOneBlob(const CPfTrackProfile& p) {
    CPfTrackProfile withoutPicture = p;
    withoutPicture.waveform.clear();
    withoutPicture.beatGrid.clear();
    std::string blob = EncodeProfileBlob(withoutPicture);
    blob.resize(blob.size() - (4 + 4 + 4 + 4));  // frames, rate, two empty counts
    blob[0] = 1;
    return blob;
}

}  // namespace

TEST(ProfileBlob, EveryFieldComesBackBitForBit) {
    const CPfTrackProfile original = FullProfile();
    CPfTrackProfile decoded;
    ASSERT_TRUE(DecodeProfileBlob(EncodeProfileBlob(original), decoded));
    ExpectSame(original, decoded);

    CPfTrackProfile empty;
    const std::string emptyBlob = EncodeProfileBlob(empty);
    ASSERT_TRUE(DecodeProfileBlob(emptyBlob, decoded));
    ExpectSame(empty, decoded);
    // Compact: a version byte, eight counts and the scalars, nothing more.
    EXPECT_EQ(emptyBlob.size(), 1u + 8 * 4 + 8 + 8 + 4 + 4 + 4 + 8 + 2 + 2 + 4 + 4 + 4);
    EXPECT_EQ(static_cast<unsigned char>(emptyBlob[0]), kProfileBlobVersion);
}

TEST(ProfileBlob, VersionOneDecodesWithoutPicture) {
    const CPfTrackProfile original = FullProfile();
    const std::string old = VersionOneBlob(original);
    // Decoding into a profile that held a picture leaves none behind.
    CPfTrackProfile decoded = original;
    ASSERT_TRUE(DecodeProfileBlob(old, decoded));
    CPfTrackProfile expected = original;
    expected.waveform.clear();
    expected.waveformFrames = expected.waveformRate = 0;
    expected.beatGrid.clear();
    ExpectSame(expected, decoded);

    for (size_t n = 0; n < old.size(); ++n)
        EXPECT_FALSE(DecodeProfileBlob(std::string_view(old).substr(0, n), decoded)) << n;
    EXPECT_FALSE(DecodeProfileBlob(old + '\0', decoded));
    // A version-2 byte on version-1 contents is incomplete, not a picture-less profile.
    std::string relabelled = old;
    relabelled[0] = 2;
    EXPECT_FALSE(DecodeProfileBlob(relabelled, decoded));
}

TEST(ProfileBlob, DamagedOrForeignBytesAreRefused) {
    const std::string blob = EncodeProfileBlob(FullProfile());
    CPfTrackProfile p;
    // Every shortened form, and one byte too many.
    for (size_t n = 0; n < blob.size(); ++n)
        EXPECT_FALSE(DecodeProfileBlob(std::string_view(blob).substr(0, n), p)) << n;
    EXPECT_FALSE(DecodeProfileBlob(blob + '\0', p));
    // Another layout version.
    std::string other = blob;
    other[0] = static_cast<char>(kProfileBlobVersion + 1);
    EXPECT_FALSE(DecodeProfileBlob(other, p));
    other[0] = 0;
    EXPECT_FALSE(DecodeProfileBlob(other, p));
    // A list count far beyond the bytes that follow must not allocate or read past the end.
    std::string huge = blob;
    huge[1] = huge[2] = huge[3] = static_cast<char>(0xFF);
    huge[4] = 0x7F;
    EXPECT_FALSE(DecodeProfileBlob(huge, p));
    // The waveform's count (after the bit rate, the frames and the rate) within its own bound
    // but beyond the bytes that follow.
    std::string longWave = blob;
    const size_t waveCount = blob.size() - (4 + 8 * 4) - (4 + 5);
    longWave[waveCount + 2] = 0x10;
    EXPECT_FALSE(DecodeProfileBlob(longWave, p));
}
