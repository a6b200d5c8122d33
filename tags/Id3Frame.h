#pragma once
// One ID3v2 frame, held in ID3v2.3 layout: a 10-byte header (ID, body size, status flags, format
// flags) and the body freed of unsynchronisation. Frames that the system does not change are
// written back exactly as they were read.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/ComTypes.h"
#include "platform/Text.h"

inline constexpr std::size_t kFrameHeaderSize = 10;
inline constexpr std::size_t kFrameIdSize = 4;

// ID3v2.3 frame flags.
inline constexpr std::uint8_t kStatusTagAlterDiscard = 0x80;
inline constexpr std::uint8_t kStatusFileAlterDiscard = 0x40;
inline constexpr std::uint8_t kStatusReadOnly = 0x20;
inline constexpr std::uint8_t kFormatCompressed = 0x80;
inline constexpr std::uint8_t kFormatEncrypted = 0x40;
inline constexpr std::uint8_t kFormatGrouped = 0x20;
// Per-frame unsynchronisation, as some writers mark it; cleared once the body is resynchronised.
inline constexpr std::uint8_t kFormatUnsynchronised = 0x02;

class CID3Frame {
public:
    // A frame with an all-zero header and an empty body.
    CID3Frame();
    // A frame with the given 10-byte header and an empty body.
    explicit CID3Frame(const std::uint8_t* header);
    virtual ~CID3Frame();
    CID3Frame(const CID3Frame&) = delete;
    CID3Frame& operator=(const CID3Frame&) = delete;

    std::string_view Id() const;
    // Sets the ID from up to 4 characters (the rest of the field stays 0).
    void SetId(std::string_view id);
    bool HasId(std::string_view id) const { return Id() == id; }
    std::uint8_t StatusFlags() const { return header_[8]; }
    std::uint8_t FormatFlags() const { return header_[9]; }
    void SetFlags(std::uint8_t status, std::uint8_t format);

    const std::vector<std::uint8_t>& Body() const { return body_; }
    std::vector<std::uint8_t>& Body() { return body_; }

    // The header as written: ID, the current body length as big-endian 32-bit, the flags.
    void SerialiseHeader(std::uint8_t* out) const;

    // Decodes the frame's text: the bytes after the encoding byte (for "COMM" after the encoding
    // byte and the 3-byte language, and of the result only what follows the description's NUL).
    // S_OK and the text (NULs kept); E_FAIL for an empty body, a compressed or encrypted frame,
    // or text that cannot be decoded.
    HRESULT GetText(WString& text) const;

    // For "COMM": true when the language is "eng" and the description decodes to nothing.
    bool IsEnglishCommentWithoutDescription() const;

    // Replaces the body with `text` in encoding 1 (byte-order mark FF FE, UTF-16 little-endian,
    // 00 00 terminator); "COMM" frames get the language "eng" and an empty description first.
    // The format flags are cleared, since the new body is neither compressed, encrypted nor
    // grouped. Returns S_OK.
    HRESULT SetText(std::u16string_view text);

    // Rewrites an ID3v2.2 picture body (encoding, 3-byte format, type, description, data) in
    // APIC layout (encoding, MIME string, NUL, type, description, data). Bodies shorter than 16
    // bytes are left unchanged.
    void ConvertPicToApic();

private:
    // The bytes before the text: the group byte of a grouped frame.
    std::size_t TextStart() const;

    std::uint8_t header_[kFrameHeaderSize];
    std::vector<std::uint8_t> body_;
};
