#include "store/ProfileBlob.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace {

// More elements than any profile holds; a count above it marks a damaged blob.
constexpr std::uint32_t kMaxListLength = 1u << 20;
// More waveform entries than any track has (about 100 hours at 23 ms per entry).
constexpr std::uint32_t kMaxWaveformLength = 1u << 24;

class CBlobWriter {
public:
    template <class T>
    void Int(T value) {
        auto bits = static_cast<std::make_unsigned_t<T>>(value);
        for (size_t i = 0; i < sizeof(T); ++i) {
            out_ += static_cast<char>(bits & 0xFF);
            bits = static_cast<decltype(bits)>(bits >> 8);
        }
    }
    void Float(float value) { Int(std::bit_cast<std::uint32_t>(value)); }
    void Positions(const std::vector<std::int64_t>& list) {
        Int(static_cast<std::uint32_t>(list.size()));
        for (std::int64_t v : list) Int(v);
    }
    void Floats(const std::vector<float>& list) {
        Int(static_cast<std::uint32_t>(list.size()));
        for (float v : list) Float(v);
    }
    void Bytes(const std::vector<std::uint8_t>& list) {
        Int(static_cast<std::uint32_t>(list.size()));
        out_.append(list.begin(), list.end());
    }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
};

class CBlobReader {
public:
    explicit CBlobReader(std::string_view bytes) : in_(bytes) {}

    template <class T>
    bool Int(T& value) {
        if (in_.size() - pos_ < sizeof(T)) return false;
        std::make_unsigned_t<T> bits = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            bits |= static_cast<std::make_unsigned_t<T>>(
                static_cast<std::make_unsigned_t<T>>(static_cast<unsigned char>(in_[pos_ + i]))
                << (8 * i));
        pos_ += sizeof(T);
        value = static_cast<T>(bits);
        return true;
    }
    bool Float(float& value) {
        std::uint32_t bits = 0;
        if (!Int(bits)) return false;
        value = std::bit_cast<float>(bits);
        return true;
    }
    // A count beyond `maxCount` or beyond the bytes left marks a damaged blob, and is refused
    // before anything is allocated for it.
    template <class T, class ReadOne>
    bool List(std::vector<T>& list, ReadOne readOne, std::uint32_t maxCount = kMaxListLength) {
        std::uint32_t count = 0;
        if (!Int(count) || count > maxCount || count > (in_.size() - pos_) / sizeof(T))
            return false;
        list.assign(count, T{});
        for (T& v : list)
            if (!readOne(v)) return false;
        return true;
    }
    bool Positions(std::vector<std::int64_t>& list) {
        return List(list, [this](std::int64_t& v) { return Int(v); });
    }
    bool Floats(std::vector<float>& list) {
        return List(list, [this](float& v) { return Float(v); });
    }
    bool Bytes(std::vector<std::uint8_t>& list) {
        return List(list, [this](std::uint8_t& v) { return Int(v); }, kMaxWaveformLength);
    }
    bool AtEnd() const { return pos_ == in_.size(); }

private:
    std::string_view in_;
    size_t pos_ = 0;
};

}  // namespace

std::string EncodeProfileBlob(const CPfTrackProfile& p) {
    CBlobWriter w;
    w.Int(kProfileBlobVersion);
    w.Positions(p.startSegment);
    w.Positions(p.endSegment);
    w.Positions(p.sectionMarks);
    w.Positions(p.barMarks);
    w.Int(p.audioStart);
    w.Int(p.audioEnd);
    w.Float(p.bpm);
    w.Int(p.sampleRate);
    w.Float(p.barLevel);
    w.Int(p.lengthFrames);
    w.Int(p.keyRoot);
    w.Int(p.keyMode);
    w.Floats(p.beatPatternA.slots);
    w.Floats(p.beatPatternB.slots);
    w.Int(p.bitRate);
    // Added in version 2.
    w.Int(p.waveformFrames);
    w.Int(p.waveformRate);
    w.Bytes(p.waveform);
    w.Positions(p.beatGrid);
    return w.Take();
}

bool DecodeProfileBlob(std::string_view bytes, CPfTrackProfile& p) {
    CBlobReader r(bytes);
    unsigned char version = 0;
    if (!r.Int(version) || version < kProfileBlobFirstVersion || version > kProfileBlobVersion)
        return false;
    const bool first = r.Positions(p.startSegment) && r.Positions(p.endSegment) &&
                       r.Positions(p.sectionMarks) && r.Positions(p.barMarks) &&
                       r.Int(p.audioStart) && r.Int(p.audioEnd) && r.Float(p.bpm) &&
                       r.Int(p.sampleRate) && r.Float(p.barLevel) && r.Int(p.lengthFrames) &&
                       r.Int(p.keyRoot) && r.Int(p.keyMode) && r.Floats(p.beatPatternA.slots) &&
                       r.Floats(p.beatPatternB.slots) && r.Int(p.bitRate);
    if (!first) return false;
    p.waveform.clear();
    p.waveformFrames = p.waveformRate = 0;
    p.beatGrid.clear();
    if (version >= 2 && !(r.Int(p.waveformFrames) && r.Int(p.waveformRate) &&
                          r.Bytes(p.waveform) && r.Positions(p.beatGrid)))
        return false;
    return r.AtEnd();
}
