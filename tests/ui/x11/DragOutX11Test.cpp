// Dragging files out of the program to another program under a real X server. On X11 the drop
// target fetches the dragged data after the source's drag loop has ended, so this is where a
// drag whose data dies with exec() shows up: the target receives nothing.
//
// The same executable is the drop target when started with "--drop-target <file>": a window at
// kTargetRect that accepts file drops and writes what it received into <file>.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "tests/support/TempDir.h"
#include "ui/FileDragDrop.h"

namespace {
const QRect kSourceRect(40, 80, 240, 240);
const QRect kTargetRect(520, 80, 300, 300);

class DropTarget : public QWidget {
public:
    explicit DropTarget(QString out) : out_(std::move(out)) { setAcceptDrops(true); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        // What a file manager looks at: the URLs, and the action proposed by the source.
        QStringList lines;
        for (const QUrl& url : event->mimeData()->urls()) lines << url.toString(QUrl::FullyEncoded);
        lines << QStringLiteral("proposed=%1 possible=%2")
                     .arg(static_cast<int>(event->proposedAction()))
                     .arg(static_cast<int>(event->possibleActions()));
        event->acceptProposedAction();
        QFile file(out_);
        if (file.open(QIODevice::WriteOnly)) file.write(lines.join(u'\n').toUtf8());
        QTimer::singleShot(300, qApp, &QCoreApplication::quit);
    }

private:
    QString out_;
};

int RunDropTarget(const QString& out) {
    DropTarget target(out);
    target.setWindowTitle(QStringLiteral("drop target"));
    target.setGeometry(kTargetRect);
    target.show();
    if (!QTest::qWaitForWindowExposed(&target)) return 2;
    QFile ready(out + QStringLiteral(".ready"));
    if (!ready.open(QIODevice::WriteOnly)) return 2;
    ready.close();
    QTimer::singleShot(30000, qApp, &QCoreApplication::quit);  // never outlive the test
    return QApplication::exec();
}

QString Str(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }
}  // namespace

TEST(DragOutUnderX11, AnotherProgramReceivesEveryFileAsACopy) {
    TempDir dir;
    const QString out = Str(dir.Path() / "received.txt");
    QProcess target;
    target.setProcessChannelMode(QProcess::ForwardedChannels);
    target.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--drop-target"), out});
    ASSERT_TRUE(target.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(out + QStringLiteral(".ready")); }, 20000));

    QWidget source;
    source.setGeometry(kSourceRect);
    source.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&source));
    QWindow* window = source.windowHandle();

    // The pointer, held down, travels from the source onto the target and is let go there.
    const QPoint drop = kTargetRect.center();
    QTimer::singleShot(200, &source, [&] {
        for (int step = 0; step <= 10; ++step) {
            const QPoint at = kSourceRect.center() + (drop - kSourceRect.center()) * step / 10;
            QTest::mouseMove(window, window->mapFromGlobal(at));
            QTest::qWait(60);
        }
        QTest::qWait(200);
        QTest::mouseRelease(window, Qt::LeftButton, {}, window->mapFromGlobal(drop));
    });
    QTest::mousePress(window, Qt::LeftButton, {}, window->mapFromGlobal(kSourceRect.center()));

    ComPtr<CFileList> files(new CFileList);
    files->Add(u"/music/first track.wav");
    files->Add(u"/music/second.mp3");
    BeginFileDrag(*files.Get(), &source);
    // Whatever the source drops right after the drag loop is gone now; the target still has to
    // ask for the data.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_TRUE(QTest::qWaitFor([&] { return target.state() == QProcess::NotRunning; }, 20000));
    QFile received(out);
    ASSERT_TRUE(received.open(QIODevice::ReadOnly)) << "the target saw no drop";
    const QStringList lines = QString::fromUtf8(received.readAll()).split(u'\n');
    EXPECT_EQ(lines, (QStringList{QStringLiteral("file:///music/first%20track.wav"),
                                  QStringLiteral("file:///music/second.mp3"),
                                  QStringLiteral("proposed=%1 possible=%2")
                                      .arg(static_cast<int>(Qt::CopyAction))
                                      .arg(static_cast<int>(Qt::CopyAction | Qt::LinkAction))}));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--drop-target") return RunDropTarget(QString::fromLocal8Bit(argv[2]));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
