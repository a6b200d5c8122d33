#pragma once
// The system's UTF-16 text and Qt's QString hold the same code units; these convert between them
// without any decoding, so lone surrogates (file names that were not valid UTF-8) survive.

#include <QString>
#include <string_view>

#include "platform/Text.h"

inline QString ToQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline WString ToWString(const QString& text) {
    return WString(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}
