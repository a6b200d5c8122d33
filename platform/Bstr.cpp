#include "platform/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/SystemError.h"

namespace {
// The prefix holds the byte length; the allocation starts there.
constexpr size_t kPrefix = sizeof(std::uint32_t);

std::uint32_t* PrefixOf(BSTR s) {
    return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(s) - kPrefix);
}
}  // namespace

BSTR SysAllocStringLen(const char16_t* text, std::uint32_t length) {
    if (length > (std::numeric_limits<std::uint32_t>::max() - kPrefix) / 2 - 1) return nullptr;
    const size_t bytes = size_t{length} * sizeof(char16_t);
    auto* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(char16_t)));
    if (!block) return nullptr;
    const auto byteLength = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &byteLength, kPrefix);
    auto* s = reinterpret_cast<BSTR>(block + kPrefix);
    if (text)
        std::memcpy(s, text, bytes);
    else
        std::memset(s, 0, bytes);
    s[length] = 0;
    return s;
}

BSTR SysAllocString(const char16_t* text) {
    if (!text) return nullptr;
    return SysAllocStringLen(text, static_cast<std::uint32_t>(std::char_traits<char16_t>::length(text)));
}

void SysFreeString(BSTR s) {
    if (s) std::free(PrefixOf(s));
}

std::uint32_t SysStringLen(BSTR s) {
    if (!s) return 0;
    std::uint32_t bytes;
    std::memcpy(&bytes, PrefixOf(s), kPrefix);
    return bytes / sizeof(char16_t);
}

BSTR AllocBstr(std::u16string_view text) {
    return ThrowIfNull(SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size())));
}

WString BstrToWString(BSTR s) { return s ? WString(s, SysStringLen(s)) : WString(); }
