#pragma once
// Opens a music file as a PCM source chosen by what the file is (AudioContainer.h: its content,
// else its extension): WAVE with the system's own reader, MP3 and Windows Media through the
// decoder components. A WAVE file named ".mp3" is read as the WAVE file it is.

#include <cstdint>

#include "audio/PcmReader.h"
#include "platform/Text.h"

// On success `*source` holds an open, usable source (GetStatus 0) with one reference, and the
// result is S_OK. Any other kind of file, a component that cannot be created, or a file that does
// not open: E_FAIL and `*source` untouched (a created source that did not open is closed and
// released).
HRESULT OpenPcmSource(const WString& path, std::int32_t mode, IPcmReader** source);
