#include "tags/Id3V24Frame.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "tags/Id3Bytes.h"
#include "tags/Id3Text.h"

namespace {
// ID3v2.4 frame flags.
constexpr std::uint8_t kV24StatusTagAlter = 0x40;
constexpr std::uint8_t kV24StatusFileAlter = 0x20;
constexpr std::uint8_t kV24StatusReadOnly = 0x10;
constexpr std::uint8_t kV24FormatGrouped = 0x40;
constexpr std::uint8_t kV24FormatCompressed = 0x08;
constexpr std::uint8_t kV24FormatEncrypted = 0x04;
constexpr std::uint8_t kV24FormatUnsynchronised = 0x02;
constexpr std::uint8_t kV24FormatDataLength = 0x01;
constexpr std::size_t kDataLengthSize = 4;

using Bytes = std::vector<std::uint8_t>;

// Field layouts of the frames that carry an encoding byte, after that byte:
//   digit  that many fixed bytes          a  ISO-8859-1 string with its NUL
//   s      encoded string with its NUL    S  encoded strings up to the end
//   B      bytes up to the end            Y  synchronised lyrics entries up to the end
struct FRAME_LAYOUT {
    const char* id;
    const char* fields;
};
constexpr FRAME_LAYOUT kLayouts[] = {
    {"TXXX", "S"},    {"WXXX", "sB"},   {"COMM", "3sS"}, {"USLT", "3sS"},      {"USER", "3S"},
    {"SYLT", "311sY"}, {"APIC", "a1sB"}, {"GEOB", "assB"}, {"OWNE", "a8S"}, {"COMR", "a8a1ssaB"},
};
constexpr const char* kTextFrameLayout = "S";
constexpr std::size_t kSyncedLyricsStampSize = 4;

const char* LayoutOf(std::string_view id) {
    for (const auto& layout : kLayouts)
        if (id == layout.id) return layout.fields;
    if (id.size() == kFrameIdSize && id[0] == 'T') return kTextFrameLayout;
    return nullptr;
}

// Walks frame content in UTF-8 (encoding 3) or UTF-16 big-endian without marks (encoding 2),
// the encodings v2.3 does not have, field by field and writes every string as UTF-16 with its
// byte-order mark.
class CTextTranscoder {
public:
    CTextTranscoder(std::uint8_t encoding, const std::uint8_t* data, std::size_t size, Bytes& out)
        : wide_(encoding == kEncodingUtf16BigEndian), data_(data), size_(size), out_(out) {}

