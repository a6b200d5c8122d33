#pragma once
// The text form of a tempo, as tags carry it and the catalog shows it.

#include <string_view>

#include "platform/Text.h"

// "" for 0, else the BPM rounded once to two decimals with a "." always (127.996 and 128 give
// "128.00", 131.99 gives "131.99").
WString FormatBpmText(float bpm);

// Reads the leading decimal number of a BPM text in the C locale (as the standard wide-string
// to floating-point conversion does: leading white space, sign, digits, point, exponent); 0 when
// the text does not start with a number.
double ParseBpmNumber(std::u16string_view text);
