// One line of text that changes often (a window's heading, a status-bar panel): its size
// does not follow its text, so a new text repaints the line without laying its window out
// again.
#pragma once

#include <QFrame>
#include <QString>

namespace veltra {

/// Shows its text on one line, as a label with the same font, palette and frame does: a
/// framed line keeps half an "x" between its frame and its text. A text wider than the
/// line is cut with an ellipsis and shown whole as the tool tip. The line is one text line
/// high and takes the width its layout gives it; setText() with another text repaints it
/// and asks for no new layout, which in a window full of wrapped labels and charts saves
/// laying all of them out on every change.
class TextLine : public QFrame
{
public:
    explicit TextLine(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    /// Half an "x" when the line has a frame, as a framed label keeps; else none.
    int indent() const;
    /// Where the text goes: inside the frame, indented when there is one.
    QRect textRoom() const;
    void updateToolTip();

    QString m_text;
};

} // namespace veltra