    bool Run(const char* fields) {
        for (const char* f = fields; *f; ++f) {
            bool ok = true;
            switch (*f) {
                case 'a': ok = CopyLatin1String(); break;
                case 's': ok = EncodeString(); break;
                case 'S': EncodeStringsToEnd(); break;
                case 'B': Copy(size_ - pos_); break;
                case 'Y':
                    while (ok && pos_ < size_)
                        ok = EncodeString() && CopyFixed(kSyncedLyricsStampSize);
                    break;
                default: ok = CopyFixed(static_cast<std::size_t>(*f - '0')); break;
            }
            if (!ok) return false;
        }
        return true;
    }

private:
    void Copy(std::size_t n) {
        out_.insert(out_.end(), data_ + pos_, data_ + pos_ + n);
        pos_ += n;
    }
    bool CopyFixed(std::size_t n) {
        if (size_ - pos_ < n) return false;
        Copy(n);
        return true;
    }
    // Length up to the next terminator (one NUL byte, or for UTF-16 a NUL unit), or npos.
    std::size_t FindTerminator() const {
        if (wide_) {
            for (std::size_t i = pos_; i + 1 < size_; i += 2)
                if (data_[i] == 0 && data_[i + 1] == 0) return i - pos_;
            return std::string_view::npos;
        }
        const void* nul = std::memchr(data_ + pos_, 0, size_ - pos_);
        return nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data_) - pos_
                   : std::string_view::npos;
    }
    std::size_t TerminatorSize() const { return wide_ ? 2 : 1; }
    std::size_t FindNul() const {
        const void* nul = std::memchr(data_ + pos_, 0, size_ - pos_);
        return nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data_) - pos_
                   : std::string_view::npos;
    }
    bool CopyLatin1String() {
        const std::size_t n = FindNul();
        if (n == std::string_view::npos) return false;
        Copy(n + 1);
        return true;
    }
    void AppendPiece(std::size_t n, bool terminate) {
        WString text;
        if (wide_) {
            DecodeId3Text(kEncodingUtf16BigEndian, data_ + pos_, n, text);
        } else {
            text = DecodeUtf8OrLatin1(std::string_view(reinterpret_cast<const char*>(data_ + pos_), n));
        }
        AppendUtf16WithBom(out_, text, terminate);
        pos_ += n + (terminate ? TerminatorSize() : 0);
    }
    bool EncodeString() {
        const std::size_t n = FindTerminator();
        if (n == std::string_view::npos) return false;
        AppendPiece(n, true);
        return true;
    }
    void EncodeStringsToEnd() {
        // An empty field is still one string, with its mark.
        if (pos_ >= size_) AppendUtf16WithBom(out_, u"", false);
        while (pos_ < size_) {
            const std::size_t n = FindTerminator();
            if (n == std::string_view::npos) {
                AppendPiece(size_ - pos_, false);
            } else {
                AppendPiece(n, true);
            }
        }
    }

    const bool wide_;
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    Bytes& out_;
};

bool IsChapterFrame(std::string_view id) { return id == "CHAP" || id == "CTOC"; }

constexpr std::size_t kChapterTimesSize = 16;  // start and end time, start and end offset

// Copies a NUL-terminated ISO-8859-1 string at `pos`; false without its terminator.
bool CopyTerminated(const std::uint8_t* data, std::size_t size, std::size_t& pos, Bytes& out) {
    if (pos >= size) return false;  // an empty body has no bytes at all, not even a pointer
    const void* nul = std::memchr(data + pos, 0, size - pos);
    if (!nul) return false;
    const auto end = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data) + 1;
    out.insert(out.end(), data + pos, data + end);
    pos = end;
    return true;
}

// A chapter (CHAP) or table of contents (CTOC) frame: its own fields are copied, and the frames
// embedded after them are converted one by one like the tag's frames. False when the frame
// cannot be walked to its end.
bool ConvertChapterFrame(const std::uint8_t* data, std::size_t size, std::string_view id,
                         Bytes& out) {
    std::size_t pos = 0;
    if (!CopyTerminated(data, size, pos, out)) return false;  // element ID
    if (id == "CHAP") {
        if (size - pos < kChapterTimesSize) return false;
        out.insert(out.end(), data + pos, data + pos + kChapterTimesSize);
        pos += kChapterTimesSize;
    } else {
        if (size - pos < 2) return false;
        const std::uint8_t entries = data[pos + 1];
        out.insert(out.end(), data + pos, data + pos + 2);  // flags, entry count
        pos += 2;
        for (std::uint8_t i = 0; i < entries; ++i)
            if (!CopyTerminated(data, size, pos, out)) return false;
    }
    while (pos < size) {
        if (size - pos < kFrameHeaderSize) break;
        const std::uint8_t* h = data + pos;
        if (h[0] == 0) break;
        const std::uint64_t bodySize = ReadSyncsafe32(h + kFrameIdSize);
        if (bodySize > size - pos - kFrameHeaderSize) return false;
        CID3Frame sub(h);
        sub.Body().assign(h + kFrameHeaderSize, h + kFrameHeaderSize + bodySize);
        if (!ConvertV24FrameToV23(sub, false)) return false;
        std::uint8_t header[kFrameHeaderSize];
        sub.SerialiseHeader(header);
        out.insert(out.end(), header, header + kFrameHeaderSize);
        out.insert(out.end(), sub.Body().begin(), sub.Body().end());
        pos += kFrameHeaderSize + static_cast<std::size_t>(bodySize);
    }
    // Only zero padding may follow the embedded frames.
    for (; pos < size; ++pos)
        if (data[pos] != 0) return false;
    return true;
}

