#pragma once
// File lists dropped onto the catalog list or dragged out of it.
//
// Files travel as "text/uri-list" (file:// addresses, what file managers offer and accept).
// A drag out also carries the classic DROPFILES block under kDropFilesMime: a 20-byte header
// (offset of the names 20, drop point 0,0, not client area 0, wide names 1), then each path in
// UTF-16 little endian with its terminating zero, then one more zero character.

#include <QByteArray>
#include <QMimeData>
#include <vector>

#include "catalog/BstrList.h"
#include "platform/Text.h"

class QObject;

inline constexpr char kUriListMime[] = "text/uri-list";
inline constexpr char kDropFilesMime[] = "application/x-tempowright-dropfiles";

// Appends every local file path of the drop, in the drop's order, and answers true; false (list
// unchanged) when the data offers no file list. A drop of zero names answers true.
bool AddFromDataObject(CFileList& list, const QMimeData& data);

// What a drag out of the list offers: copy (the default) and link. Never move: a file manager
// would take the files out of the user's music folders.
inline constexpr Qt::DropActions kFileDragActions = Qt::CopyAction | Qt::LinkAction;

// Offers the list's paths to other programs and runs the drag with kFileDragActions, copy
// proposed. The drag and its data stay alive until the target has fetched the data (Qt owns
// them). The outcome is not used by callers; the drop action is returned for tests.
Qt::DropAction BeginFileDrag(const CFileList& list, QObject* source);

// The data that BeginFileDrag offers (the caller owns it).
QMimeData* CreateFileDragData(const std::vector<WString>& paths);

// The DROPFILES block for `paths`: 20 + sum(2 x length + 2) + 2 bytes.
QByteArray BuildDropFilesBlock(const std::vector<WString>& paths);

// "file://" addresses, one per line ended by CR LF; each path's UTF-8 bytes percent-encoded,
// so a name that is not valid UTF-8 keeps its bytes.
QByteArray BuildUriList(const std::vector<WString>& paths);

// The local paths of a "text/uri-list": comments, empty lines, other schemes and other hosts
// are skipped; percent-encoded bytes are decoded as the system decodes file names.
std::vector<WString> ParseUriList(const QByteArray& uriList);
