#include <QClipboard>
#include <QDrag>
#include <QGuiApplication>
#include <QSignalSpy>
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
// Titles, artists and BPMs whose orders differ: titles without regard to case ("a" < "b" < "C",
// although "C" < "a" by code units), BPM by number (99.50 < 100.00 < 128.00, although
// "128.00" < "99.50" as text).
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
    EXPECT_EQ(ColumnTexts(0), L({"a", "b", "C"}));
    EXPECT_TRUE(View().header()->isSortIndicatorShown());
    EXPECT_EQ(View().header()->sortIndicatorSection(), 0);
    EXPECT_EQ(View().header()->sortIndicatorOrder(), Qt::AscendingOrder);
    View().OnColumnClick(0);
    EXPECT_EQ(ColumnTexts(0), L({"C", "b", "a"}));
    EXPECT_EQ(View().header()->sortIndicatorOrder(), Qt::DescendingOrder);
    View().OnColumnClick(0);
    EXPECT_EQ(ColumnTexts(0), L({"a", "b", "C"}));
    // A refresh after the sort shows path order again, and no arrow.
    View().RefreshList();
    EXPECT_EQ(ColumnTexts(0), L({"b", "a", "C"}));
    EXPECT_FALSE(View().header()->isSortIndicatorShown());
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
    EXPECT_EQ(ColumnTexts(0), L({"a", "b", "C"}));
}

TEST_F(CatalogListTest, BpmSortIsNumericAndHeaderClicksSort) {
    AddEntries({{"1.wav", "t1", "", "128"}, {"2.wav", "t2", "", "99.5"}, {"3.wav", "t3", "", ""},
                {"4.wav", "t4", "", "250"}, {"5.wav", "t5", "", "100"}});
    ClickHeader(*View().header(), 2);
    // t3's file is missing: its analysis failed, and it sorts after every number.
    EXPECT_EQ(ColumnTexts(2), L({"250.00", "128.00", "100.00", "99.50", "failed"}));
    EXPECT_EQ(View().SortField(), 256);
    EXPECT_EQ(View().header()->sortIndicatorSection(), 2);
    // Sorting keeps each row's cells together and moves the selection with its row.
    SelectRows({1});
    ClickHeader(*View().header(), 2);
    EXPECT_EQ(ColumnTexts(0), L({"t2", "t5", "t1", "t4", "t3"}));
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
    EXPECT_EQ(ColumnTexts(0).mid(1), L({"a", "C"}));
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
}

