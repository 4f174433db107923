// Finding a window's controls, and the program's other windows, by object name: every
// control carries the name of its design, so the tests depend on what a user sees and
// never on how a window class keeps its controls.
#pragma once

#include <QApplication>
#include <QList>
#include <QObject>
#include <QWidget>

namespace fixture {

/// The one object of type T named `name` below root. Stops the test run naming the
/// object, its expected type and root when there is none, or more than one.
template <class T> T* Child(const QObject& root, const char* name)
{
    const QList<T*> found = root.findChildren<T*>(QLatin1String(name));
    if (found.size() != 1)
        qFatal("%lld objects of type %s named \"%s\" below \"%s\" (one expected)",
               static_cast<long long>(found.size()), T::staticMetaObject.className(), name,
               qPrintable(root.objectName()));
    return found.first();
}

/// The open windows (top-level widgets, shown or not) of type T named `name`.
template <class T = QWidget> QList<T*> Windows(const char* name)
{
    QList<T*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(name))
            if (auto* window = qobject_cast<T*>(widget))
                found << window;
    return found;
}

/// The one window of type T named `name`. Stops the test run naming the window and its
/// expected type when there is none, or more than one.
template <class T = QWidget> T* Window(const char* name)
{
    const QList<T*> found = Windows<T>(name);
    if (found.size() != 1)
        qFatal("%lld windows of type %s named \"%s\" (one expected)",
               static_cast<long long>(found.size()), T::staticMetaObject.className(), name);
    return found.first();
}

} // namespace fixture
