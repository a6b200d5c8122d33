// Saving a CID3Tag as ID3v2.3: in place when the frames fit in the old tag's bytes, otherwise by
// rebuilding the file through a temporary copy (TrackFileRewrite.h).

#include <cstring>

#include "tags/Id3Bytes.h"
#include "tags/Id3Tag.h"
#include "tags/TrackFileRewrite.h"

namespace {
constexpr std::uint8_t kSavedVersion = 3;
// Room left behind a rewritten tag, so that later saves of slightly larger tags fit in place.
constexpr std::uint64_t kRewritePadding = 4096;
}  // namespace

bool CID3Tag::IsWritten(const CID3Frame& frame) const { return !frame.Body().empty(); }

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
    out.resize(static_cast<std::size_t>(totalLength), 0);  // zero padding
}

HRESULT CID3Tag::SaveTag(ID3_SAVE_RESULT& result) {
    result.rewritten = false;
    result.outcome = TagWriteOutcome::Written;
    if (!modified_) return S_FALSE;
    // Without its frames, with bytes the frames do not account for, or with a size that runs
    // past the file, the old tag cannot be replaced without losing frames or audio.
    if (framesNotLoaded_ || claimsPastEnd_ || damaged_) {
        result.outcome = TagWriteOutcome::DamagedTag;
        return E_FAIL;
    }

    std::uint64_t needed = kTagHeaderSize;
    for (const auto& frame : frames_)
        if (IsWritten(*frame)) needed += kFrameHeaderSize + frame->Body().size();
    const bool inPlace = replacedLength_ >= needed;
    const std::uint64_t total = inPlace ? replacedLength_ : needed + kRewritePadding;
    if (total - kTagHeaderSize > kMaxSyncsafe) {
        result.outcome = TagWriteOutcome::Refused;
        return E_FAIL;
    }

    std::vector<std::uint8_t> image;
    SerialiseFrames(image, total);
    result.outcome = inPlace ? OverwriteTrackHead(path_, image, readIdentity_)
                             : RewriteTrackFile(path_, image, replacedLength_, readIdentity_);
    if (result.outcome != TagWriteOutcome::Written) return E_FAIL;
    result.rewritten = !inPlace;
    return S_OK;
}
