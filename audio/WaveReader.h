#pragma once
// CWaveReader: the system's PCM source for RIFF WAVE files. It serves the bytes of the "data"
// chunk as they are stored, in the format of the "fmt " chunk; the sample converter decides
// whether it can process that format.
//
// Damaged files are read as far as they make sense and never beyond the file:
// - a "data" chunk that claims more bytes than the file holds (a cut download, the 0xFFFFFFFF or
//   0x7FFFF000 that streaming writers leave when they cannot seek back, or a plain lie) is cut
//   to the bytes the file holds, so its length never exceeds the file;
// - the RIFF size is not trusted: the chunks of the WAVE form are searched up to the end of the
//   file;
// - reads at or beyond the end of the data deliver silence, never the bytes of a later chunk.

#include <cstdint>

#include "audio/PcmReaderBase.h"
#include "audio/RiffReader.h"

class CWaveReader : public CPcmReader {
public:
    // Created with one reference, closed.
    CWaveReader() = default;

    // Slot 0: the reader answers no interface; E_NOINTERFACE, `out` untouched.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    // Slot 3: opens a RIFF WAVE file (mode is not used). E_FAIL for a missing file, a file that
    // is not RIFF WAVE, a missing "fmt " or "data" chunk, block align 0, or a reader that is
    // already open. A failed open leaves the reader closed.
    HRESULT Open(BSTR path, std::int32_t mode) override;
    // The same for a WAVE file's bytes in memory, which the caller keeps alive while the reader
    // is used.
    HRESULT OpenBytes(const void* data, std::size_t size);
    // Slot 4: E_FAIL when not open; otherwise see CPcmReader::CopyFormat.
    HRESULT GetFormat(WAVEFORMATEX* format, std::uint32_t* bitRate) override;
    // Slot 9: fills exactly `count` bytes from byte `position` of the data. E_FAIL when not open
    // or when position and count reach beyond 4 GiB; E_INVALIDARG for a null buffer.
    // Bytes past the data or past the end of the file are silence: 0x80 for 8-bit samples, 0
    // otherwise.
    HRESULT Read(void* buffer, std::uint64_t position, std::uint32_t count) override;
    // Slot 10: does nothing; S_FALSE. The file stays open until the reader is destroyed.
    HRESULT Close() override;

    ~CWaveReader() override;

private:
    // Finds the format and the data in the opened file_.
    HRESULT ReadLayout();

    CRiffReader file_;
    std::uint32_t dataChunkSize_ = 0;
    std::uint64_t dataChunkOffset_ = 0;
    std::int32_t eightBit_ = 0;
};
