#include "tables/TableExport.h"

#include "tables/ResultTable.h"
#include "util/SafeFile.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <limits>
#include <optional>

namespace veltra {

QString ClipboardText(const QStringList& lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

namespace {

// Lines with more extra characters than this are cut without weighing every choice,
// so that the cost per line stays linear.
constexpr qsizetype kMaxWeighedOverflow = 64;

bool IsBlank(const QString& line, qsizetype i)
{
    return i >= line.size() || line.at(i) == u' ';
}

// The column widths a header line defines: each run of non-blank characters ends a column.
QList<int> WidthsFromHeader(const QString& header)
{
    QList<int> widths;
    qsizetype start = 0;
    for (qsizetype i = 0; i < header.size(); ++i) {
        if (!IsBlank(header, i) && IsBlank(header, i + 1)) {
            widths << static_cast<int>(i + 1 - start);
            start = i + 1;
        }
    }
    return widths;
}

// Cuts one line of a fixed-width table at the columns of the given widths.
class FixedWidthCutter
{
public:
    FixedWidthCutter(const QString& line, const QList<int>& widths) : m_line(line), m_widths(widths)
    {
        m_starts.reserve(widths.size() + 1);
        qsizetype total = 0;
        for (const int width : widths) {
            m_starts << total;
            total += std::max(width, 0);
        }
        m_starts << total;
        m_overflow = std::max<qsizetype>(0, line.size() - total);
        // gapStarts[i]: runs of two or more blanks that begin before position i, each
        // counted at its first blank that follows a non-blank character.
        m_gapStarts.resize(line.size() + 1, 0);
        for (qsizetype i = 0; i < line.size(); ++i) {
            const bool gap = i > 0 && !IsBlank(line, i - 1) && line.at(i) == u' ' &&
                             i + 1 < line.size() && line.at(i + 1) == u' ';
            m_gapStarts[i + 1] = m_gapStarts[i] + (gap ? 1 : 0);
        }
    }

    QStringList Cells() const
    {
        const qsizetype columns = m_widths.size();
        QList<qsizetype> extra(columns, 0);
        if (columns == 0)
            return {};
        if (m_overflow <= kMaxWeighedOverflow)
            Weigh(extra);
        else
            GiveToFirst(extra);
        QStringList cells;
        qsizetype used = 0;
        for (qsizetype j = 0; j < columns; ++j) {
            const qsizetype from = m_starts[j] + used;
            const qsizetype to =
                j + 1 == columns ? m_line.size() : m_starts[j + 1] + used + extra[j];
            used += extra[j];
            cells << m_line.mid(from, std::max<qsizetype>(0, to - from)).trimmed();
        }
        return cells;
    }

private:
    // The region of column j when `used` extra characters went to the columns before it
    // and x go to it; -1 when a cell cannot take that region.
    qsizetype Cost(qsizetype j, qsizetype used, qsizetype x) const
    {
        const qsizetype from = m_starts[j] + used;
        const bool last = j + 1 == m_widths.size();
        const qsizetype to = last ? m_line.size() : m_starts[j + 1] + used + x;
        if (from >= m_line.size() || to <= from)
            return 0;
        if (x > 0 && !last &&
            (IsBlank(m_line, from) || IsBlank(m_line, to - 1) || to > m_line.size()))
            return -1;
        // Gaps inside the cell: a run starting after `from`, with a non-blank before `to`.
        const qsizetype inner = std::min(to, m_line.size()) - 1;
        if (inner <= from + 1)
            return 0;
        return m_gapStarts[inner] - m_gapStarts[from + 1];
    }

    void Weigh(QList<qsizetype>& extra) const
    {
        const qsizetype columns = m_widths.size();
        const qsizetype d = m_overflow;
        constexpr qsizetype kNone = std::numeric_limits<qsizetype>::max();
        // best[j][u]: the fewest gaps of columns j.. when u extra characters are used
        // before column j.
        QList<QList<qsizetype>> best(columns + 1, QList<qsizetype>(d + 1, kNone));
        QList<QList<qsizetype>> choice(columns, QList<qsizetype>(d + 1, 0));
        for (qsizetype u = 0; u <= d; ++u) {
            const qsizetype cost = Cost(columns - 1, u, d - u);
            best[columns - 1][u] = cost < 0 ? kNone : cost;
            choice[columns - 1][u] = d - u;
        }
        for (qsizetype j = columns - 2; j >= 0; --j) {
            for (qsizetype u = 0; u <= d; ++u) {
                // Larger shares first: on a tie the earliest column takes the extra.
                for (qsizetype x = d - u; x >= 0; --x) {
                    const qsizetype own = Cost(j, u, x);
                    const qsizetype rest = best[j + 1][u + x];
                    if (own < 0 || rest == kNone)
                        continue;
                    if (own + rest < best[j][u]) {
                        best[j][u] = own + rest;
                        choice[j][u] = x;
                    }
                }
            }
        }
        qsizetype used = 0;
        for (qsizetype j = 0; j < columns; ++j) {
            extra[j] = best[j][used] == kNone ? 0 : choice[j][used];
            used += extra[j];
        }
    }

    void GiveToFirst(QList<qsizetype>& extra) const
    {
        qsizetype used = 0;
        for (qsizetype j = 0; j + 1 < m_widths.size(); ++j) {
            for (qsizetype x = m_overflow - used; x > 0; --x) {
                if (Cost(j, used, x) >= 0) {
                    extra[j] = x;
                    break;
                }
            }
            used += extra[j];
        }
    }

    const QString& m_line;
    const QList<int>& m_widths;
    QList<qsizetype> m_starts;
    qsizetype m_overflow = 0;
    QList<qsizetype> m_gapStarts;
};

QList<QStringList> FixedWidthCells(const QStringList& lines, const TableTextLayout& layout)
{
    QList<QStringList> rows;
    QList<int> widths = layout.columnWidths;
    QList<int> headerWidths = layout.headerWidths.isEmpty() ? widths : layout.headerWidths;
    bool header = true;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        if (header && widths.isEmpty()) {
            widths = WidthsFromHeader(line);
            headerWidths = widths;
        }
        QStringList cells = FixedWidthCutter(line, header ? headerWidths : widths).Cells();
        if (!header && layout.kind == TableTextKind::Formatted) {
            for (QString& cell : cells) {
                if (cell == u'.')
                    cell.clear();
            }
        }
        rows << cells;
        header = false;
    }
    return rows;
}

// RFC 4180 cells of the whole text: a quoted cell may hold the separator, quotes (doubled)
// and line breaks.
QList<QStringList> SeparatedCells(const QStringList& lines, QChar separator)
{
    const QString text = lines.join(u'\n');
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;      // inside a quoted cell
    bool lineHasText = false; // the current line holds anything (an empty line is no row)
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                cell += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == u'"' && cell.isEmpty()) {
            quoted = true;
            lineHasText = true;
        } else if (c == separator) {
            row << cell;
            cell.clear();
            lineHasText = true;
        } else if (c == u'\n') {
            if (lineHasText || !cell.isEmpty()) {
                row << cell;
                rows << row;
            }
            row.clear();
            cell.clear();
            lineHasText = false;
        } else {
            cell += c;
            lineHasText = true;
        }
    }
    if (lineHasText || !cell.isEmpty()) {
        row << cell;
        rows << row;
    }
    return rows;
}

