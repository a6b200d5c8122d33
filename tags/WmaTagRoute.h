#pragma once
// Reaching the tag interface of the Windows Media decoder component for one file. The caller
// initialises COM on its thread for as long as it uses the interface.

#include "audio/ComponentIds.h"
#include "core/UnknownStandAlone.h"
#include "platform/Text.h"

// Creates the component's object, opens the file for tag access (mode 0) and queries the tag
// interface. Null when the component cannot be created or the interface is not offered; a file
// whose audio cannot be opened still has its tags read.
ComPtr<ITrackTagEditor> OpenWmaTagsForReading(const WString& path);

// Creates the component's object and queries the tag interface, without opening the file (the
// caller opens it for editing). Null when the component or the interface is missing.
ComPtr<ITrackTagEditor> CreateWmaTagEditor();

// True when `text` for the field is the title made from the file name while the file, opened
// for editing in `editor`, holds a title of its own: the import did not read that title, and
// the write-back must not replace it with the stand-in.
bool IsFileNameStandIn(ITrackTagEditor& editor, const WString& path, std::int32_t fieldId,
                       const WString& text);
