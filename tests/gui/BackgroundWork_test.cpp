// Work on a worker thread while the GUI thread paints: a notice shown before the work
// is painted while it runs, user input and close requests reach no window, and the
// work's failure comes back to the caller.
#include "util/VeltraError.h"
#include "util/ui/BackgroundWork.h"

#include <QLabel>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QTimer>

using veltra::RunWithoutUserInput;

namespace {

/// Counts the paint events of a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class BackgroundWorkTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void paintsAndBlocksInputWhileTheWorkRuns();
    void failureComesBack();
};

void BackgroundWorkTest::paintsAndBlocksInputWhileTheWorkRuns()
{
    QPushButton button(QStringLiteral("Press"));
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    int pressed = 0;
    connect(&button, &QPushButton::clicked, &button, [&pressed] { ++pressed; });

    QLabel notice(QStringLiteral("Working"));
    PaintCounter counter;
    notice.installEventFilter(&counter);
    notice.show();

    // The work waits until the GUI thread has checked everything while it runs.
    QSemaphore checked;
    Qt::HANDLE workThread = nullptr;
    int paintsWhileRunning = 0;
    bool runningSeen = false;
    bool noticeVisible = false;
    bool buttonStillOpen = false;
    QTimer::singleShot(0, &notice, [&] {
        // The event loop runs (this timer fired) while the work waits.
        runningSeen = veltra::IsRunningWithoutUserInput();
        notice.update();
        QTest::qWait(50);
        paintsWhileRunning = counter.paints;
        noticeVisible = notice.isVisible();
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::keyClick(&button, Qt::Key_Space);
        button.close();
        buttonStillOpen = button.isVisible();
        checked.release();
    });
    RunWithoutUserInput([&] {
        workThread = QThread::currentThreadId();
        checked.acquire();
    });

    QVERIFY(workThread != QThread::currentThreadId());
    QVERIFY(runningSeen);
    QVERIFY(noticeVisible);
    QVERIFY(paintsWhileRunning > 0);
    QCOMPARE(pressed, 0);
    QVERIFY(buttonStillOpen);
    QVERIFY(!veltra::IsRunningWithoutUserInput());
    // Afterwards input reaches the windows again.
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(pressed, 1);
}

void BackgroundWorkTest::failureComesBack()
{
    QString message;
    try {
        RunWithoutUserInput(
            [] { throw veltra::VeltraError(QStringLiteral("\"x.xml\": cannot be read")); });
    } catch (const veltra::VeltraError& error) {
        message = error.message();
    }
    QCOMPARE(message, QStringLiteral("\"x.xml\": cannot be read"));
}

QTEST_MAIN(BackgroundWorkTest)
#include "BackgroundWork_test.moc"
