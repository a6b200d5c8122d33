#include "tags/TrackPath.h"

namespace {
constexpr char16_t kSeparator = u'/';
constexpr char16_t kDot = u'.';

// Position of the extension's dot, or npos when the file name has none.
std::size_t ExtensionDot(std::u16string_view path) {
    const std::size_t dot = path.rfind(kDot);
    const std::size_t slash = path.rfind(kSeparator);
    if (dot == std::u16string_view::npos) return dot;
    if (slash != std::u16string_view::npos && dot < slash) return std::u16string_view::npos;
    return dot;
}
}  // namespace

WString TitleFromFileName(std::u16string_view path) {
    std::u16string_view name = path;
    const std::size_t slash = path.rfind(kSeparator);
    if (slash != std::u16string_view::npos && slash + 1 < path.size())
        name = path.substr(slash + 1);
    const std::size_t dot = name.rfind(kDot);
    const std::size_t innerSlash = name.rfind(kSeparator);
    if (dot != std::u16string_view::npos && dot > 0 &&
        (innerSlash == std::u16string_view::npos || dot > innerSlash))
        name = name.substr(0, dot);
    // A name that is not UTF-8 is read as Windows-1252, as ANSI names are.
    return DisplayText(name);
}

WString ReplaceExtension(std::u16string_view path, std::u16string_view extension) {
    const std::size_t dot = ExtensionDot(path);
    if (dot == std::u16string_view::npos) return {};
    WString out(path.substr(0, dot + 1));
    out += extension;
    return out;
}

WString DirectoryOf(std::u16string_view path) {
    const std::size_t slash = path.rfind(kSeparator);
    if (slash == std::u16string_view::npos) return u".";
    if (slash == 0) return u"/";
    return WString(path.substr(0, slash));
}