TEST_F(CatalogListTest, KeysRunTheirCommandsAndTooltipsNameThem) {
    const std::vector<std::uint32_t> ids = AddEntries(
        {{"1.wav", "One", "Ann", "120"}, {"2.wav", "Two", "", "99.5"}, {"3.wav", "Three", "Cy", "100"}});
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    View().setFocus();

    // Ctrl+A selects every row; Ctrl+C copies the selected rows as tab-separated lines, in row
    // order, as the cells show them, and changes nothing in the list.
    QTest::keyClick(&View(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(View().selectionModel()->selectedRows().size(), 3);
    SelectRows({2, 0});
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&View(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("One\tAnn\t120.00\t\nThree\tCy\t100.00\t\n"));
    EXPECT_EQ(ColumnTexts(0), L({"One", "Two", "Three"}));

    // F5 analyses the selected rows again: their BPMs are cleared and queued, the others stay.
    SelectRows({1});
    QTest::keyClick(&View(), Qt::Key_F5);
    EXPECT_EQ(View().Rows().CellText(0, 2), QStringLiteral("120.00"));
    EXPECT_NE(View().Rows().CellText(1, 2), QStringLiteral("99.50"));
    ComPtr<CCatItem> item;
    ASSERT_EQ(Catalog()->GetItem(ids[1], item.Out()), S_OK);
    EXPECT_EQ(item->GetBpm(), 0.0f);

    // Each command's keys, and the tooltip that names the first one.
    const struct {
        const char* action;
        QKeySequence key;
        const char* toolTip;
    } keys[] = {
        {"actionImport", QKeySequence(Qt::CTRL | Qt::Key_I), "Import (Ctrl+I)"},
        {"actionExport", QKeySequence(Qt::CTRL | Qt::Key_E), "Export (Ctrl+E)"},
        {"actionPrint", QKeySequence(Qt::CTRL | Qt::Key_P), "Print (Ctrl+P)"},
        {"actionHelp", QKeySequence(Qt::Key_F1), "Help (F1)"},
        {"actionRescanSelected", QKeySequence(Qt::Key_F5), "Rescan Selected (F5)"},
        {"actionCopy", QKeySequence(Qt::CTRL | Qt::Key_C), "Copy (Ctrl+C)"},
        {"actionSelectAll", QKeySequence(Qt::CTRL | Qt::Key_A), "Select All (Ctrl+A)"},
        {"actionDelete", QKeySequence(Qt::Key_Delete), "Remove (Del)"},
    };
    for (const auto& k : keys) {
        QAction& action = Action(k.action);
        EXPECT_EQ(action.shortcuts().value(0), k.key) << k.action;
        EXPECT_EQ(action.toolTip(), QString::fromUtf8(k.toolTip)) << k.action;
    }
    // The keys reach their commands from anywhere in the window.
    Action("actionPrint").disconnect();  // no print dialog, no browser: only the trigger counts
    Action("actionHelp").disconnect();
    QSignalSpy printed(&Action("actionPrint"), &QAction::triggered);
    QSignalSpy helped(&Action("actionHelp"), &QAction::triggered);
    QTest::keyClick(&View(), Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(&View(), Qt::Key_F1);
    EXPECT_EQ(printed.count(), 1);
    EXPECT_EQ(helped.count(), 1);
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
    // Every selected file as a file:// address, readable after exec() has returned; copy is
    // proposed, link allowed, move never (a file manager would take the files away).
    EXPECT_EQ(data->urls(), (QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(a)),
                                         QUrl::fromLocalFile(QString::fromStdString(c))}));
    EXPECT_EQ(drag->supportedActions(), Qt::CopyAction | Qt::LinkAction);
    EXPECT_EQ(drag->defaultAction(), Qt::CopyAction);
    EXPECT_EQ(View().model()->supportedDragActions() & Qt::MoveAction, Qt::IgnoreAction);

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
    View().UpdateRow(ids[0]);  // its file is missing: the analysis failed
    EXPECT_EQ(ColumnTexts(2), L({"120.00", "failed"}));
    View().ShowRowProgress(9999, 50);  // no such entry
    View().UpdateRow(9999);
    EXPECT_EQ(ColumnTexts(2), L({"120.00", "failed"}));
}

TEST_F(CatalogListTest, ControlCharactersInTagsShowAsSpaces) {
    AddEntries({{"a.wav", "Tab\there\nnext\x1b[31mred", "A\r\nB", "120"}});
    EXPECT_EQ(ColumnTexts(0), L({"Tab here next [31mred"}));
    EXPECT_EQ(ColumnTexts(1), L({"A  B"}));
}

TEST_F(CatalogListTest, TitlesAndArtistsSortAsPeopleReadThem) {
    AddEntries({{"1.wav", "Track 10", "dj Zed", "120"}, {"2.wav", "track 2", "DJ amy", "120"},
                {"3.wav", "Track 1", "DJ 9", "120"}, {"4.wav", "apple", "DJ 10", "120"},
                {"5.wav", "Banana", "dj Amy", "120"}});
    View().OnColumnClick(0);
    EXPECT_EQ(ColumnTexts(0), L({"apple", "Banana", "Track 1", "track 2", "Track 10"}));
    View().OnColumnClick(1);  // ascending carries over; equal names keep their order
    EXPECT_EQ(ColumnTexts(1), L({"DJ 9", "DJ 10", "dj Amy", "DJ amy", "dj Zed"}));
    EXPECT_EQ(View().header()->sortIndicatorSection(), 1);
    EXPECT_EQ(View().header()->sortIndicatorOrder(), Qt::AscendingOrder);
}
