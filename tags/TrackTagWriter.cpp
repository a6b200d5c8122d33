#include "tags/TrackTagWriter.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include "audio/AudioContainer.h"
#include "audio/ComponentIds.h"
#include "platform/Bstr.h"
#include "platform/ComInit.h"
#include "platform/File.h"
#include "platform/FilePermissions.h"
#include "platform/SystemError.h"
#include "tags/FileEndTagReaders.h"
#include "tags/Id3FrameIds.h"
#include "tags/Id3Tag.h"
#include "tags/TrackFields.h"
#include "tags/TrackFileRewrite.h"
#include "tags/TrackPath.h"
#include "tags/WmaTagRoute.h"

namespace {
// The entry's fields that the write-back stores, in this order. An empty text (no key, no BPM)
// is never written.
constexpr std::int32_t kWrittenFields[] = {kFieldTitle, kFieldArtist, kFieldBpm, kFieldKey};

// A file without an ID3v2 tag gets one that starts from its ID3v1 block, so that readers that
// prefer ID3v2 still find the album, year, track, genre and comment.
void SeedFromId3v1(CID3Tag& tag) {
    std::optional<ID3V1_BLOCK> block;
    try {
        CFile file;
        if (!file.TryOpen(tag.Path(), FileMode::Read)) return;
        block = ReadId3v1Block(file);
    } catch (const CFileException&) {
        return;
    }
    if (!block) return;
    tag.SetFrameText("TIT2", block->title);
    tag.SetFrameText("TPE1", block->artist);
    tag.SetFrameText("TALB", block->album);
    tag.SetFrameText("TYER", block->year);
    if (block->track != 0) tag.SetFrameText("TRCK", Utf8ToUtf16(std::to_string(block->track)));
    if (const char16_t* genre = Id3v1GenreName(block->genre)) tag.SetFrameText("TCON", genre);
    tag.SetFrameText("COMM", block->comment);
}

// The file must be the one that was analysed (same device, inode, size and modification time),
// or the entry's texts would land on another track. True when nothing was recorded at analysis.
bool IsTheAnalysedFile(ITrackFields& entry, const FILE_IDENTITY& now) {
    const FILE_IDENTITY analysed = entry.GetAnalysedFile();
    return !analysed.known || SameFileState(analysed, now);
}

HRESULT WriteMp3Tags(ITrackFields& entry, TagWriteOutcome& outcome) {
    // A copy left by an interrupted rewrite of this track is dealt with before the tag is read.
    RecoverTrackTemporaries(entry.GetPath());
    CID3Tag tag;
    if (tag.ReadTag(entry.GetPath()) == E_FAIL) {
        outcome = TagWriteOutcome::FileReplaced;
        return E_FAIL;
    }
    if (!IsTheAnalysedFile(entry, tag.ReadIdentity())) {
        outcome = TagWriteOutcome::FileReplaced;
        return S_FALSE;
    }
    if (tag.Version() == 0 && !tag.FramesNotLoaded()) SeedFromId3v1(tag);
    for (const std::int32_t field : kWrittenFields) {
        WString text;
        if (entry.GetFieldText(field, text) && !text.empty()) SetFieldFrame(tag, field, text);
    }
    ID3_SAVE_RESULT result;
    const HRESULT hr = tag.SaveTag(result);
    outcome = result.outcome;
    return FAILED(hr) ? S_FALSE : S_OK;
}

HRESULT WriteWmaTags(ITrackFields& entry, TagWriteOutcome& outcome) {
    if (!IsTheAnalysedFile(entry, IdentityOfPath(entry.GetPath()))) {
        outcome = TagWriteOutcome::FileReplaced;
        return S_FALSE;
    }
    outcome = TagWriteOutcome::Refused;
    CComInitScope com;
    ComPtr<ITrackTagEditor> editor = CreateWmaTagEditor();
    if (!editor) return S_FALSE;
    CBstr path(entry.GetPath());
    if (FAILED(editor->OpenForEdit(path.Get()))) return S_FALSE;
    // Written only when every value the entry has reached the file: a title that was already
    // there does not make up for a tempo the component refused to store.
    bool stored = false;
    bool refused = false;
    for (const std::int32_t field : kWrittenFields) {
        WString text;
        if (!entry.GetFieldText(field, text) || text.empty()) continue;
        if (IsFileNameStandIn(*editor.Get(), entry.GetPath(), field, text)) continue;
        CBstr value(text);
        if (SUCCEEDED(editor->SetValue(field, value.Get())))
            stored = true;
        else
            refused = true;
    }
    if (stored && !refused) outcome = TagWriteOutcome::Written;
    return stored && !refused ? S_OK : S_FALSE;
}

// Asks the kernel whether any other process has the file open: a write lease is granted only
// then. False with `decided` clear where leases are not available (a file of another owner,
// network file systems).
bool NoOtherOpener(int fd, bool& decided) {
    decided = true;
    // Should another process open the file during the moment the lease is held, the kernel
    // signals this process; SIGURG is ignored unless handled, where SIGIO would end the process.
    ::fcntl(fd, F_SETSIG, SIGURG);
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return true;
    }
    if (errno == EAGAIN || errno == EBUSY) return false;
    decided = false;
    return false;
}
}  // namespace

