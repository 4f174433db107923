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

} // namespace fixture
