#pragma once
// The layout of an ASF file's header object, read straight from the file and checked for
// plausibility before anything is written into it.
//
// The header object is a GUID, its size, a child count and two reserved bytes, followed by
// exactly that many child objects (GUID and 64-bit size each) filling it to its end; the data
// object follows it. A header whose sizes or counts contradict each other, or whose attribute
// lists (content description, extended content description, and the metadata and metadata
// library objects inside the header extension) claim more entries or bytes than their objects
// hold, is damaged: a tag library reads phantom attributes from such a header and saving them
// wrecks the file.

#include <cstdint>
#include <string>

struct ASF_HEADER_LAYOUT {
    // Size of the header object, which is where the data object starts.
    std::uint64_t headerSize = 0;
    // File offset of the file properties object's file-size field; 0 when there is none.
    std::uint64_t fileSizeFieldOffset = 0;
    // The file properties object's play duration (100-nanosecond units) and preroll (ms).
    std::uint64_t playDuration = 0;
    std::uint64_t prerollMs = 0;
    // True when every size and count in the header agrees with the others.
    bool plausible = false;
};

// Reads the header of the file open as `fd` (with pread; the file position stays). False when
// the file does not start with an ASF header object; otherwise the layout as far as it could be
// read, with `plausible` telling whether the whole header checked out.
bool ReadAsfHeaderLayout(int fd, ASF_HEADER_LAYOUT* layout);
bool ReadAsfHeaderLayout(const std::string& path, ASF_HEADER_LAYOUT* layout);

// Stores the file's actual length in its file properties object. Tag writers rewrite the header
// without it, and a file whose stored length no longer matches loses its announced duration in
// readers that cross-check the two.
bool StoreAsfFileSize(const std::string& path);
