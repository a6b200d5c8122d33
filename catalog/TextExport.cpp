#include "catalog/TextExport.h"

#include <string>

#include "audio/ComponentIds.h"
#include "catalog/CatItem.h"
#include "platform/SystemError.h"

CTextExportWriter::CTextExportWriter(const WString& path) {
    open_ = file_.TryOpen(path, FileMode::CreateAlways);
}

bool CTextExportWriter::WriteField(std::string_view text) {
    if (text.size() >= kFieldLimitBytes) return false;
    std::string line(text);
    line += separator_;
    try {
        file_.Write(line.data(), line.size());
    } catch (const CFileException&) {
        return false;
    }
    return true;
}

bool CTextExportWriter::WriteRecord(CCatItem& item) {
    if (!open_) return false;
    for (const std::int32_t field : {kFieldPath, kFieldTitle, kFieldArtist, kFieldBpm}) {
        WString text;
        item.GetFieldText(field, text);
        // A tab or line break inside a field would shift the columns or split the entry over
        // two lines: control characters are written as spaces, so every entry stays one line.
        if (!WriteField(Utf16ToAnsi(ControlsAsSpaces(text)))) return false;
    }
    try {
        file_.Write("\r\n", 2);
    } catch (const CFileException&) {
        return false;
    }
    return true;
}
