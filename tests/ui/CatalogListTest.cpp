#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QTest>

#include "catalog/CatItem.h"
#include "tests/ui/UiFixture.h"
#include "ui/CatalogRowModel.h"
#include "ui/FileDragDrop.h"

using CatalogListTest = UiFixture;

namespace {
// Titles, artists and BPMs whose orders differ: titles by code units ("C" < "a" < "b"), BPM by
// number (99.50 < 100.00 < 128.00, although "128.00" < "99.50" as text).
const std::vector<EntrySpec> kThree = {
    {"1.wav", "b", "Zed", "128"},
    {"2.wav", "a", "Amy", "99.5"},
    {"3.wav", "C", "Moe", "100"},
};

// A mouse click on the heading of column `column`.
void ClickHeader(QHeaderView& header, int column) {
    const QPoint at(header.sectionViewportPosition(column) + header.sectionSize(column) / 2, header.height() / 2);
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, at);
}

QStringList L(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts) out << QString::fromUtf8(t);
    return out;
}
}  // namespace

TEST_F(CatalogListTest, RowsComeInPathOrder) {
    AddEntries(kThree);
    EXPECT_EQ(ColumnTexts(0), L({"b", "a", "C"}));
    EXPECT_EQ(ColumnTexts(1), L({"Zed", "Amy", "Moe"}));
    EXPECT_EQ(ColumnTexts(2), L({"128.00", "99.50", "100.00"}));
}

TEST_F(CatalogListTest, FirstClickOnTitleSortsAscendingAndTheNextInverts) {
    AddEntries(kThree);
    View().OnColumnClick(0);
    EXPECT_EQ(ColumnTexts(0), L({"C", "a", "b"}));
    View().OnColumnClick(0);
    EXPECT_EQ(ColumnTexts(0), L({"b", "a", "C"}));
    View().OnColumnClick(0);
    EXPECT_EQ(ColumnTexts(0), L({"C", "a", "b"}));
    // A refresh after the sort shows path order again.
    View().RefreshList();
    EXPECT_EQ(ColumnTexts(0), L({"b", "a", "C"}));
}

TEST_F(CatalogListTest, FirstClickOnArtistOrBpmKeepsTheDirection) {
    AddEntries(kThree);
    View().OnColumnClick(1);  // still descending, as at start
    EXPECT_EQ(ColumnTexts(1), L({"Zed", "Moe", "Amy"}));
    View().OnColumnClick(2);  // another column: the direction stays descending
    EXPECT_EQ(ColumnTexts(2), L({"128.00", "100.00", "99.50"}));
    View().OnColumnClick(2);
    EXPECT_EQ(ColumnTexts(2), L({"99.50", "100.00", "128.00"}));
    View().OnColumnClick(0);  // ascending carries over to the title
    EXPECT_EQ(ColumnTexts(0), L({"C", "a", "b"}));
}

TEST_F(CatalogListTest, BpmSortIsNumericAndHeaderClicksSort) {
    AddEntries({{"1.wav", "t1", "", "128"}, {"2.wav", "t2", "", "99.5"}, {"3.wav", "t3", "", ""},
                {"4.wav", "t4", "", "250"}, {"5.wav", "t5", "", "100"}});
    ClickHeader(*View().header(), 2);
    EXPECT_EQ(ColumnTexts(2), L({"250.00", "128.00", "100.00", "99.50", ""}));
    EXPECT_EQ(View().SortField(), 256);
    // Sorting keeps each row's cells together and moves the selection with its row.
    SelectRows({1});
    ClickHeader(*View().header(), 2);
    EXPECT_EQ(ColumnTexts(0), L({"t3", "t2", "t5", "t1", "t4"}));
    const QModelIndexList selected = View().selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(View().Rows().CellText(selected[0].row(), 0), QStringLiteral("t1"));
}

TEST_F(CatalogListTest, AnEntryGoneFromTheCatalogStaysWhereItIsWhenSorting) {
    const std::vector<std::uint32_t> ids = AddEntries(kThree);
    Catalog()->RemoveItem(ids[0]);  // the row stays until the next refresh
    View().OnColumnClick(0);
    EXPECT_EQ(View().Rows().rowCount(), 3);
    EXPECT_EQ(View().Rows().RowOfId(ids[0]), 0);
    EXPECT_EQ(ColumnTexts(0).mid(1), L({"C", "a"}));
}

