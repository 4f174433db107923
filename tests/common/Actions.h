// Running a window's menu commands the way a click on the menu item does.
#pragma once

#include <QAction>
#include <QTest>
#include <QWidget>

namespace fixture {

/// Triggers the action with that object name; fails the test when the window has none.
inline void trigger(QWidget& window, const char* name)
{
    auto* action = window.findChild<QAction*>(QLatin1String(name));
    QVERIFY2(action, name);
    action->trigger();
}

/// Triggers the action with that object name after checking its menu text.
inline void trigger(QWidget& window, const char* name, const QString& text)
{
    auto* action = window.findChild<QAction*>(QLatin1String(name));
    QVERIFY2(action, name);
    QCOMPARE(action->text(), text);
    action->trigger();
}

/// Runs the handler of the action with that object name as a triggered entry does (through
/// the window's guard), also when the entry is disabled: the program keeps hidden,
/// disabled entries whose handlers the tests still exercise.
inline void runHandler(QWidget& window, const char* name)
{
    auto* action = window.findChild<QAction*>(QLatin1String(name));
    QVERIFY2(action, name);
    Q_EMIT action->triggered(action->isChecked());
}

} // namespace fixture
