// Saving a CID3Tag as ID3v2.3: in place when the frames fit in the old tag's bytes, otherwise by
// rebuilding the file through a temporary copy that replaces it in one atomic rename.

#include <cstring>

#include "platform/File.h"
#include "platform/FilePermissions.h"
#include "platform/PageAlloc.h"
#include "platform/SystemError.h"
#include "tags/Id3Bytes.h"
#include "tags/Id3Tag.h"
#include "tags/TrackPath.h"

namespace {
constexpr std::uint8_t kSavedVersion = 3;
// Room left behind a rewritten tag, so that later saves of slightly larger tags fit in place.
constexpr std::uint64_t kRewritePadding = 4096;
constexpr std::size_t kPaddingPiece = 256;
constexpr std::size_t kCopyBufferSize = 0x100000;
constexpr char16_t kTemporaryExtension[] = u"MP~";

void WritePadding(CFile& file, std::uint64_t count) {
    static constexpr std::uint8_t kZeros[kPaddingPiece] = {};
    while (count > 0) {
        const std::size_t piece = count < kPaddingPiece ? static_cast<std::size_t>(count)
                                                        : kPaddingPiece;
        file.Write(kZeros, piece);
        count -= piece;
    }
}

// Copies everything from `offset` to the end of `source` into `target`.
void CopyRest(CFile& source, std::uint64_t offset, CFile& target) {
    const std::uint64_t length = source.Length();
    if (length <= offset) return;
    CPageBlock buffer(kCopyBufferSize);
    if (!buffer) throw CSystemError(E_OUTOFMEMORY, "copy buffer");
    source.Seek(offset);
    while (true) {
        const std::size_t got = source.Read(buffer.Get(), kCopyBufferSize);
        if (got == 0) break;
        target.Write(buffer.Get(), got);
    }
}

void DeleteQuietly(const WString& path) {
    try {
        DeleteFileAt(path);
    } catch (const CFileException&) {
    }
}
}  // namespace

bool CID3Tag::IsWritten(const CID3Frame& frame) const {
    return !frame.Body().empty() && !(frame.StatusFlags() & kStatusFileAlterDiscard);
}

void CID3Tag::SerialiseFrames(std::vector<std::uint8_t>& out, std::uint64_t totalLength) const {
    out.assign(kTagHeaderSize, 0);
    std::memcpy(out.data(), "ID3", 3);
    out[3] = kSavedVersion;
    WriteSyncsafe32(out.data() + 6, static_cast<std::uint32_t>(totalLength - kTagHeaderSize));
    for (const auto& frame : frames_) {
        if (!IsWritten(*frame)) continue;
        std::uint8_t header[kFrameHeaderSize];
        frame->SerialiseHeader(header);
        out.insert(out.end(), header, header + kFrameHeaderSize);
        out.insert(out.end(), frame->Body().begin(), frame->Body().end());
    }
}

HRESULT CID3Tag::SaveTag(ID3_SAVE_RESULT& result) {
    result.rewritten = false;
    if (!modified_) return S_FALSE;
    // Without its frames, or with a size that runs past the file, the old tag cannot be replaced
    // without losing frames or audio.
    if (framesNotLoaded_ || claimsPastEnd_) return E_FAIL;

    std::uint64_t needed = kTagHeaderSize;
    for (const auto& frame : frames_)
        if (IsWritten(*frame)) needed += kFrameHeaderSize + frame->Body().size();
    const bool inPlace = replacedLength_ >= needed;
    const std::uint64_t total = inPlace ? replacedLength_ : needed + kRewritePadding;
    if (total - kTagHeaderSize > kMaxSyncsafe) return E_FAIL;

    std::vector<std::uint8_t> image;
    SerialiseFrames(image, total);
    if (inPlace) return SaveInPlace(image, total);
    const HRESULT hr = SaveByRewrite(image, total);
    if (SUCCEEDED(hr)) result.rewritten = true;
    return hr;
}

HRESULT CID3Tag::SaveInPlace(const std::vector<std::uint8_t>& image, std::uint64_t totalLength) {
    CFile file;
    // The file must still exist: a tag alone must never stand in for a vanished track.
    if (!file.TryOpen(path_, FileMode::ReadWrite)) return E_FAIL;
    try {
        file.Seek(0);
        file.Write(image.data(), image.size());
        WritePadding(file, totalLength - image.size());
        file.Flush();
    } catch (const CFileException&) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CID3Tag::SaveByRewrite(const std::vector<std::uint8_t>& image,
                               std::uint64_t totalLength) {
    const WString temporary = ReplaceExtension(path_, kTemporaryExtension);
    if (temporary.empty()) return E_FAIL;
    CFile source;
    if (!source.TryOpen(path_, FileMode::Read)) return E_FAIL;
    CFile target;
    // Never overwrites a file of that name: a leftover copy may be all that remains of a track.
    if (!target.TryOpen(temporary, FileMode::CreateNew)) return E_FAIL;
    try {
        CopyFilePermissions(source, target);
        target.Write(image.data(), image.size());
        WritePadding(target, totalLength - image.size());
        CopyRest(source, replacedLength_, target);
        // The copy is complete on disk before it takes the track's name, so that the track file
        // is at every moment either the old file or the whole new one.
        target.Flush();
        target.Close();
        source.Close();
        RenameFileOver(temporary, path_);
    } catch (const CFileException&) {
        target.Close();
        DeleteQuietly(temporary);
        return E_FAIL;
    } catch (const CSystemError&) {
        target.Close();
        DeleteQuietly(temporary);
        return E_FAIL;
    }
    FlushDirectory(DirectoryOf(path_));
    return S_OK;
}
