#pragma once
// Tag write-back: stores an entry's title, artist and BPM texts in its file's own tag after an
// analysis. MP3 files get an ID3v2.3 tag; Windows Media files are updated through the Windows
// Media component. A file that is in use, read-only or gone is never touched.

#include <cstdint>
#include <string_view>

#include "platform/ComTypes.h"
#include "platform/Text.h"
#include "tags/TagWriteOutcome.h"

class ITrackFields;
class CID3Tag;

// Writes the entry's non-empty title, artist and BPM texts (as the entry renders them) into its
// file, holding the entry's lock throughout. Results: S_FALSE when the file cannot be opened
// exclusively. MP3: S_OK when the tag was saved or nothing needed saving, S_FALSE when saving
// failed, E_FAIL when the file could not be read. Windows Media: S_OK when at least one field
// was stored, S_FALSE otherwise. Other extensions: E_FAIL, nothing written. The outcome, with the
// reason when the tag was not written, is recorded on the entry (SetTagWriteOutcome). An MP3
// file that is not the file the analysis opened (GetAnalysedFile) is not written.
HRESULT WriteTrackTags(ITrackFields& entry);

// True for the kinds of file that carry a tag of ours (MP3 and Windows Media, by extension);
// a WAVE file is never written.
bool TakesTrackTags(const WString& path);

// Written when the file can be opened for reading and writing, is not marked read-only (no write
// permission for anyone) and no other process has it open; otherwise the reason (FileReplaced,
// ReadOnly, InUse). Whether another process has the file open is asked of the kernel through a
// write lease; where leases are not available, an exclusive lock held by another program is
// taken as the sign of use. The file is closed again at once.
TagWriteOutcome CheckWritable(const WString& path);
bool CanOpenExclusive(const WString& path);

// Sets the frame that carries `fieldId` (title, artist or BPM) to `text`. True when the field
// has a frame; false (tag unchanged) for any other field.
bool SetFieldFrame(CID3Tag& tag, std::int32_t fieldId, std::u16string_view text);
