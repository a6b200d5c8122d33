#pragma once
// Reaching the tag interface of the Windows Media decoder component for one file. The caller
// initialises COM on its thread for as long as it uses the interface.

#include "audio/ComponentIds.h"
#include "core/UnknownStandAlone.h"
#include "platform/Text.h"

// Creates the component's object, opens the file for tag access (mode 0) and queries the tag
// interface. Null when the component cannot be created, the file cannot be opened or the
// interface is not offered.
ComPtr<ITrackTagEditor> OpenWmaTagsForReading(const WString& path);

// Creates the component's object and queries the tag interface, without opening the file (the
// caller opens it for editing). Null when the component or the interface is missing.
ComPtr<ITrackTagEditor> CreateWmaTagEditor();
