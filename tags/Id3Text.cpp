#include "tags/Id3Text.h"

namespace {
constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr std::size_t kUnitBytes = 2;

WString WidenLatin1(const std::uint8_t* bytes, std::size_t count) {
    return WString(bytes, bytes + count);
}

// Appends the 16-bit units of `count` bytes (a trailing odd byte is ignored).
void AppendUnits(WString& text, const std::uint8_t* bytes, std::size_t count, bool bigEndian,
                 bool skipMarks) {
    for (std::size_t i = 0; i + 1 < count; i += kUnitBytes) {
        const auto unit = static_cast<char16_t>(bigEndian ? (bytes[i] << 8) | bytes[i + 1]
                                                          : (bytes[i + 1] << 8) | bytes[i]);
        if (skipMarks && unit == kByteOrderMark) continue;
        text.push_back(unit);
    }
}
}  // namespace

WString DecodeUtf8OrLatin1(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return Utf8ToUtf16(bytes);
    return WidenLatin1(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

bool DecodeId3Text(std::uint8_t encoding, const std::uint8_t* bytes, std::size_t count,
                   WString& text) {
    text.clear();
    switch (encoding) {
        case kEncodingLatin1:
            text = WidenLatin1(bytes, count);
            return true;
        case kEncodingUtf16Bom: {
            // Without a mark the units are little-endian, as the writers that omit it use.
            bool bigEndian = false;
            std::size_t start = 0;
            if (count >= kUnitBytes && bytes[0] == 0xFE && bytes[1] == 0xFF) {
                bigEndian = true;
                start = kUnitBytes;
            } else if (count >= kUnitBytes && bytes[0] == 0xFF && bytes[1] == 0xFE) {
                start = kUnitBytes;
            }
            AppendUnits(text, bytes + start, count - start, bigEndian, true);
            return true;
        }
        case kEncodingUtf16BigEndian:
            AppendUnits(text, bytes, count, true, false);
            return true;
        case kEncodingUtf8: {
            // Each NUL-separated piece on its own, so that junk after a terminator cannot turn
            // the valid text before it into single bytes.
            const std::string_view all(reinterpret_cast<const char*>(bytes), count);
            std::size_t start = 0;
            while (true) {
                const std::size_t nul = all.find('\0', start);
                text += DecodeUtf8OrLatin1(all.substr(start, nul - start));
                if (nul == std::string_view::npos) break;
                text.push_back(u'\0');
                start = nul + 1;
            }
            return true;
        }
        default:
            AppendUnits(text, bytes, count, false, false);
            return true;
    }
}

void AppendUtf16WithBom(std::vector<std::uint8_t>& out, std::u16string_view text,
                        bool terminate) {
    out.push_back(0xFF);
    out.push_back(0xFE);
    for (const char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    if (!terminate) return;
    out.push_back(0x00);
    out.push_back(0x00);
}
