#include "widgets/ShortcutDispatcher.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace veltra {

ShortcutDispatcher::ShortcutDispatcher(QWidget* window) : QObject(window), m_window(window)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool ShortcutDispatcher::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) ||
        !m_window || !watched->isWidgetType() ||
        static_cast<QWidget*>(watched)->window() != m_window)
        return false;
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (QAction* action = MenuShortcutAction(key)) {
        event->accept();
        if (event->type() == QEvent::KeyPress)
            action->trigger();
        return true;
    }
    if (QAbstractButton* button = MnemonicButton(key)) {
        event->accept();
        if (event->type() == QEvent::KeyPress)
            button->click();
        return true;
    }
    return false;
}

QAbstractButton* ShortcutDispatcher::MnemonicButton(const QKeyEvent& key) const
{
    if (key.modifiers() != Qt::AltModifier || key.key() == 0 || key.key() == Qt::Key_unknown)
        return nullptr;
    const QKeySequence pressed(QKeyCombination(Qt::AltModifier, Qt::Key(key.key())));
    const QList<QAbstractButton*> buttons = m_window->findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons) {
        if (button->isVisible() && button->isEnabled() &&
            QKeySequence::mnemonic(button->text()) == pressed)
            return button;
    }
    return nullptr;
}

QAction* ShortcutDispatcher::MenuShortcutAction(const QKeyEvent& key) const
{
    if (key.key() == 0 || key.key() == Qt::Key_unknown)
        return nullptr;
    const QKeySequence pressed(
        QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
    const QList<QAction*> actions = m_window->findChildren<QAction*>();
    for (QAction* action : actions) {
        if (action->isEnabled() && action->isVisible() &&
            action->shortcutContext() == Qt::WindowShortcut && action->shortcut() == pressed)
            return action;
    }
    return nullptr;
}

} // namespace veltra
