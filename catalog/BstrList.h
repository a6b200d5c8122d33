#pragma once
// A reference-counted list of strings, used to carry dropped or dragged paths.

#include <cstdint>
#include <vector>

#include "core/UnknownStandAlone.h"
#include "platform/Bstr.h"

// {3C1E9A62-5B7D-4F0E-9A21-6D8B4C2E7F31}
inline constexpr IID IID_IBstrList = {0x3C1E9A62, 0x5B7D, 0x4F0E,
                                      {0x9A, 0x21, 0x6D, 0x8B, 0x4C, 0x2E, 0x7F, 0x31}};

class IBstrList : public IUnknown {
public:
    // Slot 3. A new copy of string `index` (the caller frees it): S_OK, or S_FALSE out of range.
    virtual HRESULT GetString(std::int32_t index, BSTR* text) = 0;
    // Slot 4. Appends a copy of `text`: S_OK.
    virtual HRESULT AddString(BSTR text) = 0;

protected:
    ~IBstrList() = default;
};

class CFileList : public TUnknown<IBstrList> {
public:
    HRESULT OwnQueryInterface(REFIID iid, void** out) override;
    HRESULT GetString(std::int32_t index, BSTR* text) override;
    HRESULT AddString(BSTR text) override;

    // False when `index` is out of range.
    bool GetAt(std::int32_t index, WString& text) const;
    std::int32_t Count() const { return static_cast<std::int32_t>(paths_.size()); }
    void Add(const WString& text) { paths_.push_back(text); }
    const std::vector<WString>& Paths() const { return paths_; }

private:
    ~CFileList() override = default;
    std::vector<WString> paths_;
};