// A cell for pasted spreadsheet text: quoted when it holds a TAB, a quote or a line break.
QString SpreadsheetCell(const QString& cell)
{
    if (ResultCellNumber(cell)) {
        // The decimal mark the table used (its first "," or ".") becomes the locale's.
        QString text = cell;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == u'.' || text.at(i) == u',') {
                text.replace(i, 1, QLocale::system().decimalPoint());
                break;
            }
        }
        return text;
    }
    if (!cell.contains(u'\t') && !cell.contains(u'"') && !cell.contains(u'\n') &&
        !cell.contains(u'\r'))
        return cell;
    QString quoted = cell;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

QList<QStringList> TableCells(const QStringList& lines, const TableTextLayout& layout)
{
    switch (layout.kind) {
    case TableTextKind::Csv:
        return SeparatedCells(lines, u';');
    case TableTextKind::TabDelimited:
        return SeparatedCells(lines, u'\t');
    case TableTextKind::Formatted:
    case TableTextKind::UserFormatted:
        break;
    }
    return FixedWidthCells(lines, layout);
}

QStringList SpreadsheetLines(const QStringList& lines, const TableTextLayout& layout)
{
    QStringList result;
    for (const QStringList& row : TableCells(lines, layout)) {
        QStringList cells;
        for (const QString& cell : row)
            cells << SpreadsheetCell(cell);
        result << cells.join(u'\t');
    }
    return result;
}

} // namespace veltra
