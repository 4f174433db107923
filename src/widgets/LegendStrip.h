// The legend of a chart as a strip of entries below it: a coloured symbol and a text each,
// flowing left to right and wrapping between entries, never inside one.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

namespace veltra {

class LegendStrip : public QWidget
{
public:
    struct Entry
    {
        QString symbol;      ///< drawn in `symbolColour`, or in the text colour when invalid
        QColor symbolColour; ///< invalid: the text colour
        QString text;
        bool operator==(const Entry&) const = default;
    };

    explicit LegendStrip(QWidget* parent = nullptr);

    /// New entries repaint the strip; only a new number of lines at its width asks the
    /// window for a new layout. A chart's legend that changes with every selection (fit
    /// names with their statistics) then costs a repaint, not a layout of the window.
    void setEntries(const QList<Entry>& entries);
    const QList<Entry>& entries() const { return m_entries; }
    /// The entries as one line of plain text, "symbol text" separated by three blanks.
    QString text() const;
    /// The lines the entries take at `width` pixels: at least one when there are entries.
    int lineCount(int width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    /// The index of the first entry of each line at `width`.
    QList<int> lineStarts(int width) const;
    void measure();

    QList<Entry> m_entries;
    QList<int> m_symbolWidths; ///< of each entry's symbol and the blank after it
    QList<int> m_widths;       ///< of each entry whole
    int m_gap = 0;             ///< between two entries on a line
};

} // namespace veltra
