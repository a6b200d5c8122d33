#pragma once
// The tab-delimited text export: one line per entry, path TAB title TAB artist TAB BPM TAB CR LF,
// UTF-8 without a byte-order mark, no quoting.

#include <cstdint>
#include <string_view>

#include "platform/File.h"

class CCatItem;

class CTextExportWriter {
public:
    // Creates or truncates the file; when that fails the writer stays closed and writes nothing.
    explicit CTextExportWriter(const WString& path);
    virtual ~CTextExportWriter() = default;

    // Path, title, artist and BPM, each followed by a tab, then CR LF. False as soon as a field
    // cannot be written (the rest of the line is not written either).
    bool WriteRecord(CCatItem& item);
    // The text and the separator in one write. False for a text of kFieldLimitBytes or more
    // bytes (nothing written) and on a write error.
    bool WriteField(std::string_view text);

    bool IsOpen() const { return open_; }

    // A field of this many bytes or more is not written: 1023 plus the separator's one.
    static constexpr std::size_t kFieldLimitBytes = 1024;

private:
    bool open_ = false;
    CFile file_;
    char separator_ = '\t';
};
