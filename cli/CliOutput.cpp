#include "cli/CliOutput.h"

#include <algorithm>

#include "platform/Text.h"

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    // Bytes that are not valid UTF-8 (in file names) are read as Windows-1252, so the output is
    // valid Unicode JSON with no lone surrogate.
    const WString w = DisplayText(Utf8ToUtf16(text));
    for (size_t i = 0; i < w.size(); ++i) {
        const char16_t u = w[i];
        const bool pair = u >= 0xD800 && u <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 &&
                          w[i + 1] <= 0xDFFF;
        if (pair) {
            out += Utf16ToUtf8(std::u16string_view(w).substr(i, 2));
            ++i;
        } else if (u == u'"') {
            out += "\\\"";
        } else if (u == u'\\') {
            out += "\\\\";
        } else if (u < 0x20 || (u >= 0xD800 && u <= 0xDFFF)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(u));
            out += buf;
        } else {
            out += Utf16ToUtf8(std::u16string_view(&w[i], 1));
        }
    }
    return out + "\"";
}

namespace {

// Display width of UTF-8 text: one column per code point (good enough for aligned columns).
size_t Width(const std::string& s) {
    return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Text from tags and file names as a table or TSV shows it: a control character would split a
// line, shift a column or reach the terminal as an escape sequence, so each becomes a space.
std::string Shown(const std::string& text) { return Utf16ToUtf8(ControlsAsSpaces(Utf8ToUtf16(text))); }

void PrintPadded(std::FILE* out, const std::string& s, size_t width) {
    std::fputs(s.c_str(), out);
    for (size_t w = Width(s); w < width; ++w) std::fputc(' ', out);
}

}  // namespace

void PrintRows(std::FILE* out, OutputFormat format, const std::vector<CliRow>& rows) {
    switch (format) {
        case OutputFormat::Table: {
            size_t titleWidth = 5, artistWidth = 6;
            for (const auto& r : rows) {
                titleWidth = std::max(titleWidth, Width(Shown(r.title)));
                artistWidth = std::max(artistWidth, Width(Shown(r.artist)));
            }
            PrintPadded(out, "TITLE", titleWidth + 2);
            PrintPadded(out, "ARTIST", artistWidth + 2);
            std::fputs("   BPM  KEY\n", out);
            for (const auto& r : rows) {
                PrintPadded(out, Shown(r.title), titleWidth + 2);
                PrintPadded(out, Shown(r.artist), artistWidth + 2);
                std::fprintf(out, "%6s  %s\n", r.bpm.c_str(), r.key.c_str());
            }
            break;
        }
        case OutputFormat::Tsv:
            std::fputs("path\ttitle\tartist\tbpm\tkey\n", out);
            for (const auto& r : rows)
                std::fprintf(out, "%s\t%s\t%s\t%s\t%s\n", Shown(r.path).c_str(),
                             Shown(r.title).c_str(), Shown(r.artist).c_str(), r.bpm.c_str(),
                             r.key.c_str());
            break;
        case OutputFormat::Json:
            std::fputs("[", out);
            for (size_t i = 0; i < rows.size(); ++i) {
                const auto& r = rows[i];
                std::fprintf(out, "%s\n  {\"path\": %s, \"title\": %s, \"artist\": %s, \"bpm\": %s, "
                                  "\"key\": %s, \"analysed\": %s, \"written\": %s, \"source\": %s}",
                             i ? "," : "", JsonString(r.path).c_str(), JsonString(r.title).c_str(),
                             JsonString(r.artist).c_str(), r.bpm.empty() ? "null" : r.bpm.c_str(),
                             r.key.empty() ? "null" : JsonString(r.key).c_str(),
                             r.analysed ? "true" : "false", r.written ? "true" : "false",
                             r.source.empty() ? "null" : JsonString(r.source).c_str());
            }
            std::fputs(rows.empty() ? "]\n" : "\n]\n", out);
            break;
    }
}
