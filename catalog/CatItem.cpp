#include "catalog/CatItem.h"

#include <cmath>
#include <utility>

#include "audio/ComponentIds.h"
#include "catalog/KeyText.h"

namespace {
// BPM texts from tags are clamped to the range the analysis can produce and a DJ can use.
constexpr double kMinTagBpm = 40.0;
constexpr double kMaxTagBpm = 250.0;
}  // namespace

CCatItem::CCatItem(std::uint32_t id, WString path, std::shared_ptr<CAnalysisStore> store,
                   std::shared_ptr<const CSharedBpmRange> preferredRange)
    : id_(id), path_(std::move(path)), store_(std::move(store)),
      preferredRange_(std::move(preferredRange)) {}

CCatItem::~CCatItem() = default;

HRESULT CCatItem::OwnQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IUnknown || iid == IID_IBuildEntry)
        return Hand(static_cast<IBuildEntry*>(this), out);
    return E_FAIL;
}

bool CCatItem::GetFieldText(std::int32_t fieldId, WString& text) {
    CSingleThreadLock hold(lock_);
    switch (fieldId) {
        case kFieldTitle: text = title_; return true;
        case kFieldArtist: text = artist_; return true;
        case kFieldPath: text = path_; return true;
        case kFieldBpm: text = FormatBpmText(GetBpm()); return true;
        case kFieldKey: text = key_; return true;
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
        case kFieldKey: {
            // Kept as the tag spells it, so that the write-back leaves the tag's text alone.
            WString shown = DisplayText(text);
            if (shown.empty()) return S_OK;
            key_ = std::move(shown);
            keyFromTag_ = true;
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
        case kFieldKey: return KeyTextLess(key_, other.key_);
        default: return false;
    }
}
