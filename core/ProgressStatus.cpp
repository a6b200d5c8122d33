#include "core/ProgressStatus.h"

#include <string>

HRESULT CProgressStatus::GetText(BSTR* text) {
    if (!text) return E_INVALIDARG;
    CSingleThreadLock lock(lock_);
    *text = AllocBstr(text_);  // raises the error exception when memory runs out
    return S_OK;
}

HRESULT CProgressStatus::GetProgress(float* progress) {
    if (!progress) return E_INVALIDARG;
    CSingleThreadLock lock(lock_);
    *progress = progress_;
    return S_OK;
}

HRESULT CProgressStatus::IsDone() {
    if (failed_) return E_FAIL;
    return done_ ? S_OK : S_FALSE;
}

HRESULT CProgressStatus::IsCancelRequested() { return cancelRequested_ ? S_OK : S_FALSE; }

HRESULT CProgressStatus::RequestCancel() {
    cancelRequested_ = 1;
    return S_OK;
}

HRESULT CProgressStatus::Reset() {
    CSingleThreadLock lock(lock_);
    progress_ = 0.0f;
    cancelRequested_ = 0;
    done_ = 0;
    failed_ = 0;
    error_ = S_OK;
    text_.clear();
    skipped_.clear();
    return S_OK;
}

HRESULT CProgressStatus::SetProgress(float progress) {
    CSingleThreadLock lock(lock_);
    progress_ = progress;
    return S_OK;
}

HRESULT CProgressStatus::SetText(const char16_t* text) {
    CSingleThreadLock lock(lock_);
    text_ = text ? WString(text) : WString();
    return S_OK;
}

HRESULT CProgressStatus::SetFailed(HRESULT code) {
    error_ = code;
    failed_ = 1;
    return S_OK;
}

HRESULT CProgressStatus::GetError(HRESULT* code) {
    if (code) *code = error_;
    return S_OK;
}

HRESULT CProgressStatus::SetDone() {
    done_ = 1;
    return S_OK;
}

HRESULT CProgressStatus::AddSkipped(const char16_t* path, const char16_t* reason) {
    CSingleThreadLock lock(lock_);
    skipped_.emplace_back(path ? WString(path) : WString(), reason ? WString(reason) : WString());
    return S_OK;
}

HRESULT CProgressStatus::GetSkippedCount(std::uint32_t* count) {
    if (!count) return E_INVALIDARG;
    CSingleThreadLock lock(lock_);
    *count = static_cast<std::uint32_t>(skipped_.size());
    return S_OK;
}

HRESULT CProgressStatus::GetSkipped(std::uint32_t index, BSTR* path, BSTR* reason) {
    if (!path || !reason) return E_INVALIDARG;
    CSingleThreadLock lock(lock_);
    if (index >= skipped_.size()) return S_FALSE;
    *path = AllocBstr(skipped_[index].first);
    *reason = AllocBstr(skipped_[index].second);
    return S_OK;
}
