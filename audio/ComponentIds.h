#pragma once
// Class ids of the two decoder components and the interface of the Windows Media tag editor.
// The components are built against this header; the loader maps the class ids to file names.

#include <cstdint>

#include "platform/Bstr.h"
#include "platform/ComTypes.h"

// {34649628-9E4F-4F98-8BDF-3C9BEAF97910}: MP3 decoder, served by Vellmp3.so
inline constexpr CLSID CLSID_Mp3Decoder = {0x34649628, 0x9E4F, 0x4F98,
                                           {0x8B, 0xDF, 0x3C, 0x9B, 0xEA, 0xF9, 0x79, 0x10}};
// {A9F41E2D-C8C7-456F-BB11-BA12C52893AB}: Windows Media decoder, served by Vellwma.so
inline constexpr CLSID CLSID_WmaDecoder = {0xA9F41E2D, 0xC8C7, 0x456F,
                                           {0xBB, 0x11, 0xBA, 0x12, 0xC5, 0x28, 0x93, 0xAB}};
// {60B5A344-A30E-4DB7-847B-51AF48CADD50}: tag interface, queried from the Windows Media reader
inline constexpr IID IID_ITrackTagEditor = {0x60B5A344, 0xA30E, 0x4DB7,
                                            {0x84, 0x7B, 0x51, 0xAF, 0x48, 0xCA, 0xDD, 0x50}};

// Field identifiers shared by the catalog entry, the list columns, the text export, the ID3
// frame map and the Windows Media component.
enum FieldId : std::int32_t {
    kFieldTitle = 1,
    kFieldAlbum = 2,
    kFieldArtist = 3,
    kFieldPath = 4,
    kFieldYear = 5,
    kFieldGenre = 6,
    kFieldBpm = 256,
    kFieldKey = 257,  // the musical key, in the standard notation ("Am", "Eb")
};

// Reads and writes a track's descriptive fields by field id.
class ITrackTagEditor : public IUnknown {
public:
    // Slot 3. The field's text as a new BSTR; S_OK, or E_FAIL when the file has no such value.
    virtual HRESULT GetValue(std::int32_t fieldId, BSTR* value) = 0;
    // Slot 4. Stores the field's text in the file opened with OpenForEdit; S_OK or E_FAIL.
    virtual HRESULT SetValue(std::int32_t fieldId, BSTR value) = 0;
    // Slot 5. Opens a file for editing its tags; S_OK or E_FAIL.
    virtual HRESULT OpenForEdit(BSTR path) = 0;

protected:
    ~ITrackTagEditor() = default;
};
