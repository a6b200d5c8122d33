#pragma once
// The parts of a track's path that the tag code needs. Paths use "/" as the separator.

#include <string_view>

#include "platform/Path.h"
#include "platform/Text.h"

// The title made from a file name: the text after the last "/" (the whole path when there is
// none or when it is the last character), cut at its last "." unless that "." is the name's
// first character. "/music/Artist - Song.mp3" gives "Artist - Song"; "/music/.mp3" gives ".mp3".
// Bytes of the name that are not UTF-8 are read as Windows-1252 (DisplayText).
WString TitleFromFileName(std::u16string_view path);

// The path with the text after its last "." replaced by `extension`, in the same directory;
// empty when the file name has no extension.
WString ReplaceExtension(std::u16string_view path, std::u16string_view extension);

// The folder part of a path (before the last "/"), or "." when there is none.
WString DirectoryOf(std::u16string_view path);
