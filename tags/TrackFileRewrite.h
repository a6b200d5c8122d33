#pragma once
// Replacing the head of a track file (its tag) safely. Both routines check first that the file is
// still the one that was read (device, inode, size, modification time), and report what happened.
//
// A rewrite builds the new file in a temporary of its own beside the track, named
// "<track name>.twtmp-<random>.MP~", created exclusively and locked for as long as it is in use.
// A track that is a symbolic link has its target rewritten; owner, group and mode are kept
// (set-user-id and set-group-id are cleared when the owner cannot be kept). A track with several
// hard links is not replaced by a new file: the complete, synced copy is renamed to
// "<track name>.twcopy-<inode>-<random>.MP~" and written over the track in place, and removed
// only after that write is synced. A process killed during a rewrite therefore leaves the old
// file, the new file, or (for hard links) a finished copy that the next write-back of the track
// applies before anything else.

#include <cstdint>
#include <vector>

#include "platform/Text.h"
#include "tags/FileIdentity.h"
#include "tags/TagWriteOutcome.h"

// Writes `head` over the start of the track file in place (it must fit in the old tag's bytes).
TagWriteOutcome OverwriteTrackHead(const WString& path, const std::vector<std::uint8_t>& head,
                                   const FILE_IDENTITY& expected);

// Rebuilds the track file as `head` followed by everything after its first `replacedLength`
// bytes.
TagWriteOutcome RewriteTrackFile(const WString& path, const std::vector<std::uint8_t>& head,
                                 std::uint64_t replacedLength, const FILE_IDENTITY& expected);

// Deals with this track's temporaries that no running write-back holds: an unfinished rewrite
// copy is deleted; a finished copy of a hard-linked track is written over the track, which the
// interrupted write-back had begun to overwrite, and then deleted. Temporaries of other tracks
// and of writers still at work are left alone.
void RecoverTrackTemporaries(const WString& path);
