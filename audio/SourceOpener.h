#pragma once
// Opens a music file as a PCM source chosen by its extension: "wav" with the system's own WAVE
// reader, "mp3" and "wma" through the decoder components.

#include <cstdint>

#include "audio/PcmReader.h"
#include "platform/Text.h"

// On success `*source` holds an open, usable source (GetStatus 0) with one reference, and the
// result is S_OK. Any other extension, a component that cannot be created, or a file that does
// not open: E_FAIL and `*source` untouched (a created source that did not open is closed and
// released).
HRESULT OpenPcmSource(const WString& path, std::int32_t mode, IPcmReader** source);
