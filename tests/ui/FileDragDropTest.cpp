#include <gtest/gtest.h>

#include <QMimeData>

#include "ui/FileDragDrop.h"

namespace {
QByteArray Bytes(std::initializer_list<unsigned> values) {
    QByteArray out;
    for (unsigned v : values) out.append(static_cast<char>(v));
    return out;
}
}  // namespace

TEST(DropFilesBlock, HeaderThenZeroTerminatedWidePathsThenAZero) {
    const QByteArray block = BuildDropFilesBlock({u"/a", u"/bc"});
    const QByteArray expected = Bytes({0x14, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  1, 0, 0, 0,
                                       '/', 0, 'a', 0, 0, 0,
                                       '/', 0, 'b', 0, 'c', 0, 0, 0,
                                       0, 0});
    EXPECT_EQ(block, expected);
    EXPECT_EQ(block.size(), 20 + (2 * 2 + 2) + (2 * 3 + 2) + 2);
    // Characters outside the basic plane are two code units; they are written as they are.
    const QByteArray clef = BuildDropFilesBlock({u"/\U0001D11E"});
    EXPECT_EQ(clef.mid(20), Bytes({'/', 0, 0x34, 0xD8, 0x1E, 0xDD, 0, 0, 0, 0}));
    EXPECT_EQ(BuildDropFilesBlock({}).size(), 22);
}

TEST(UriList, PathsArePercentEncodedFileAddresses) {
    EXPECT_EQ(BuildUriList({u"/music/a b#1.wav", u"/x/\u00e9.mp3"}),
              QByteArray("file:///music/a%20b%231.wav\r\nfile:///x/%C3%A9.mp3\r\n"));
    // A name that was not valid UTF-8 (the byte E9 alone) keeps its byte.
    const WString raw = u"/m/\xDCE9.wav";
    EXPECT_EQ(BuildUriList({raw}), QByteArray("file:///m/%E9.wav\r\n"));
    EXPECT_EQ(ParseUriList(BuildUriList({raw, u"/m/a b.wav"})), (std::vector<WString>{raw, u"/m/a b.wav"}));
}

TEST(UriList, OnlyLocalFilesAreTaken) {
    const QByteArray list =
        "# a comment\r\n"
        "file:///x/y.wav\r\n"
        "http://host/z.wav\r\n"
        "file://otherhost/q.wav\r\n"
        "FILE://localhost/k%20l.wav\r\n"
        "file:/single.wav\n"
        "\r\n"
        "file:relative.wav\r\n";
    EXPECT_EQ(ParseUriList(list), (std::vector<WString>{u"/x/y.wav", u"/k l.wav", u"/single.wav"}));
    EXPECT_TRUE(ParseUriList("").empty());
}

TEST(UriList, DropDataWithoutAFileListIsRefused) {
    ComPtr<CFileList> list(new CFileList);
    list->Add(u"/kept");
    QMimeData text;
    text.setText(QStringLiteral("file:///not/a/list.wav"));
    EXPECT_FALSE(AddFromDataObject(*list.Get(), text));
    EXPECT_EQ(list->Count(), 1);

    QMimeData empty;
    empty.setData(QLatin1String(kUriListMime), QByteArray());
    EXPECT_TRUE(AddFromDataObject(*list.Get(), empty));  // zero names is still a file drop
    EXPECT_EQ(list->Count(), 1);

    QMimeData files;
    files.setData(QLatin1String(kUriListMime), "file:///a.wav\r\nfile:///d/\r\n");
    EXPECT_TRUE(AddFromDataObject(*list.Get(), files));
    EXPECT_EQ(list->Paths(), (std::vector<WString>{u"/kept", u"/a.wav", u"/d/"}));
}

TEST(UriList, DragDataCarriesBothForms) {
    std::unique_ptr<QMimeData> data(CreateFileDragData({u"/m/a.wav", u"/m/b.wav"}));
    EXPECT_EQ(data->data(QLatin1String(kUriListMime)), QByteArray("file:///m/a.wav\r\nfile:///m/b.wav\r\n"));
    EXPECT_EQ(data->data(QLatin1String(kDropFilesMime)), BuildDropFilesBlock({u"/m/a.wav", u"/m/b.wav"}));
}
