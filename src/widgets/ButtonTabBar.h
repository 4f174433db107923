// A tab row drawn as flat buttons that reports every mouse press with its position.
#pragma once

#include <QTabBar>

namespace veltra {

/// A press of any mouse button anywhere on the row (also on its free part, right of the
/// tabs) emits pressed() with the tab under the mouse, -1 for none. A left press on a tab
/// selects it first, as usual.
class ButtonTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit ButtonTabBar(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void pressed(int tab, Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace veltra
