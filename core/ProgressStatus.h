#pragma once
// The progress record that a long operation (the import) shares with its progress dialog.

#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/SingleThreadToken.h"
#include "core/UnknownStandAlone.h"
#include "platform/Bstr.h"

// {9E0B6F5C-27D4-4B41-9C6A-3F1D2E8B7A10}: used only where a caller asks for the interface by id;
// the record itself answers no id (holders keep the pointer they were given).
inline constexpr IID IID_IProgressStatus = {0x9E0B6F5C, 0x27D4, 0x4B41,
                                            {0x9C, 0x6A, 0x3F, 0x1D, 0x2E, 0x8B, 0x7A, 0x10}};

class IProgressStatus : public IUnknown {
public:
    virtual HRESULT GetText(BSTR* text) = 0;          // copy of the status text
    virtual HRESULT GetProgress(float* progress) = 0;
    virtual HRESULT IsDone() = 0;                     // E_FAIL failed, S_OK done, S_FALSE not yet
    virtual HRESULT IsCancelRequested() = 0;          // S_OK requested, S_FALSE not
    virtual HRESULT RequestCancel() = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT SetProgress(float progress) = 0;
    virtual HRESULT SetText(const char16_t* text) = 0;  // null sets an empty text
    virtual HRESULT SetFailed(HRESULT code) = 0;
    virtual HRESULT GetError(HRESULT* code) = 0;
    virtual HRESULT SetDone() = 0;
    // Items the operation had to leave out: the path and why. Kept until the next Reset.
    virtual HRESULT AddSkipped(const char16_t* path, const char16_t* reason) = 0;
    virtual HRESULT GetSkippedCount(std::uint32_t* count) = 0;
    // S_FALSE when the index is out of range (nothing returned).
    virtual HRESULT GetSkipped(std::uint32_t index, BSTR* path, BSTR* reason) = 0;

protected:
    ~IProgressStatus() = default;
};

class CProgressStatus : public TUnknown<IProgressStatus> {
public:
    HRESULT GetText(BSTR* text) override;
    HRESULT GetProgress(float* progress) override;
    HRESULT IsDone() override;
    HRESULT IsCancelRequested() override;
    HRESULT RequestCancel() override;
    HRESULT Reset() override;
    HRESULT SetProgress(float progress) override;
    HRESULT SetText(const char16_t* text) override;
    HRESULT SetFailed(HRESULT code) override;
    HRESULT GetError(HRESULT* code) override;
    HRESULT SetDone() override;
    HRESULT AddSkipped(const char16_t* path, const char16_t* reason) override;
    HRESULT GetSkippedCount(std::uint32_t* count) override;
    HRESULT GetSkipped(std::uint32_t index, BSTR* path, BSTR* reason) override;

private:
    ~CProgressStatus() override = default;
    // The flags are single words written without the lock.
    std::atomic<std::int32_t> cancelRequested_{0};
    std::atomic<std::int32_t> done_{0};
    std::atomic<std::int32_t> failed_{0};
    std::atomic<HRESULT> error_{S_OK};
    float progress_ = 0.0f;  // guarded by lock_, with text_
    WString text_;
    std::vector<std::pair<WString, WString>> skipped_;  // guarded by lock_
    CSingleThreadToken lock_;
};