std::uint8_t TranslateStatusFlags(std::uint8_t v24) {
    std::uint8_t v23 = 0;
    if (v24 & kV24StatusTagAlter) v23 |= kStatusTagAlterDiscard;
    if (v24 & kV24StatusFileAlter) v23 |= kStatusFileAlterDiscard;
    if (v24 & kV24StatusReadOnly) v23 |= kStatusReadOnly;
    return v23;
}

std::uint8_t TranslateFormatFlags(std::uint8_t v24) {
    std::uint8_t v23 = 0;
    if (v24 & kV24FormatCompressed) v23 |= kFormatCompressed;
    if (v24 & kV24FormatEncrypted) v23 |= kFormatEncrypted;
    if (v24 & kV24FormatGrouped) v23 |= kFormatGrouped;
    return v23;
}
}  // namespace

bool ConvertV24FrameToV23(CID3Frame& frame, bool tagUnsynchronised) {
    Bytes& body = frame.Body();
    const std::uint8_t format = frame.FormatFlags();
    if (tagUnsynchronised || (format & kV24FormatUnsynchronised)) {
        std::size_t length = body.size();
        Resynchronise(body.data(), length);
        body.resize(length);
    }

    // v2.4 order of the flag data: group byte, encryption method, data-length indicator.
    const bool grouped = format & kV24FormatGrouped;
    const bool compressed = format & kV24FormatCompressed;
    const bool encrypted = format & kV24FormatEncrypted;
    const bool hasDataLength = format & kV24FormatDataLength;
    const std::size_t flagData =
        (grouped ? 1 : 0) + (encrypted ? 1 : 0) + (hasDataLength ? kDataLengthSize : 0);
    if (body.size() < flagData) return false;
    if (compressed && !hasDataLength) return false;
    std::size_t pos = 0;
    const std::uint8_t group = grouped ? body[pos++] : 0;
    const std::uint8_t method = encrypted ? body[pos++] : 0;
    const std::uint32_t dataLength = hasDataLength ? ReadSyncsafe32(body.data() + pos) : 0;
    if (hasDataLength) pos += kDataLengthSize;

    // v2.3 order: decompressed size (big-endian), encryption method, group byte.
    Bytes out;
    out.reserve(body.size() + body.size() / 2);
    if (compressed) {
        out.resize(kDataLengthSize);
        WriteBigEndian32(out.data(), dataLength);
    }
    if (encrypted) out.push_back(method);
    if (grouped) out.push_back(group);

    const char* layout = LayoutOf(frame.Id());
    const std::uint8_t encoding = pos < body.size() ? body[pos] : kEncodingLatin1;
    const bool foreign = encoding == kEncodingUtf8 || encoding == kEncodingUtf16BigEndian;
    if (!compressed && !encrypted && layout && foreign) {
        out.push_back(kEncodingUtf16Bom);
        CTextTranscoder transcoder(encoding, body.data() + pos + 1, body.size() - pos - 1, out);
        if (!transcoder.Run(layout)) return false;
    } else if (!compressed && !encrypted && IsChapterFrame(frame.Id())) {
        if (!ConvertChapterFrame(body.data() + pos, body.size() - pos, frame.Id(), out))
            return false;
    } else {
        out.insert(out.end(), body.begin() + static_cast<std::ptrdiff_t>(pos), body.end());
    }
    body = std::move(out);
    frame.SetFlags(TranslateStatusFlags(frame.StatusFlags()), TranslateFormatFlags(format));
    return true;
}
