#include "util/ui/BackgroundWork.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>

#include <exception>
#include <memory>

namespace veltra {

namespace {

bool g_running = false;

/// Swallows the events by which a user acts on the program.
class InputBlocker : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::ContextMenu:
        case QEvent::Drop:
            return true;
        case QEvent::Close:
            // Refused, not merely swallowed: an accepted close event closes the window.
            event->ignore();
            return true;
        default:
            return QObject::eventFilter(watched, event);
        }
    }
};

} // namespace

bool IsRunningWithoutUserInput()
{
    return g_running;
}

void RunWithoutUserInput(const std::function<void()>& work)
{
    std::exception_ptr failure;
    std::unique_ptr<QThread> thread(QThread::create([&work, &failure] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    InputBlocker blocker;
    QCoreApplication::instance()->installEventFilter(&blocker);
    g_running = true;
    // The loop ends when the thread's finished signal arrives (queued to this thread,
    // so also when the work ends before the loop starts).
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    g_running = false;
    QCoreApplication::instance()->removeEventFilter(&blocker);
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace veltra
