#pragma once
// System-allocated strings (BSTR): UTF-16 text with a 32-bit byte-length prefix before the first
// character and a terminating zero after the last. They cross every interface of the system.

#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/Text.h"

using BSTR = char16_t*;

// Allocates a copy of a zero-terminated string; null in gives null out.
BSTR SysAllocString(const char16_t* text);
// Allocates `length` code units copied from `text` (or zero-filled when `text` is null).
BSTR SysAllocStringLen(const char16_t* text, std::uint32_t length);
// Frees a string made by the functions above; null is accepted.
void SysFreeString(BSTR s);
// Length in code units (0 for null).
std::uint32_t SysStringLen(BSTR s);

// Allocates from a u16string_view; raises the system's error exception when memory runs out.
BSTR AllocBstr(std::u16string_view text);
// Copies a BSTR (null reads as empty) into a WString.
WString BstrToWString(BSTR s);

// Owns one BSTR and frees it on every path.
class CBstr {
public:
    CBstr() = default;
    explicit CBstr(std::u16string_view text) : s_(AllocBstr(text)) {}
    ~CBstr() { SysFreeString(s_); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    CBstr(CBstr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
    CBstr& operator=(CBstr&& o) noexcept {
        if (this != &o) {
            SysFreeString(s_);
            s_ = std::exchange(o.s_, nullptr);
        }
        return *this;
    }
    BSTR Get() const { return s_; }
    // Out parameter for an interface call: frees what was held first.
    BSTR* Out() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    BSTR Detach() { return std::exchange(s_, nullptr); }
    WString Str() const { return BstrToWString(s_); }
    std::uint32_t Length() const { return SysStringLen(s_); }

private:
    BSTR s_ = nullptr;
};
