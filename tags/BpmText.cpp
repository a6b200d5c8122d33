#include "tags/BpmText.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <string>

namespace {
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
                                   std::chars_format::fixed, kBpmDecimals);
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