TagWriteOutcome CheckWritable(const WString& path) {
    if (!FileExists(path)) return TagWriteOutcome::FileReplaced;
    if (IsMarkedReadOnly(path)) return TagWriteOutcome::ReadOnly;
    CFile file;
    if (!file.TryOpen(path, FileMode::ReadWrite))
        return errno == ENOENT ? TagWriteOutcome::FileReplaced : TagWriteOutcome::ReadOnly;
    bool decided = false;
    const bool alone = NoOtherOpener(file.Descriptor(), decided);
    if (decided) return alone ? TagWriteOutcome::Written : TagWriteOutcome::InUse;
    // Without a lease, a lock that another program holds is the only sign of use there is.
    return file.TryLockExclusive() ? TagWriteOutcome::Written : TagWriteOutcome::InUse;
}

namespace {
// This program opens tracks for a moment too (the track view's store lookup reads a fingerprint
// of the audio), which would make a track look in use to its own write-back. A track still open
// after this grace is in use by another program.
constexpr auto kInUseGrace = std::chrono::milliseconds(500);
constexpr auto kInUsePoll = std::chrono::milliseconds(10);

void WaitWhileBrieflyInUse(const WString& path) {
    const auto deadline = std::chrono::steady_clock::now() + kInUseGrace;
    while (CheckWritable(path) == TagWriteOutcome::InUse && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kInUsePoll);
}
}  // namespace

bool CanOpenExclusive(const WString& path) {
    return CheckWritable(path) == TagWriteOutcome::Written;
}

bool SetFieldFrame(CID3Tag& tag, std::int32_t fieldId, std::u16string_view text) {
    const char* frameId = FrameIdForField(fieldId);
    if (!frameId) return false;
    tag.SetFrameText(frameId, text);
    return true;
}

bool TakesTrackTags(const WString& path) {
    const WString extension = PathExtension(path);
    return extension == u"mp3" || extension == u"wma";
}

HRESULT WriteTrackTags(ITrackFields& entry) {
    // Outside the entry's lock, so that the wait never holds up the list.
    if (TakesTrackTags(entry.GetPath())) WaitWhileBrieflyInUse(entry.GetPath());
    CSingleThreadLock hold(entry.Lock());
    const WString extension = PathExtension(entry.GetPath());
    if (!TakesTrackTags(entry.GetPath())) {
        // Nothing was due, so nothing failed.
        entry.SetTagWriteOutcome(TagWriteOutcome::NotAttempted);
        return E_FAIL;
    }
    TagWriteOutcome outcome = CheckWritable(entry.GetPath());
    HRESULT hr = S_FALSE;
    if (outcome == TagWriteOutcome::Written) {
        if (!ContentMatchesExtension(entry.GetPath())) {
            // A file whose content contradicts its name (a WAVE file named ".mp3") is never
            // tagged.
            outcome = TagWriteOutcome::Refused;
            hr = E_FAIL;
        } else if (extension == u"mp3") {
            hr = WriteMp3Tags(entry, outcome);
        } else {
            hr = WriteWmaTags(entry, outcome);
        }
    }
    entry.SetTagWriteOutcome(outcome);
    return hr;
}
