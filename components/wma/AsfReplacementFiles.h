#pragma once
// The replacement files that a store writes beside an ASF file ("<name>.XXXXXX.WM~", never an
// importable extension), and the removal of those that a killed store left behind.
//
// A store keeps an exclusive lock on its replacement file for as long as the file exists, so a
// replacement file is provably a leftover when it has our name pattern, belongs to us, holds
// nothing or an ASF file, is not locked, and has not been touched for a while (a store that has
// just created its file may not hold the lock yet).

#include <string>

// The template for mkstemps: the target's path, ".XXXXXX", then the suffix.
std::string ReplacementTemplate(const std::string& target);
// Length of the suffix after the six template characters.
int ReplacementSuffixLength();

// Removes the leftover replacement files of `target` (a resolved path) from its folder.
// Returns how many were removed.
int RemoveStaleReplacements(const std::string& target);
