#pragma once
// The track whose fields the fuzzed tag readers fill: keeps every text it is handed, so that the
// readers' texts are built and stored as in a real import.

#include <map>
#include <utility>

#include "tags/TrackFields.h"

class CFuzzTrack final : public ITrackFields {
public:
    explicit CFuzzTrack(WString path) : path_(std::move(path)) {}
    virtual ~CFuzzTrack() = default;

    const WString& GetPath() const override { return path_; }
    bool GetFieldText(std::int32_t fieldId, WString& text) override {
        const auto it = fields_.find(fieldId);
        if (it == fields_.end()) return false;
        text = it->second;
        return true;
    }
    HRESULT SetFieldText(std::int32_t fieldId, std::u16string_view text) override {
        fields_[fieldId].assign(text);
        return S_OK;
    }
    void SetBpm(float bpm) override { bpm_ = bpm; }
    CSingleThreadToken& Lock() override { return lock_; }
    FILE_IDENTITY GetAnalysedFile() override { return {}; }
    void SetTagWriteOutcome(TagWriteOutcome) override {}

private:
    WString path_;
    std::map<std::int32_t, WString> fields_;
    float bpm_ = 0.0f;
    CSingleThreadToken lock_;
};
