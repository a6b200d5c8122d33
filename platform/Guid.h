#pragma once
// Text form of GUIDs: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".

#include <optional>
#include <string>
#include <string_view>

#include "platform/ComTypes.h"

// Parses the registry form, braces optional, hex digits in either case. Anything else: nullopt.
std::optional<GUID> ParseGuid(std::string_view text);

// Formats with braces and upper-case hex digits.
std::string FormatGuid(const GUID& guid);

// Orders GUIDs by their bytes in registry order, for use as map keys.
bool GuidLess(const GUID& a, const GUID& b);
