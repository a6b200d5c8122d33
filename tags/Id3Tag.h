#pragma once
// One ID3v2 tag of one file: its frames in file order (held in ID3v2.3 layout, whatever version
// was read), how many bytes it occupies in the file, and whether it was changed since it was read.
//
// A tag object is local to one call of its user and is never shared between threads.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/ByteSource.h"
#include "platform/ComTypes.h"
#include "platform/PageAlloc.h"
#include "platform/Text.h"
#include "tags/FileIdentity.h"
#include "tags/Id3Frame.h"
#include "tags/TagWriteOutcome.h"

inline constexpr std::size_t kTagHeaderSize = 10;

// Filled by SaveTag.
struct ID3_SAVE_RESULT {
    bool rewritten = false;  // the file was rebuilt through a temporary file
    TagWriteOutcome outcome = TagWriteOutcome::NotAttempted;  // why a save failed
};

class CID3Tag {
public:
    CID3Tag();
    virtual ~CID3Tag();
    CID3Tag(const CID3Tag&) = delete;
    CID3Tag& operator=(const CID3Tag&) = delete;

    // Reads the ID3v2 tag at the start of the file, replacing whatever the object held.
    // S_OK when a tag of version 2.2, 2.3 or 2.4 was read (malformed frames, and frames that
    // would reach past the end of the file, end the frame list, keeping the frames before
    // them); S_FALSE when the file has no such tag, or when its buffer could not be allocated
    // (then no frames are loaded and SaveTag refuses to save);
    // E_FAIL when the file cannot be opened or read. The path is stored in every case.
    HRESULT ReadTag(const WString& path);
    // The same from bytes already open (a file or memory), read from `offset` (their first byte
    // unless a container holds the tag further in). The path stays as it was: empty on a new
    // tag, which therefore cannot be saved.
    HRESULT ReadTag(CByteSource& source, std::uint64_t offset = 0);

    // The first frame with the 4-character ID, or null. For "COMM" only a frame with the
    // language "eng" and an empty description matches.
    CID3Frame* FindFrame(std::string_view id) const;

    // S_OK and the matching frame's text up to its first NUL; E_FAIL when no frame matches or
    // its text cannot be decoded.
    HRESULT GetFrameText(std::string_view id, WString& text) const;

    // Sets the text of the first matching frame, or appends a new frame when none matches and
    // the text is not empty. S_OK when a frame was changed or created (the tag is then
    // modified); S_FALSE when the frame already held exactly this text, when its text cannot be
    // decoded (its bytes are kept as they are), or for an empty text without a frame.
    HRESULT SetFrameText(std::string_view id, std::u16string_view text);

    // Writes the tag into the file as ID3v2.3 when it was modified. In place when the frames fit
    // in the old tag's bytes; otherwise the file is rebuilt through a temporary copy with 4096
    // bytes of padding (TrackFileRewrite.h). Frames with an empty body are left out; every other
    // frame is written as it was read. The bytes after the old tag are kept exactly.
    // S_FALSE when not modified (nothing written); S_OK when saved; E_FAIL, with the reason in
    // `result.outcome`, when the file is no longer the one read, a file operation failed, or the
    // tag read cannot be replaced safely (its frames were not loaded, some of its bytes were not
    // accounted for, or it claims more bytes than the file has). On failure the track file is as
    // it was.
    HRESULT SaveTag(ID3_SAVE_RESULT& result);

    const std::vector<std::unique_ptr<CID3Frame>>& Frames() const { return frames_; }
    const WString& Path() const { return path_; }
    bool IsModified() const { return modified_; }
    // The major version read (2, 3 or 4), 0 without a tag.
    int Version() const { return version_; }
    // 10 plus the size field of the tag header found in the file; 0 without a tag.
    std::uint64_t OnDiskLength() const { return onDiskLength_; }
    // True when every byte of the tag read is accounted for by its frames, its padding and its
    // footer (always true without a tag); only such a tag is saved.
    bool IsComplete() const { return !framesNotLoaded_ && !claimsPastEnd_ && !damaged_; }
    // A tag was found but its buffer could not be allocated, so no frames were loaded.
    bool FramesNotLoaded() const { return framesNotLoaded_; }
    // The file as ReadTag found it open.
    const FILE_IDENTITY& ReadIdentity() const { return readIdentity_; }

private:
    void Clear();
    HRESULT ReadFrom(CByteSource& file);
    void LoadFrames(const std::uint8_t* body, std::size_t size, std::uint8_t flags);
    // Appends a frame parsed from `body`; false when the frame loop must stop.
    bool LoadFrame(const std::uint8_t* body, std::size_t size, std::size_t& offset,
                   bool tagUnsynchronised);
    // The body size of the v2.4 frame whose body starts at `bodyStart`.
    std::uint64_t V24FrameSize(const std::uint8_t* body, std::size_t size,
                               std::size_t bodyStart) const;
    // The frames that SaveTag writes.
    bool IsWritten(const CID3Frame& frame) const;
    void SerialiseFrames(std::vector<std::uint8_t>& out, std::uint64_t totalLength) const;

    std::vector<std::unique_ptr<CID3Frame>> frames_;
    CPageBlock raw_;
    WString path_;
    bool modified_ = false;
    int version_ = 0;
    std::uint64_t onDiskLength_ = 0;
    // The bytes a saved tag replaces: the on-disk length plus a v2.4 footer.
    std::uint64_t replacedLength_ = 0;
    // A tag was found but cannot be replaced safely.
    bool framesNotLoaded_ = false;
    bool claimsPastEnd_ = false;
    // Some bytes of the tag are not accounted for by frames, padding or footer.
    bool damaged_ = false;
    // The file as it was read; a save checks that it is still that file.
    FILE_IDENTITY readIdentity_;
};
