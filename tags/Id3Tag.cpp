#include "tags/Id3Tag.h"

#include <algorithm>
#include <cstring>

#include "platform/File.h"
#include "platform/SystemError.h"
#include "tags/Id3Bytes.h"
#include "tags/Id3FrameIds.h"
#include "tags/Id3V24Frame.h"
#include "tags/Id3V24Tag.h"

namespace {
constexpr char kTagMagic[] = "ID3";
constexpr std::size_t kTagMagicSize = 3;
constexpr std::size_t kVersionOffset = 3;
constexpr std::size_t kFlagsOffset = 5;
constexpr std::size_t kSizeOffset = 6;
constexpr std::uint8_t kTagUnsynchronised = 0x80;
constexpr std::uint8_t kTagExtendedHeader = 0x40;
constexpr std::uint8_t kTagFooter = 0x10;
constexpr std::size_t kFooterSize = 10;
constexpr std::size_t kExtendedSizeField = 4;
constexpr std::size_t kV22FrameHeaderSize = 6;
constexpr std::size_t kV22IdSize = 3;
constexpr int kMinVersion = 2;
constexpr int kMaxVersion = 4;
}  // namespace

CID3Tag::CID3Tag() = default;

CID3Tag::~CID3Tag() = default;

void CID3Tag::Clear() {
    frames_.clear();
    raw_ = CPageBlock();
    modified_ = false;
    version_ = 0;
    onDiskLength_ = 0;
    replacedLength_ = 0;
    framesNotLoaded_ = false;
    claimsPastEnd_ = false;
    damaged_ = false;
    readIdentity_ = FILE_IDENTITY();
}

HRESULT CID3Tag::ReadTag(const WString& path) {
    Clear();
    path_ = path;
    CFile file;
    if (!file.TryOpen(path, FileMode::Read)) return E_FAIL;
    const FILE_IDENTITY identity = IdentityOfDescriptor(file.Descriptor());
    const HRESULT hr = ReadTag(static_cast<CByteSource&>(file));  // keeps the path
    if (hr != E_FAIL) readIdentity_ = identity;
    return hr;
}

HRESULT CID3Tag::ReadTag(CByteSource& source, std::uint64_t offset) {
    Clear();
    try {
        source.Seek(offset);
        return ReadFrom(source);
    } catch (const CFileException&) {
        Clear();
        return E_FAIL;
    }
}

HRESULT CID3Tag::ReadFrom(CByteSource& file) {
    std::uint8_t header[kTagHeaderSize];
    if (file.Read(header, sizeof header) != sizeof header) return S_FALSE;
    if (std::memcmp(header, kTagMagic, kTagMagicSize) != 0) return S_FALSE;
    const int version = header[kVersionOffset];
    if (version < kMinVersion || version > kMaxVersion) return S_FALSE;

    version_ = version;
    const std::uint8_t flags = header[kFlagsOffset];
    const std::uint32_t size = ReadSyncsafe32(header + kSizeOffset);
    onDiskLength_ = kTagHeaderSize + std::uint64_t{size};
    replacedLength_ = onDiskLength_ + ((version == 4 && (flags & kTagFooter)) ? kFooterSize : 0);
    const std::uint64_t fileLength = file.Length();
    claimsPastEnd_ = replacedLength_ > fileLength;
    // Only the bytes the file really holds are read: a frame that would reach past the end of
    // the file runs past the tag, so a size field beyond the file costs no memory.
    const std::uint64_t available = fileLength - std::min<std::uint64_t>(fileLength, kTagHeaderSize);
    const auto bodySize = static_cast<std::size_t>(std::min<std::uint64_t>(size, available));
    if (bodySize == 0) return S_OK;  // a tag without frames

    raw_ = CPageBlock(bodySize);
    if (!raw_) {
        framesNotLoaded_ = true;
        return S_FALSE;
    }
    auto* body = static_cast<std::uint8_t*>(raw_.Get());
    std::size_t length = file.Read(body, bodySize);
    // In v2.4 unsynchronisation is undone frame by frame, since frame sizes count the
    // unsynchronised bytes.
    if ((flags & kTagUnsynchronised) && version != 4) Resynchronise(body, length);
    LoadFrames(body, length, flags);
    return S_OK;
}

