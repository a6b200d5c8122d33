#include "core/UiUpdateQueue.h"

#include <algorithm>

HRESULT CUiUpdateQueue::OwnQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IUiUpdateQueue) return Hand(static_cast<IUiUpdateQueue*>(this), out);
    return E_FAIL;
}

HRESULT CUiUpdateQueue::PopUpdate(std::int32_t* code, std::int32_t* param) {
    CSingleThreadLock lock(lock_);
    if (messages_.empty()) return S_FALSE;
    if (code) *code = messages_.front().code;
    if (param) *param = messages_.front().param;
    messages_.erase(messages_.begin());
    return S_OK;
}

HRESULT CUiUpdateQueue::PostUpdate(std::int32_t code, std::int32_t param, std::int32_t coalesce) {
    CSingleThreadLock lock(lock_);
    const bool queued = std::any_of(messages_.begin(), messages_.end(), [&](const UIUPDATE_MSG& m) {
        return m.code == code && (coalesce != 0 || m.param == param);
    });
    if (!queued) messages_.push_back({code, param});
    return S_OK;
}
