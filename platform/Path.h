#pragma once
// Path text rules shared by the catalog, the tag import and the source opening. The separator
// is "/".

#include "platform/Text.h"

// The text after the last "." when that dot stands after the last "/", lower-cased (ASCII);
// empty when there is no such dot.
WString PathExtension(std::u16string_view path);

// Joins a folder and a name with "/" (none added when the folder is empty or ends in one).
WString JoinPath(const WString& directory, const WString& name);
