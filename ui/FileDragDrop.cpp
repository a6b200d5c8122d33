#include "ui/FileDragDrop.h"

#include <QDrag>
#include <QList>

namespace {

constexpr std::uint32_t kDropFilesHeaderSize = 20;
constexpr std::uint32_t kDropFilesWideNames = 1;
constexpr char kFileScheme[] = "file:";
constexpr char kLocalHost[] = "localhost";

void AppendLittleEndian32(QByteArray& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.append(static_cast<char>((value >> shift) & 0xFF));
}

void AppendUtf16LittleEndian(QByteArray& out, char16_t unit) {
    out.append(static_cast<char>(unit & 0xFF));
    out.append(static_cast<char>(unit >> 8));
}

// The path of one "file:" address, or empty when the address is not a local file.
QByteArray LocalPathOfFileUri(const QByteArray& uri) {
    if (!uri.startsWith(kFileScheme) && !uri.toLower().startsWith(kFileScheme)) return {};
    QByteArray rest = uri.mid(static_cast<qsizetype>(sizeof kFileScheme - 1));
    if (rest.startsWith("//")) {
        const qsizetype slash = rest.indexOf('/', 2);
        if (slash < 0) return {};
        const QByteArray host = rest.mid(2, slash - 2);
        if (!host.isEmpty() && host.toLower() != kLocalHost) return {};
        rest = rest.mid(slash);
    }
    if (!rest.startsWith('/')) return {};
    return QByteArray::fromPercentEncoding(rest);
}

}  // namespace

bool AddFromDataObject(CFileList& list, const QMimeData& data) {
    if (!data.hasFormat(QLatin1String(kUriListMime))) return false;
    for (const WString& path : ParseUriList(data.data(QLatin1String(kUriListMime)))) list.Add(path);
    return true;
}

QByteArray BuildDropFilesBlock(const std::vector<WString>& paths) {
    QByteArray block;
    AppendLittleEndian32(block, kDropFilesHeaderSize);  // offset of the first name
    AppendLittleEndian32(block, 0);                     // drop point x
    AppendLittleEndian32(block, 0);                     // drop point y
    AppendLittleEndian32(block, 0);                     // not in the client area: no
    AppendLittleEndian32(block, kDropFilesWideNames);
    for (const WString& path : paths) {
        for (char16_t unit : path) AppendUtf16LittleEndian(block, unit);
        AppendUtf16LittleEndian(block, 0);
    }
    AppendUtf16LittleEndian(block, 0);
    return block;
}

QByteArray BuildUriList(const std::vector<WString>& paths) {
    QByteArray list;
    for (const WString& path : paths) {
        const std::string bytes = Utf16ToUtf8(path);
        list += "file://";
        list += QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toPercentEncoding("/");
        list += "\r\n";
    }
    return list;
}

std::vector<WString> ParseUriList(const QByteArray& uriList) {
    std::vector<WString> paths;
    for (QByteArray line : uriList.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QByteArray path = LocalPathOfFileUri(line);
        if (!path.isEmpty())
            paths.push_back(Utf8ToUtf16(std::string_view(path.constData(), static_cast<size_t>(path.size()))));
    }
    return paths;
}

QMimeData* CreateFileDragData(const std::vector<WString>& paths) {
    auto* data = new QMimeData;
    data->setData(QLatin1String(kUriListMime), BuildUriList(paths));
    data->setData(QLatin1String(kDropFilesMime), BuildDropFilesBlock(paths));
    return data;
}

Qt::DropAction BeginFileDrag(const CFileList& list, QObject* source) {
    // The drag object and its data are left to Qt: on X11 the target asks for the data after
    // exec() has returned, and Qt deletes the drag once that transaction is over.
    auto* drag = new QDrag(source);
    drag->setMimeData(CreateFileDragData(list.Paths()));
    return drag->exec(kFileDragActions, Qt::CopyAction);
}
