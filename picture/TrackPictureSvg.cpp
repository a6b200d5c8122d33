#include "picture/TrackPictureSvg.h"

#include <algorithm>
#include <cstdio>

#include "picture/PicturePalette.h"

namespace {

struct MarkClass {
    PictureMarkKind kind;
    const char* name;
};
constexpr MarkClass kMarkClasses[] = {
    {PictureMarkKind::Beat, "beat"},
    {PictureMarkKind::Bar, "bar"},
    {PictureMarkKind::Section, "section"},
    {PictureMarkKind::AudioStart, "audio-start"},
    {PictureMarkKind::AudioEnd, "audio-end"},
};
// Caption: font size and its baseline, in logical pixels.
constexpr double kCaptionSize = 11.0;
constexpr double kCaptionInset = 4.0;

const char* ClassOf(PictureMarkKind kind) {
    for (const MarkClass& c : kMarkClasses)
        if (c.kind == kind) return c.name;
    return "mark";
}

void AppendNumber(std::string& out, double value) {
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%.2f", value);
    // Trailing zeros only cost bytes: "12.50" is written "12.5", "12.00" "12".
    std::string_view digits(text, static_cast<size_t>(n));
    while (digits.back() == '0') digits.remove_suffix(1);
    if (digits.back() == '.') digits.remove_suffix(1);
    out += digits == "-0" ? "0" : digits;
}

std::string Colour(std::uint32_t argb) {
    char text[48];
    std::snprintf(text, sizeof text, "rgba(%u,%u,%u,%.3f)", (argb >> 16) & 0xFFu,
                  (argb >> 8) & 0xFFu, argb & 0xFFu, ((argb >> 24) & 0xFFu) / 255.0);
    return text;
}

// The rules of one palette: fills, strokes, widths and dashes per class.
std::string StyleRules(const PicturePalette& palette) {
    std::string css;
    css += ".background{fill:" + Colour(palette.background) + "}";
    css += ".span{fill:" + Colour(palette.span) + "}";
    css += ".wave{fill:" + Colour(palette.waveform) + "}";
    css += ".centre{stroke:" + Colour(palette.centreLine) + ";stroke-width:1}";
    // A halo of the background keeps the caption readable over the waveform.
    css += ".caption{fill:" + Colour(palette.text) + ";stroke:" + Colour(palette.background) +
           ";stroke-width:3;stroke-linejoin:round;paint-order:stroke}";
    for (const MarkClass& c : kMarkClasses) {
        const PictureMarkStyle style = PictureMarkStyleFor(c.kind, palette);
        css += std::string(".") + c.name + "{stroke:" + Colour(style.colour) + ";stroke-width:";
        AppendNumber(css, style.width);
        if (style.dash > 0.0f) {
            css += ";stroke-dasharray:";
            AppendNumber(css, style.dash);
            css += ' ';
            AppendNumber(css, style.gap);
        }
        css += '}';
    }
    return css;
}

std::string StyleSheet(PictureTheme theme) {
    if (theme == PictureTheme::Dark) return StyleRules(PicturePaletteFor(true));
    std::string css = StyleRules(PicturePaletteFor(false));
    if (theme == PictureTheme::Auto)
        css += "@media (prefers-color-scheme: dark){" + StyleRules(PicturePaletteFor(true)) + "}";
    return css;
}

std::string EscapeXml(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            // Control characters other than tab are not allowed in XML at all.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

// The waveform as one closed outline: along the tops of the columns, then back along their
// mirrored bottoms.
void AppendWave(std::string& svg, const TrackPicture& picture) {
    const double middle = picture.height / 2.0;
    svg += "<path class=\"wave\" d=\"M0 ";
    AppendNumber(svg, middle);
    auto point = [&](double x, double y) {
        svg += 'L';
        AppendNumber(svg, x);
        svg += ' ';
        AppendNumber(svg, y);
    };
    const auto columns = static_cast<int>(picture.levels.size());
    for (int c = 0; c < columns; ++c) {
        const double y = middle - std::clamp(picture.levels[c], 0.0f, 1.0f) * middle;
        point(c, y);
        point(c + 1, y);
    }
    for (int c = columns - 1; c >= 0; --c) {
        const double y = middle + std::clamp(picture.levels[c], 0.0f, 1.0f) * middle;
        point(c + 1, y);
        point(c, y);
    }
    svg += "Z\"/>\n";
}

}  // namespace

std::string WriteTrackPictureSvg(const TrackPicture& picture, const SvgPictureOptions& options) {
    const int scale = std::max(options.scale, 1);
    const std::string w = std::to_string(picture.width), h = std::to_string(picture.height);
    std::string svg;
    svg.reserve(4096 + picture.levels.size() * 40 + picture.marks.size() * 64);
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           std::to_string(picture.width * scale) + "\" height=\"" +
           std::to_string(picture.height * scale) + "\" viewBox=\"0 0 " + w + ' ' + h + "\">\n";
    svg += "<style>" + StyleSheet(options.theme) + "</style>\n";
    svg += "<rect class=\"background\" x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\"/>\n";
    for (const PictureSpan& span : picture.spans) {
        svg += "<rect class=\"span\" x=\"";
        AppendNumber(svg, span.x0);
        svg += "\" y=\"0\" width=\"";
        AppendNumber(svg, span.x1 - span.x0);
        svg += "\" height=\"" + h + "\"/>\n";
    }
    if (picture.hasWaveform) AppendWave(svg, picture);
    svg += "<line class=\"centre\" x1=\"0\" y1=\"";
    AppendNumber(svg, picture.height / 2.0);
    svg += "\" x2=\"" + w + "\" y2=\"";
    AppendNumber(svg, picture.height / 2.0);
    svg += "\"/>\n";
    for (const PictureMark& mark : picture.marks) {
        svg += std::string("<line class=\"") + ClassOf(mark.kind) + "\" x1=\"";
        AppendNumber(svg, mark.x);
        svg += "\" y1=\"0\" x2=\"";
        AppendNumber(svg, mark.x);
        svg += "\" y2=\"" + h + "\"/>\n";
    }
    if (!options.caption.empty()) {
        svg += "<text class=\"caption\" x=\"";
        AppendNumber(svg, kCaptionInset);
        svg += "\" y=\"";
        AppendNumber(svg, kCaptionInset + kCaptionSize);
        svg += "\" font-family=\"sans-serif\" font-size=\"";
        AppendNumber(svg, kCaptionSize);
        svg += "\">" + EscapeXml(options.caption) + "</text>\n";
    }
    svg += "</svg>\n";
    return svg;
}
