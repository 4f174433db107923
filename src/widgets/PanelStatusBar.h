// A status bar made of fixed-width text panels that reports mouse presses.
#pragma once

#include <QList>
#include <QStatusBar>
#include <QString>

namespace veltra {

class TextLine;

/// Panels are added left to right with a width and an initial text; a text wider than its
/// panel is cut with an ellipsis and shown whole as the panel's tool tip. A press of any mouse
/// button anywhere on the bar emits pressed().
class PanelStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit PanelStatusBar(QWidget* parent = nullptr);

    /// stretch: the panel is at least `width` wide and takes the room left over.
    void addPanel(int width, const QString& text, bool stretch = false);
    int panelCount() const { return int(m_panels.size()); }
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

Q_SIGNALS:
    void pressed(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QList<TextLine*> m_panels;
};

} // namespace veltra
