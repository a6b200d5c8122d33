#include "tags/Id3Frame.h"

#include <algorithm>
#include <cstring>

#include "tags/Id3Bytes.h"
#include "tags/Id3FrameIds.h"
#include "tags/Id3Text.h"

namespace {
constexpr std::size_t kLanguageSize = 3;
constexpr char kEnglish[] = "eng";
constexpr std::size_t kGroupByteSize = 1;
constexpr std::size_t kMinPicBody = 16;
constexpr std::size_t kPicFormatOffset = 1;
constexpr std::size_t kPicTypeOffset = 4;
constexpr std::size_t kPicDescriptionOffset = 5;
constexpr std::uint8_t kEmptyDescription[] = {0xFF, 0xFE, 0x00, 0x00};
}  // namespace

CID3Frame::CID3Frame() { std::memset(header_, 0, sizeof header_); }

CID3Frame::CID3Frame(const std::uint8_t* header) { std::memcpy(header_, header, sizeof header_); }

CID3Frame::~CID3Frame() = default;

std::string_view CID3Frame::Id() const {
    const auto* id = reinterpret_cast<const char*>(header_);
    return std::string_view(id, strnlen(id, kFrameIdSize));
}

void CID3Frame::SetId(std::string_view id) {
    std::memset(header_, 0, kFrameIdSize);
    std::memcpy(header_, id.data(), std::min(id.size(), kFrameIdSize));
}

void CID3Frame::SetFlags(std::uint8_t status, std::uint8_t format) {
    header_[8] = status;
    header_[9] = format;
}

void CID3Frame::SerialiseHeader(std::uint8_t* out) const {
    std::memcpy(out, header_, kFrameHeaderSize);
    WriteBigEndian32(out + kFrameIdSize, static_cast<std::uint32_t>(body_.size()));
}

std::size_t CID3Frame::TextStart() const {
    return (FormatFlags() & kFormatGrouped) ? kGroupByteSize : 0;
}

HRESULT CID3Frame::GetText(WString& text) const {
    if (FormatFlags() & (kFormatCompressed | kFormatEncrypted)) return E_FAIL;
    std::size_t pos = TextStart();
    if (pos >= body_.size()) return E_FAIL;
    const std::uint8_t encoding = body_[pos++];
    const bool comment = HasId("COMM");
    if (comment) {
        if (body_.size() - pos < kLanguageSize) return E_FAIL;
        pos += kLanguageSize;
    }
    if (!DecodeId3Text(encoding, body_.data() + pos, body_.size() - pos, text)) return E_FAIL;
    if (comment) {
        // The description ends at the first NUL; the comment text follows it.
        const std::size_t nul = text.find(u'\0');
        text = nul == WString::npos ? WString() : text.substr(nul + 1);
    }
    return S_OK;
}

bool CID3Frame::IsEnglishCommentWithoutDescription() const {
    if (FormatFlags() & (kFormatCompressed | kFormatEncrypted)) return false;
    std::size_t pos = TextStart();
    if (body_.size() < pos + 1 + kLanguageSize) return false;
    const std::uint8_t encoding = body_[pos++];
    if (std::memcmp(body_.data() + pos, kEnglish, kLanguageSize) != 0) return false;
    pos += kLanguageSize;
    WString text;
    if (!DecodeId3Text(encoding, body_.data() + pos, body_.size() - pos, text)) return false;
    return text.empty() || text[0] == u'\0';
}

HRESULT CID3Frame::SetText(std::u16string_view text) {
    std::vector<std::uint8_t> body;
    body.push_back(kEncodingUtf16Bom);
    if (HasId("COMM")) {
        body.insert(body.end(), kEnglish, kEnglish + kLanguageSize);
        body.insert(body.end(), std::begin(kEmptyDescription), std::end(kEmptyDescription));
    }
    AppendUtf16WithBom(body, DisplayText(text));  // never a lone surrogate in a tag
    body_ = std::move(body);
    header_[9] = 0;
    return S_OK;
}

void CID3Frame::ConvertPicToApic() {
    if (body_.size() < kMinPicBody) return;
    const std::string_view mime = PictureFormatToMime(body_.data() + kPicFormatOffset);
    std::vector<std::uint8_t> apic;
    apic.reserve(body_.size() + mime.size());
    apic.push_back(body_[0]);
    apic.insert(apic.end(), mime.begin(), mime.end());
    apic.push_back(0x00);
    apic.push_back(body_[kPicTypeOffset]);
    apic.insert(apic.end(), body_.begin() + kPicDescriptionOffset, body_.end());
    body_ = std::move(apic);
}
