#pragma once
// The descriptive fields of an ASF (Windows Media) file, read and written with TagLib.
//
// Field ids: 1 title and 3 artist (the content description's Title and Author, and any copies
// of them among the extended attributes, which are kept equal), 2 album (WM/AlbumTitle), 5 year
// (WM/Year), 6 genre (WM/Genre), 256 tempo (WM/BeatsPerMinute, written as text so that a
// fractional tempo survives; numeric attributes are read as decimal text). Attribute names are
// matched in any letter case.
//
// Only the header object is rewritten; the audio data that follows it stays byte for byte. A
// store goes to a copy of the file beside it, which replaces the original only once it is
// complete and flushed, so that an interrupted store leaves the original as it was. Where no
// copy can be made (the folder is not writable, the file has other hard links) the header is
// rewritten in place, with the original kept in memory until the save has held up.
//
// Nothing is written into a file whose header is implausible (AsfHeaderLayout.h), and a save
// counts only when the saved file holds the text, keeps its audio byte for byte and still
// decodes; otherwise the original stays or is put back. Every save also stores the file's new
// length in its file properties object, so that readers keep believing its announced duration.

#include <cstdint>
#include <string>

#include "platform/ComTypes.h"

// Reads one field. S_OK with the text; E_FAIL when the file cannot be read as ASF or holds no
// non-empty value for the field; E_INVALIDARG for a field id without an ASF attribute.
HRESULT ReadAsfField(const std::string& path, std::int32_t fieldId, std::u16string* text);

// Stores one field (an empty text removes it). S_OK when the file holds the text afterwards
// (also when it already did, in which case nothing is written); E_FAIL when the file cannot be
// read as ASF, its header is damaged, or the save does not hold up, leaving it unchanged;
// E_INVALIDARG for an unknown field id.
HRESULT WriteAsfField(const std::string& path, std::int32_t fieldId, const std::u16string& text);

// True when `path` is an ASF file whose tag can be read and that may be written.
bool CanEditAsf(const std::string& path);

// Removes the replacement files that an earlier, killed store left beside the file behind
// `path` (AsfReplacementFiles.h).
void RemoveLeftoverReplacements(const std::string& path);
