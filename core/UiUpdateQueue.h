#pragma once
// The queue through which worker threads tell the user interface what changed. Workers post
// (code, parameter) pairs; the main frame pops them on its timer.

#include <cstdint>
#include <vector>

#include "core/SingleThreadToken.h"
#include "core/UnknownStandAlone.h"

// Message codes: the one definition that the build manager posts and the desktop and the
// command line read.
constexpr std::int32_t kUiMsgQueueEmpty = 19;      // parameter 0: the build queue is empty
constexpr std::int32_t kUiMsgProfileBuilt = 21;    // parameter: item id
constexpr std::int32_t kUiMsgProgressBase = 1000;  // + percent (0..100); parameter: item id
constexpr int kUiMsgProgressMax = 100;

// The code of a build progress message: 1000 + percent, the percent taken modulo 256.
constexpr std::int32_t UiProgressCode(int percent) {
    return kUiMsgProgressBase + percent % 256;
}

// True and the percent (0..100) when `code` is a build progress message.
constexpr bool IsUiProgressCode(std::int32_t code, int& percent) {
    if (code < kUiMsgProgressBase || code > kUiMsgProgressBase + kUiMsgProgressMax) return false;
    percent = code - kUiMsgProgressBase;
    return true;
}

struct UIUPDATE_MSG {
    std::int32_t code;
    std::int32_t param;
};

// {5BB60D1D-582D-4960-A76F-325F9D5A0018}
inline constexpr IID IID_IUiUpdateQueue = {0x5BB60D1D, 0x582D, 0x4960,
                                           {0xA7, 0x6F, 0x32, 0x5F, 0x9D, 0x5A, 0x00, 0x18}};

class IUiUpdateQueue : public IUnknown {
public:
    // Removes the oldest message: S_OK, or S_FALSE (outputs untouched) when the queue is empty.
    virtual HRESULT PopUpdate(std::int32_t* code, std::int32_t* param) = 0;
    // Appends unless an equal message is queued: with `coalesce` non-zero any queued message of
    // the same code counts as equal, with 0 only one with the same code and parameter. S_OK.
    virtual HRESULT PostUpdate(std::int32_t code, std::int32_t param, std::int32_t coalesce) = 0;

protected:
    ~IUiUpdateQueue() = default;
};

class CUiUpdateQueue : public TUnknown<IUiUpdateQueue> {
public:
    HRESULT OwnQueryInterface(REFIID iid, void** out) override;
    HRESULT PopUpdate(std::int32_t* code, std::int32_t* param) override;
    HRESULT PostUpdate(std::int32_t code, std::int32_t param, std::int32_t coalesce) override;

private:
    ~CUiUpdateQueue() override = default;
    std::vector<UIUPDATE_MSG> messages_;  // oldest first
    CSingleThreadToken lock_;
};
