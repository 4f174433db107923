// A status bar made of fixed-width text panels that reports mouse presses.
#pragma once

#include <QFrame>
#include <QList>
#include <QStatusBar>
#include <QString>

namespace veltra {

/// One sunken panel of the bar showing a line of text, cut at its right edge, with the
/// whole text as tool tip. Its size does not follow its text: a new text repaints the
/// panel alone, where a label would have the bar laid out and repainted whole, and the
/// viewer sets several panels on every row change.
class StatusPanel : public QFrame
{
public:
    explicit StatusPanel(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int indent() const;

    QString m_text;
};

/// Panels are added left to right with a width and an initial text; a text wider than its
/// panel is cut and shown whole as the panel's tool tip. A press of any mouse button
/// anywhere on the bar emits pressed().
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
    QList<StatusPanel*> m_panels;
};

} // namespace veltra
