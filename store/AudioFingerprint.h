#pragma once
// How the analysis store recognises a music file: by where it lies on the disk (its identity),
// and by a fingerprint of its audio that survives a move, a rename and a tag edit.

#include <array>
#include <cstdint>

#include "platform/Text.h"

// The file as the file system sees it: same identity means the same, unchanged file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;  // modification time in nanoseconds since the epoch
};

// False when the file cannot be examined.
bool ReadFileIdentity(const WString& path, FileIdentity& identity);

// The audio payload's byte size and a SHA-256 over its first, middle and last 64 KiB (the whole
// payload when it is shorter than three such pieces). Tag regions are left out (AudioPayload.h).
struct AudioFingerprint {
    static constexpr std::uint64_t kPieceBytes = 64 * 1024;
    std::uint64_t payloadSize = 0;
    std::array<unsigned char, 32> hash{};
    bool operator==(const AudioFingerprint&) const = default;
};

// False when the file cannot be read.
bool ComputeAudioFingerprint(const WString& path, AudioFingerprint& fingerprint);
