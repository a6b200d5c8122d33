#include "audio/PcmThumbnail.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/PageAlloc.h"

CPfPcmThumbnail::CPfPcmThumbnail(const CPfPcmThumbnail& other) {
    CopyFrom(other);
}

CPfPcmThumbnail& CPfPcmThumbnail::operator=(const CPfPcmThumbnail& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

CPfPcmThumbnail::~CPfPcmThumbnail() {
    Release();
}

void CPfPcmThumbnail::Release() {
    PageFree(data_, std::size_t{count_} * sizeof(float));
    data_ = nullptr;
}

bool CPfPcmThumbnail::Allocate(std::uint64_t length, std::uint32_t rate, std::uint32_t decimation) {
    length_ = length;
    if (rate != 0) rate_ = rate;
    const auto low16 = static_cast<std::uint16_t>(decimation & 0xFFFFu);
    if (low16 != 0) decimation_ = low16;
    Release();
    const std::uint64_t count = length / decimation_;
    if (count > std::numeric_limits<std::uint32_t>::max()) return false;
    if (count == 0) {
        count_ = 0;
        return true;
    }
    auto* data = static_cast<float*>(PageAlloc(static_cast<std::size_t>(count) * sizeof(float)));
    if (!data) return false;
    data_ = data;
    count_ = static_cast<std::uint32_t>(count);
    return true;
}

bool CPfPcmThumbnail::CopyFrom(const CPfPcmThumbnail& other) {
    if (this == &other) return true;
    if (!Allocate(other.length_, other.rate_, other.decimation_)) return false;
    if (Count() != other.Count()) return false;
    if (data_) std::memcpy(data_, other.data_, std::size_t{count_} * sizeof(float));
    barLevel_ = other.barLevel_;
    entriesPerBar_ = other.entriesPerBar_;
    return true;
}

bool CPfPcmThumbnail::GetEntry(std::int64_t index, float& out) const {
    if (!data_ || index < 0 || index >= std::int64_t{count_}) return false;
    out = data_[index];
    return true;
}

float CPfPcmThumbnail::EntryAt(std::int64_t index) const {
    float value = 0.0f;
    GetEntry(index, value);
    return value;
}

void CPfPcmThumbnail::SetEntry(std::int64_t index, float value) {
    if (!data_ || index < 0 || index >= std::int64_t{count_}) return;
    data_[index] = value;
}

bool CPfPcmThumbnail::GetData(float*& data, std::uint32_t& count) {
    if (!data_) return false;
    data = data_;
    count = count_;
    return true;
}

bool CPfPcmThumbnail::GetData(const float*& data, std::uint32_t& count) const {
    if (!data_) return false;
    data = data_;
    count = count_;
    return true;
}

float CPfPcmThumbnail::MaxEntry() const {
    if (Count() == 0) return 0.0f;
    return *std::max_element(data_, data_ + count_);
}

float CPfPcmThumbnail::MinEntry() const {
    if (Count() == 0) return 0.0f;
    return *std::min_element(data_, data_ + count_);
}

float CPfPcmThumbnail::MaxInRange(std::uint32_t first, std::uint32_t last) const {
    if (first >= Count()) return 0.0f;
    const std::uint32_t end = std::min(last, count_ - 1);
    float best = data_[first];
    for (std::uint32_t i = first + 1; i <= end; ++i) best = std::max(best, data_[i]);
    return best;
}

std::uint32_t CPfPcmThumbnail::SamplesPerBar(float tempo) const {
    return ::SamplesPerBar(tempo, rate_);
}

std::uint32_t CPfPcmThumbnail::EntriesPerBar(float tempo) const {
    if (tempo == 0.0f) return entriesPerBar_;
    return SamplesPerBar(tempo) / decimation_;
}

float CPfPcmThumbnail::BarPeakMean(float tempo) const {
    const std::uint32_t window = EntriesPerBar(tempo);
    if (window == 0 || Count() == 0) return 0.0f;
    const auto divisor = static_cast<float>(window);
    float sum = 0.0f;
    float best = 0.0f;
    for (std::uint32_t i = 0; i < count_; ++i) {
        sum += data_[i];
        if (i >= window) sum -= data_[i - window];
        const float mean = sum / divisor;
        if (i == 0 || mean > best) best = mean;
    }
    return best;
}

void CPfPcmThumbnail::SetTempo(float tempo) {
    barLevel_ = BarPeakMean(tempo);
    entriesPerBar_ = SamplesPerBar(tempo) / decimation_;
}
