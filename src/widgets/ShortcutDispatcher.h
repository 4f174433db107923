// Keyboard dispatch for a window: its menu shortcuts first, then the mnemonics of its
// shown buttons, then everything else.
#pragma once

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QAction;
class QKeyEvent;
class QWidget;

namespace veltra {

/// Watches the key presses of every widget of one window. A key that is the shortcut of
/// one of the window's enabled, visible actions (window shortcut context) triggers it,
/// before any control or mnemonic sees the key: Alt+C of a menu entry would otherwise
/// clash with the menu bar's mnemonics and do nothing. Then Alt+letter of a shown,
/// enabled button presses it, before the menu bar's mnemonic for the same letter.
class ShortcutDispatcher : public QObject
{
    Q_OBJECT
public:
    /// Installs itself on the application; it is removed with the window.
    explicit ShortcutDispatcher(QWidget* window);

    /// The enabled, visible action of the window whose shortcut is the pressed key.
    QAction* MenuShortcutAction(const QKeyEvent& key) const;
    /// The shown, enabled button of the window whose mnemonic is the pressed Alt+key.
    QAbstractButton* MnemonicButton(const QKeyEvent& key) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace veltra
