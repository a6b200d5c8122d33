#pragma once
// What the tag import and the tag write-back need of a track: its path, its descriptive fields
// as texts (addressed by the field identifiers of audio/ComponentIds.h) and the lock that keeps
// them consistent while a whole tag is read or written. The catalog entry implements it.
//
// Not reference counted: the tag code uses a track only for the duration of one call, and the
// caller keeps it alive.

#include <cstdint>
#include <string_view>

#include "core/SingleThreadToken.h"
#include "platform/ComTypes.h"
#include "platform/Text.h"
#include "tags/FileIdentity.h"
#include "tags/TagWriteOutcome.h"

class ITrackFields {
public:
    // Slot 0. The file's path; never changes, so it is read without the lock.
    virtual const WString& GetPath() const = 0;
    // Slot 1. True and the field's text for a field the track keeps; false otherwise.
    virtual bool GetFieldText(std::int32_t fieldId, WString& text) = 0;
    // Slot 2. Stores a field's text read from a tag: S_OK, or E_FAIL for a field the track does
    // not keep (nothing changed).
    virtual HRESULT SetFieldText(std::int32_t fieldId, std::u16string_view text) = 0;
    // Slot 3. Stores a tempo as it stands (0 meaning none), without the text's limits.
    virtual void SetBpm(float bpm) = 0;
    // Slot 4. The lock held across several field operations that belong together.
    virtual CSingleThreadToken& Lock() = 0;
    // Slot 5. The file as it was when its analysis opened it (`known` false when it was not
    // recorded); the write-back writes only into that same, unchanged file.
    virtual FILE_IDENTITY GetAnalysedFile() = 0;
    // Slot 6. Records the outcome of a write-back: written, or why not.
    virtual void SetTagWriteOutcome(TagWriteOutcome outcome) = 0;

protected:
    ~ITrackFields() = default;
};