namespace {
// Frame IDs are upper-case letters and digits.
bool IsFrameId(const std::uint8_t* id, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t c = id[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

bool AllZero(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

// True when a frame ending at `offset` is followed by something a tag may hold there: the end of
// the tag, zero padding up to the end, or the header of another frame.
bool IsFrameBoundary(const std::uint8_t* body, std::size_t size, std::uint64_t offset) {
    if (offset == size) return true;
    if (offset > size) return false;
    const auto at = static_cast<std::size_t>(offset);
    if (body[at] == 0) return AllZero(body + at, size - at);
    return size - at >= kFrameHeaderSize && IsFrameId(body + at, kFrameIdSize);
}
}  // namespace

void CID3Tag::LoadFrames(const std::uint8_t* body, std::size_t size, std::uint8_t flags) {
    std::uint64_t start = 0;
    // Some writers set the extended-header flag without writing one: when a frame header stands
    // where the extended header would be, the frames begin right there.
    const bool extended = (flags & kTagExtendedHeader) && version_ >= 3 &&
                          !(size >= kFrameIdSize && IsFrameId(body, kFrameIdSize));
    if (extended) {
        // v2.3: the size excludes its own four bytes; v2.4: syncsafe and counts itself.
        if (size < kExtendedSizeField) {
            damaged_ = true;
            return;
        }
        start = version_ == 3 ? kExtendedSizeField + std::uint64_t{ReadBigEndian32(body)}
                              : ReadSyncsafe32(body);
    }
    if (start > size) {
        damaged_ = true;
        return;
    }
    std::size_t offset = static_cast<std::size_t>(start);
    const bool unsynchronised = (flags & kTagUnsynchronised) != 0;
    while (offset < size && LoadFrame(body, size, offset, unsynchronised)) {
    }
    if (version_ == 4) ConvertV24FramesToV23(frames_);
    // Whatever follows the last frame must be padding: anything else is a part of the tag that
    // the frames do not account for, and a saved tag would lose it.
    if (offset < size && !AllZero(body + offset, size - offset)) damaged_ = true;
}

std::uint64_t CID3Tag::V24FrameSize(const std::uint8_t* body, std::size_t size,
                                    std::size_t bodyStart) const {
    const std::uint8_t* field = body + bodyStart - kFrameHeaderSize + kFrameIdSize;
    const std::uint64_t syncsafe = ReadSyncsafe32(field);
    const std::uint64_t plain = ReadBigEndian32(field);
    // Older writers put v2.3-style plain sizes into v2.4 tags. The plain reading is taken only
    // when the syncsafe one does not end on a frame boundary and the plain one does.
    if (plain == syncsafe || IsFrameBoundary(body, size, bodyStart + syncsafe)) return syncsafe;
    if (IsFrameBoundary(body, size, bodyStart + plain)) return plain;
    return syncsafe;
}

bool CID3Tag::LoadFrame(const std::uint8_t* body, std::size_t size, std::size_t& offset,
                        bool tagUnsynchronised) {
    std::uint8_t header[kFrameHeaderSize] = {};
    std::uint64_t frameSize;
    std::size_t headerSize;
    bool accepted = true;
    bool picture = false;
    const std::uint8_t* h = body + offset;
    if (version_ == 2) {
        headerSize = kV22FrameHeaderSize;
        if (offset + headerSize > size || h[0] == 0) return false;  // padding
        if (!IsFrameId(h, kV22IdSize)) return false;
        frameSize = (std::uint64_t{h[3]} << 16) | (std::uint64_t{h[4]} << 8) | h[5];
        accepted = ConvertV22FrameId(h, reinterpret_cast<char*>(header));
        picture = accepted && std::memcmp(h, "PIC", kV22IdSize) == 0;
        WriteBigEndian32(header + kFrameIdSize, static_cast<std::uint32_t>(frameSize));
    } else {
        headerSize = kFrameHeaderSize;
        if (offset + headerSize > size || h[0] == 0) return false;  // padding
        if (!IsFrameId(h, kFrameIdSize)) return false;
        std::memcpy(header, h, kFrameHeaderSize);
        frameSize = version_ == 3 ? ReadBigEndian32(h + kFrameIdSize)
                                  : V24FrameSize(body, size, offset + headerSize);
    }
    const std::uint64_t bodyStart = offset + headerSize;
    if (bodyStart + frameSize > size) return false;
    offset = static_cast<std::size_t>(bodyStart + frameSize);
    // An empty frame carries nothing; the frames after it are read on.
    if (frameSize == 0 || !accepted) return true;  // an unconvertible v2.2 frame is skipped too

    auto frame = std::make_unique<CID3Frame>(header);
    frame->Body().assign(body + bodyStart, body + offset);
    if (version_ == 4) {
        if (!ConvertV24FrameToV23(*frame, tagUnsynchronised)) {
            damaged_ = true;  // a frame that cannot be carried over: the tag is not saved
            return false;
        }
    } else if (frame->FormatFlags() & kFormatUnsynchronised) {
        std::size_t length = frame->Body().size();
        Resynchronise(frame->Body().data(), length);
        frame->Body().resize(length);
        frame->SetFlags(frame->StatusFlags(), frame->FormatFlags() & ~kFormatUnsynchronised);
    }
    if (picture) frame->ConvertPicToApic();
    frames_.push_back(std::move(frame));
    return true;
}

CID3Frame* CID3Tag::FindFrame(std::string_view id) const {
    const bool comment = id == "COMM";
    for (const auto& frame : frames_) {
        if (!frame->HasId(id)) continue;
        if (comment && !frame->IsEnglishCommentWithoutDescription()) continue;
        return frame.get();
    }
    return nullptr;
}

HRESULT CID3Tag::GetFrameText(std::string_view id, WString& text) const {
    const CID3Frame* frame = FindFrame(id);
    if (!frame) return E_FAIL;
    WString decoded;
    if (FAILED(frame->GetText(decoded))) return E_FAIL;
    text = decoded.substr(0, decoded.find(u'\0'));
    return S_OK;
}

HRESULT CID3Tag::SetFrameText(std::string_view id, std::u16string_view text) {
    if (CID3Frame* frame = FindFrame(id)) {
        WString current;
        // A frame whose text cannot be decoded (compressed, encrypted) keeps its bytes.
        if (FAILED(frame->GetText(current))) return S_FALSE;
        if (std::u16string_view(current).substr(0, current.find(u'\0')) == text) return S_FALSE;
        modified_ = true;
        return frame->SetText(text);
    }
    if (text.empty()) return S_FALSE;
    auto frame = std::make_unique<CID3Frame>();
    frame->SetId(id);
    modified_ = true;
    frame->SetText(text);
    frames_.push_back(std::move(frame));
    return S_OK;
}
