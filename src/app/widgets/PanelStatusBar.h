// A status bar made of fixed-width text panels that reports mouse presses.
#pragma once

#include <QList>
#include <QStatusBar>

class QLabel;

namespace veltra {

/// Panels are added left to right with a width and an initial text. A press of any mouse
/// button anywhere on the bar emits pressed().
class PanelStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit PanelStatusBar(QWidget* parent = nullptr);

    void addPanel(int width, const QString& text);
    int panelCount() const { return int(m_panels.size()); }
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

Q_SIGNALS:
    void pressed(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QList<QLabel*> m_panels;
};

} // namespace veltra
