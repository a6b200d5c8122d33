#pragma once
// Turns frames read from an ID3v2.4 tag into valid ID3v2.3 frames, so that a tag read as v2.4
// can be saved as v2.3 without damage: v2.4 flags mean other things in v2.3, a v2.4 data-length
// indicator would be read as frame content by v2.3 readers, and v2.3 has no UTF-8 encoding.

#include "tags/Id3Frame.h"

// Converts one frame whose header still holds ID3v2.4 flags:
// - undoes unsynchronisation when the frame's flag or the tag's flag says so;
// - removes the data-length indicator; the flag data of grouped, compressed and encrypted frames
//   is rearranged in v2.3 order (decompressed size, encryption method, group byte);
// - translates the flags to their v2.3 bits (unsynchronisation and data-length bits cleared);
// - re-encodes UTF-8 text (encoding 3) as encoding 1 with a byte-order mark in the frames whose
//   layout is known (text frames, TXXX, WXXX, COMM, USLT, USER, SYLT, APIC, GEOB, OWNE, COMR).
// Returns false for a damaged frame that cannot be made valid (its flag data runs past its
// body, a compressed frame without its size, UTF-8 text fields without their terminators);
// the caller drops it.
bool ConvertV24FrameToV23(CID3Frame& frame, bool tagUnsynchronised);