TEST_F(CatalogListTest, DeleteKeysRemoveTheSelectedEntriesOnly) {
    const std::vector<std::uint32_t> ids = AddEntries(
        {{"1.wav", "one", "", ""}, {"2.wav", "two", "", ""}, {"3.wav", "three", "", ""},
         {"4.wav", "four", "", ""}, {"5.wav", "five", "", ""}});
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    View().setFocus();

    SelectRows({0, 2});
    QTest::keyClick(&View(), Qt::Key_Delete);
    EXPECT_EQ(ColumnTexts(0), L({"two", "four", "five"}));
    CatItemVector items;
    Catalog()->GetItems(&items);
    EXPECT_EQ(items.size(), 3u);
    for (const ComPtr<CCatItem>& item : items) {
        EXPECT_NE(item->GetId(), ids[0]);
        EXPECT_NE(item->GetId(), ids[2]);
    }

    SelectRows({2});
    QTest::keyClick(&View(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(ColumnTexts(0), L({"two", "four"}));
    SelectRows({0});
    QTest::keyClick(&View(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(ColumnTexts(0), L({"four"}));
    // Without a selection only the list is rebuilt.
    View().clearSelection();
    Action("actionDelete").trigger();
    EXPECT_EQ(ColumnTexts(0), L({"four"}));
    // Copy is no command of this list.
    SelectRows({0});
    QTest::keyClick(&View(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ColumnTexts(0), L({"four"}));
}

TEST_F(CatalogListTest, DroppedFilesAndFoldersAreImported) {
    for (const char* name : {"single.wav", "folder/x.wav", "folder/deep/y.wav", "folder/z.ogg"}) {
        std::filesystem::create_directories((music.Path() / name).parent_path());
        WriteFileBytes(music.Path() / name, "not audio");
    }
    QMimeData data;
    data.setData(QLatin1String(kUriListMime),
                 BuildUriList({music.W("single.wav"), music.W("folder")}));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(View().viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);

    bool progressShown = false;
    WhenModalShows(QStringLiteral("progressDialog"), [&](QWidget&) { progressShown = true; });
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(View().viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(WaitFor([&] { return View().Rows().rowCount() == 3; }));
    EXPECT_TRUE(progressShown);

    // Plain text is no file drop.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(View().viewport(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(CatalogListTest, DraggingRowsOutOffersTheirFiles) {
    const std::vector<std::uint32_t> ids =
        AddEntries({{"a.wav", "A", "", ""}, {"b.wav", "B", "", ""}, {"c.wav", "C", "", ""}});
    SelectRows({2, 0});
    View().BeginDragOfSelection();
    // The drag has ended (no drag runs offscreen); its object lives until the next event round.
    auto* drag = View().findChild<QDrag*>();
    ASSERT_NE(drag, nullptr);
    const QMimeData* data = drag->mimeData();
    const std::string a = Utf16ToUtf8(music.W("a.wav"));
    const std::string c = Utf16ToUtf8(music.W("c.wav"));
    EXPECT_EQ(data->data(QLatin1String(kUriListMime)),
              QByteArray::fromStdString("file://" + a + "\r\nfile://" + c + "\r\n"));

    // The DROPFILES block, byte by byte.
    QByteArray expected("\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x01\0\0\0", 20);
    for (const std::string& path : {a, c}) {
        for (char ch : path) expected.append(ch).append('\0');  // the test folder's path is ASCII
        expected.append('\0').append('\0');
    }
    expected.append('\0').append('\0');
    EXPECT_EQ(data->data(QLatin1String(kDropFilesMime)), expected);
    EXPECT_EQ(expected.size(), static_cast<qsizetype>(20 + (2 * a.size() + 2) + (2 * c.size() + 2) + 2));
    EXPECT_EQ(drag->supportedActions(), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);

    // Rows whose entry has gone are left out; the catalog never changes by a drag.
    Catalog()->RemoveItem(ids[0]);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    View().BeginDragOfSelection();
    drag = View().findChild<QDrag*>();
    ASSERT_NE(drag, nullptr);
    EXPECT_EQ(drag->mimeData()->data(QLatin1String(kUriListMime)),
              QByteArray::fromStdString("file://" + c + "\r\n"));
    EXPECT_EQ(View().Rows().rowCount(), 3);
}

TEST_F(CatalogListTest, ProgressAndRowUpdatesFindRowsById) {
    const std::vector<std::uint32_t> ids =
        AddEntries({{"a.wav", "A", "", ""}, {"b.wav", "B", "", "120"}});
    View().OnColumnClick(0);
    View().OnColumnClick(0);  // descending: B, A
    View().ShowRowProgress(ids[0], 37);
    EXPECT_EQ(ColumnTexts(2), L({"120.00", "37%"}));
    View().UpdateRow(ids[0]);
    EXPECT_EQ(ColumnTexts(2), L({"120.00", ""}));
    View().ShowRowProgress(9999, 50);  // no such entry
    View().UpdateRow(9999);
    EXPECT_EQ(ColumnTexts(2), L({"120.00", ""}));
}
