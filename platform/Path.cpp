#include "platform/Path.h"

WString PathExtension(std::u16string_view path) {
    const auto dot = path.rfind(u'.');
    if (dot == std::u16string_view::npos) return {};
    const auto slash = path.rfind(u'/');
    if (slash != std::u16string_view::npos && slash > dot) return {};
    return AsciiLower(path.substr(dot + 1));
}

WString JoinPath(const WString& directory, const WString& name) {
    WString path = directory;
    if (!path.empty() && path.back() != u'/') path += u'/';
    return path + name;
}
