#include "catalog/CatItem.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <string>
#include <utility>

#include "audio/ComponentIds.h"

namespace {
// BPM texts from tags are clamped to the range the analysis can produce and a DJ can use.
constexpr double kMinTagBpm = 40.0;
constexpr double kMaxTagBpm = 250.0;
constexpr int kBpmDecimals = 2;

// The C locale, created once: number texts in files never follow the user's locale.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}
}  // namespace

WString FormatBpmText(float bpm) {
    if (bpm == 0.0f) return {};
    char buf[64];
    // Rounded once, to the nearest: a BPM read from a tag as 131.99 shows as 131.99.
    const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(bpm),
                                   std::chars_format::fixed,
                                   kBpmDecimals);
    return W(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

double ParseBpmNumber(std::u16string_view text) {
    // Only ASCII can belong to a number; the conversion stops at the first other character.
    std::string ascii;
    for (const char16_t c : text) {
        if (c == 0 || c >= 0x80) break;
        ascii.push_back(static_cast<char>(c));
    }
    return strtod_l(ascii.c_str(), nullptr, CLocale());
}

CCatItem::CCatItem(std::uint32_t id, WString path) : id_(id), path_(std::move(path)) {}

CCatItem::~CCatItem() = default;

HRESULT CCatItem::OwnQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IUnknown) return Hand(static_cast<IUnknown*>(this), out);
    return E_FAIL;
}

bool CCatItem::GetFieldText(std::int32_t fieldId, WString& text) {
    CSingleThreadLock hold(lock_);
    switch (fieldId) {
        case kFieldTitle: text = title_; return true;
        case kFieldArtist: text = artist_; return true;
        case kFieldPath: text = path_; return true;
        case kFieldBpm: text = FormatBpmText(GetBpm()); return true;
        default: return false;
    }
}

HRESULT CCatItem::SetFieldText(std::int32_t fieldId, std::u16string_view text) {
    CSingleThreadLock hold(lock_);
    switch (fieldId) {
        // Shown, exported and written back: never with a lone surrogate.
        case kFieldTitle: title_ = DisplayText(text); return S_OK;
        case kFieldArtist: artist_ = DisplayText(text); return S_OK;
        case kFieldBpm: {
            if (text.empty()) return S_OK;
            double bpm = ParseBpmNumber(text);
            // A text that reads as "nan" is as unreadable as one without a number.
            if (std::isnan(bpm) || bpm < kMinTagBpm) bpm = kMinTagBpm;
            if (bpm > kMaxTagBpm) bpm = kMaxTagBpm;
            SetBpm(static_cast<float>(bpm));
            return S_OK;
        }
        default: return E_FAIL;
    }
}

bool CCatItem::IsLess(CCatItem& other, std::int32_t fieldId) {
    CSingleThreadLock holdThis(lock_);
    CSingleThreadLock holdOther(other.lock_);
    switch (fieldId) {
        case kFieldTitle: return title_ < other.title_;
        case kFieldArtist: return artist_ < other.artist_;
        case kFieldPath: return path_ < other.path_;
        case kFieldBpm: return GetBpm() < other.GetBpm();
        default: return false;
    }
}
