// PDF printing of a report: every paragraph laid out on its own for the PDF device, the
// lines of a block set at one scale (a block too wide for portrait pages goes on landscape
// pages), the lines paginated with the keep-together rules, then drawn page by page with a
// page number in the footer. The PDF is built in memory and written whole or not at all.
#include "reports/PdfExport.h"

#include "util/RtfWriter.h"
#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>

#include <algorithm>
#include <memory>
#include <vector>

namespace veltra {

namespace {

// Screen pixels are taken at 96 per inch, the resolution the views are designed for.
constexpr double PointsPerPixel = 72.0 / 96.0;
constexpr double FooterHeight = 10; // millimetres, the lowest band of the text area
constexpr double FooterPointSize = 8;
// No text is set smaller than this, except a block too wide for a landscape page at it.
constexpr double MinimumPointSize = 8;
// A table of up to this many lines is never split across pages.
constexpr int KeepTogetherLines = 25;
// A longer table keeps at least its heading and this many lines on the first page.
constexpr int LinesAfterHeading = 2;

[[noreturn]] void ThrowWriteError(const QString& path, const QString& reason)
{
    throw VeltraError(WriteFailureMessage(path, reason));
}

// The size a format sets in points (its pixels taken at 96 per inch); 0 when it sets none.
double FormatPointSize(const QTextCharFormat& format)
{
    const int pixels = format.intProperty(QTextFormat::FontPixelSize);
    if (pixels > 0)
        return pixels * PointsPerPixel;
    return format.fontPointSize();
}

// Font sizes in pixels become points (on the PDF device a pixel is a dot of the printer),
// and sizes below the minimum are raised to it.
void PrintableFontSizes(QTextDocument& document)
{
    QFont font = document.defaultFont();
    double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * PointsPerPixel;
    if (points <= 0)
        points = 9;
    font.setPointSizeF(std::max(points, MinimumPointSize));
    document.setDefaultFont(font);

    struct Range
    {
        int start;
        int end;
        QTextCharFormat format;
    };
    std::vector<Range> fragments;
    std::vector<std::pair<int, QTextCharFormat>> blocks;
    const auto needsChange = [](const QTextCharFormat& format) {
        return format.intProperty(QTextFormat::FontPixelSize) > 0 ||
               (format.hasProperty(QTextFormat::FontPointSize) &&
                format.fontPointSize() < MinimumPointSize);
    };
    const auto printable = [](QTextCharFormat format) {
        const double size = FormatPointSize(format);
        format.clearProperty(QTextFormat::FontPixelSize);
        format.setFontPointSize(std::max(size, MinimumPointSize));
        return format;
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (needsChange(block.charFormat()))
            blocks.emplace_back(block.position(), printable(block.charFormat()));
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (needsChange(fragment.charFormat()))
                fragments.push_back({fragment.position(), fragment.position() + fragment.length(),
                                     printable(fragment.charFormat())});
        }
    }
    // Formats change after the walk, which they would otherwise disturb.
    QTextCursor cursor(&document);
    for (const Range& range : fragments) {
        cursor.setPosition(range.start);
        cursor.setPosition(range.end, QTextCursor::KeepAnchor);
        cursor.setCharFormat(range.format);
    }
    for (const auto& [position, format] : blocks) {
        cursor.setPosition(position);
        cursor.setBlockCharFormat(format);
    }
}

ReportBlockKind KindOf(const QTextBlock& block)
{
    const QTextBlockFormat format = block.blockFormat();
    if (!format.hasProperty(ReportBlockKindProperty))
        return ReportBlockKind::Line;
    return static_cast<ReportBlockKind>(format.intProperty(ReportBlockKindProperty));
}

// Paragraphs of one block, laid out at one scale and printed in one orientation.
struct Unit
{
    ReportBlockKind kind = ReportBlockKind::Line;
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    qreal widest = 0;         // widest line in the device's dots, unscaled
    qreal smallestPoints = 0; // the smallest font size of its text
    // The scale on portrait and on landscape pages: 1 where the block fits, else the
    // largest that makes it fit.
    qreal scale[2] = {1, 1};
    bool landscape = false; // it fits only landscape pages
};

// One line of the document as printed.
struct Row
{
    int unit = 0;
    int layout = 0;
    int line = 0;
    qreal height[2] = {0, 0}; // in the device's dots, scaled on portrait and landscape pages
    bool keepWithNext = false;
    bool blank = false;
    bool heading = false; // the first line of a table that may split
};

struct Placed
{
    int row;
    qreal y;
};

struct Page
{
    bool landscape = false;
    std::vector<Placed> rows;
    qreal used = 0;
};

// The smallest point size among the formats of a paragraph, the layout's font included.
double SmallestPointSize(const QFont& font, const QList<QTextLayout::FormatRange>& formats)
{
    double smallest = font.pointSizeF();
    for (const QTextLayout::FormatRange& range : formats) {
        const double size = range.format.fontPointSize();
        if (size > 0)
            smallest = std::min(smallest, size);
    }
    return smallest;
}

class PdfPrinter
{
public:
    PdfPrinter(QPdfWriter& writer, PaperSize paper);
    void print(const QTextDocument& document);

private:
    QPageLayout pageLayout(bool landscape) const;
    void layOut(const QTextDocument& document);
    void chooseScales();
    void makeRows();
    void paginate();
    void draw();

    Page& newPage(bool landscape);
    bool landscapeFor(int row) const;
    // The orientation of a new page that starts with the row.
    bool landscapeAhead(int row) const;
    // Starts the page on which the row goes, with its table's heading where it continues.
    void pageBefore(int row, bool landscape);
    void place(int row);

    QPdfWriter& m_writer;
    PaperSize m_paper;
    QSizeF m_portraitBody;
    QSizeF m_landscapeBody;
    qreal m_footerHeight = 0;
    double m_tabStop = 0;
    std::vector<Unit> m_units;
    std::vector<Row> m_rows;
    std::vector<Page> m_pages;
    // The heading row of each unit that may split; -1 for the others.
    std::vector<int> m_headingOf;
    QFont m_font;
};

PdfPrinter::PdfPrinter(QPdfWriter& writer, PaperSize paper) : m_writer(writer), m_paper(paper)
{
    const qreal dotsPerMillimetre = writer.resolution() / 25.4;
    m_footerHeight = FooterHeight * dotsPerMillimetre;
    const QRectF portrait = pageLayout(false).paintRectPixels(writer.resolution());
    const QRectF landscape = pageLayout(true).paintRectPixels(writer.resolution());
    m_portraitBody = QSizeF(portrait.width(), portrait.height() - m_footerHeight);
    m_landscapeBody = QSizeF(landscape.width(), landscape.height() - m_footerHeight);
    // Text layouts take tab distances in pixels of 96 per inch and scale them to the device.
    m_tabStop = DefaultTabStopDistance();
}

QPageLayout PdfPrinter::pageLayout(bool landscape) const
{
    return QPageLayout(PageSizeOf(m_paper),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(PageMarginLeft, PageMarginTop, PageMarginRight, PageMarginBottom),
                       QPageLayout::Millimeter);
}

void PdfPrinter::layOut(const QTextDocument& document)
{
    m_font = document.defaultFont();
    int lastGroup = -1;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat blockFormat = block.blockFormat();
        const ReportBlockKind kind = KindOf(block);
        const int group = blockFormat.hasProperty(ReportBlockGroupProperty)
                              ? blockFormat.intProperty(ReportBlockGroupProperty)
                              : -1;
        if (m_units.empty() || group < 0 || group != lastGroup || kind != m_units.back().kind) {
            m_units.emplace_back();
            m_units.back().kind = kind;
            m_units.back().smallestPoints = m_font.pointSizeF();
        }
        lastGroup = group;
        Unit& unit = m_units.back();

        const QList<QTextLayout::FormatRange> formats = block.textFormats();
        auto layout = std::make_unique<QTextLayout>(block.text(), m_font, &m_writer);
        layout->setFormats(formats);
        QTextOption option;
        option.setTabStopDistance(m_tabStop);
        if (!blockFormat.tabPositions().isEmpty())
            option.setTabs(blockFormat.tabPositions());
        const bool prose = kind == ReportBlockKind::Prose;
        option.setWrapMode(prose ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
        option.setAlignment(prose ? blockFormat.alignment() : Qt::AlignLeft);
        layout->setTextOption(option);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        qreal y = 0;
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(m_portraitBody.width());
            line.setPosition(QPointF(0, y));
            y += line.height();
            unit.widest = std::max(unit.widest, line.naturalTextWidth());
        }
        layout->endLayout();
        unit.smallestPoints = std::min(unit.smallestPoints, SmallestPointSize(m_font, formats));
        unit.layouts.push_back(std::move(layout));
    }
}

void PdfPrinter::chooseScales()
{
    for (Unit& unit : m_units) {
        if (unit.kind == ReportBlockKind::Prose)
            continue;
        // The smallest scale that keeps every font of the block at the minimum size.
        const qreal minimum = std::min<qreal>(1, MinimumPointSize / unit.smallestPoints);
        const qreal portrait = std::min<qreal>(1, m_portraitBody.width() / unit.widest);
        unit.scale[0] = std::max(portrait, minimum);
        unit.scale[1] = std::min<qreal>(1, m_landscapeBody.width() / unit.widest);
        unit.landscape = portrait < minimum;
    }
    // Headers go where the block they introduce goes.
    for (std::size_t index = m_units.size(); index-- > 1;) {
        if (m_units[index - 1].kind == ReportBlockKind::Header && m_units[index].landscape)
            m_units[index - 1].landscape = true;
    }
    // A header wider than portrait takes its block with it onto landscape pages.
    for (std::size_t index = 0; index + 1 < m_units.size(); ++index) {
        if (m_units[index].kind == ReportBlockKind::Header && m_units[index].landscape)
            m_units[index + 1].landscape = true;
    }
}

void PdfPrinter::makeRows()
{
    m_headingOf.assign(m_units.size(), -1);
    for (std::size_t u = 0; u < m_units.size(); ++u) {
        const Unit& unit = m_units[u];
        const int first = static_cast<int>(m_rows.size());
        for (std::size_t l = 0; l < unit.layouts.size(); ++l) {
            const QTextLayout& layout = *unit.layouts[l];
            for (int i = 0; i < layout.lineCount(); ++i) {
                Row row;
                row.unit = static_cast<int>(u);
                row.layout = static_cast<int>(l);
                row.line = i;
                row.height[0] = layout.lineAt(i).height() * unit.scale[0];
                row.height[1] = layout.lineAt(i).height() * unit.scale[1];
                row.blank = layout.text().isEmpty();
                row.keepWithNext = unit.kind == ReportBlockKind::Header;
                m_rows.push_back(row);
            }
        }
        const int count = static_cast<int>(m_rows.size()) - first;
        if (unit.kind != ReportBlockKind::Table || count < 2)
            continue;
        if (count <= KeepTogetherLines) {
            for (int i = first; i < first + count - 1; ++i)
                m_rows[i].keepWithNext = true;
        } else {
            for (int i = first; i < first + 1 + LinesAfterHeading && i < first + count - 1; ++i)
                m_rows[i].keepWithNext = true;
            m_rows[first].heading = true;
            m_headingOf[u] = first;
        }
    }
}

Page& PdfPrinter::newPage(bool landscape)
{
    // A page that stayed empty (its only lines were blank) is taken instead.
    if (m_pages.empty() || !m_pages.back().rows.empty())
        m_pages.push_back(Page{landscape, {}, 0});
    m_pages.back().landscape = landscape;
    return m_pages.back();
}

bool PdfPrinter::landscapeFor(int row) const
{
    // A block that fits portrait pages goes on in the orientation of the page before it,
    // so that the orientation changes only where a block asks for landscape.
    if (m_units[m_rows[row].unit].landscape)
        return true;
    return m_pages.empty() ? landscapeAhead(row) : m_pages.back().landscape;
}

bool PdfPrinter::landscapeAhead(int row) const
{
    // A new page is turned when a block within a portrait page's length asks for it, so
    // that the lines before that block do not stand alone on a portrait page.
    qreal used = 0;
    for (std::size_t index = static_cast<std::size_t>(row);
         index < m_rows.size() && used <= m_portraitBody.height(); ++index) {
        if (m_units[m_rows[index].unit].landscape)
            return true;
        used += m_rows[index].height[0];
    }
    return false;
}

void PdfPrinter::pageBefore(int index, bool landscape)
{
    newPage(landscape);
    // A split table goes on with its heading.
    const int heading = m_headingOf[m_rows[index].unit];
    if (heading >= 0 && heading < index) {
        Page& page = m_pages.back();
        page.rows.push_back({heading, 0});
        page.used = m_rows[heading].height[landscape];
    }
}

void PdfPrinter::place(int index)
{
    const Row& row = m_rows[index];
    bool landscape = landscapeFor(index);
    const qreal height = landscape ? m_landscapeBody.height() : m_portraitBody.height();
    if (m_pages.empty() || m_pages.back().landscape != landscape ||
        (!m_pages.back().rows.empty() && m_pages.back().used + row.height[landscape] > height)) {
        if (!m_units[row.unit].landscape)
            landscape = landscapeAhead(index);
        pageBefore(index, landscape);
    }
    Page& page = m_pages.back();
    // Empty lines at the head of a page only push the text down.
    if (row.blank && page.rows.empty())
        return;
    page.rows.push_back({index, page.used});
    page.used += row.height[landscape];
}

void PdfPrinter::paginate()
{
    const int count = static_cast<int>(m_rows.size());
    for (int start = 0; start < count;) {
        const bool landscape = landscapeFor(start);
        int end = start;
        qreal chain = m_rows[start].height[landscape];
        while (m_rows[end].keepWithNext && end + 1 < count) {
            ++end;
            chain += m_rows[end].height[landscape];
        }
        const qreal height = landscape ? m_landscapeBody.height() : m_portraitBody.height();
        // A chain that does not fit the rest of the page starts the next one, unless it is
        // longer than a page anyway.
        if (!m_pages.empty() && m_pages.back().landscape == landscape &&
            !m_pages.back().rows.empty() && m_pages.back().used + chain > height && chain <= height)
            pageBefore(start, m_units[m_rows[start].unit].landscape || landscapeAhead(start));
        for (int index = start; index <= end; ++index)
            place(index);
        start = end + 1;
    }
    if (m_pages.empty())
        newPage(false);
}

void PdfPrinter::draw()
{
    QPainter painter;
    QFont footerFont = m_font;
    footerFont.setPointSizeF(FooterPointSize);
    const int pageCount = static_cast<int>(m_pages.size());
    for (int index = 0; index < pageCount; ++index) {
        const Page& page = m_pages[index];
        if (index == 0) {
            m_writer.setPageLayout(pageLayout(page.landscape));
            if (!painter.begin(&m_writer))
                throw VeltraError(QStringLiteral("Cannot start the PDF output"));
        } else {
            m_writer.setPageLayout(pageLayout(page.landscape));
            m_writer.newPage();
        }
        const QSizeF body = page.landscape ? m_landscapeBody : m_portraitBody;
        painter.setPen(Qt::black);
        for (const Placed& placed : page.rows) {
            const Row& row = m_rows[placed.row];
            const Unit& unit = m_units[row.unit];
            const QTextLine line = unit.layouts[row.layout]->lineAt(row.line);
            painter.save();
            painter.translate(0, placed.y);
            const qreal scale = unit.scale[page.landscape];
            painter.scale(scale, scale);
            line.draw(&painter, QPointF(0, -line.y()));
            painter.restore();
        }
        painter.setFont(footerFont);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, body.height(), body.width(), m_footerHeight),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Page %1 of %2").arg(index + 1).arg(pageCount));
    }
    painter.end();
}

void PdfPrinter::print(const QTextDocument& document)
{
    layOut(document);
    chooseScales();
    makeRows();
    paginate();
    draw();
}

} // namespace

QByteArray DocumentToPdf(const QTextDocument& source, PaperSize paper, const QString& title)
{
    // Fonts and painting need the graphical application object; without it Qt would abort.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw VeltraError(QStringLiteral("PDF output needs a QGuiApplication (a platform such "
                                         "as \"offscreen\" is enough)"));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Veltra"));
        const std::unique_ptr<QTextDocument> document(source.clone());
        PrintableFontSizes(*document);
        PdfPrinter printer(writer, paper);
        printer.print(*document);
    }
    buffer.close();
    return buffer.data();
}

void WritePdfFile(const QTextDocument& document, const QString& path, PaperSize paper)
{
    // A device, FIFO or folder is refused before the pages are rendered.
    const QString kind = NonRegularFileKind(path);
    if (!kind.isEmpty())
        ThrowWriteError(path, QStringLiteral("it is %1, not a regular file").arg(kind));
    QByteArray bytes;
    try {
        bytes = DocumentToPdf(document, paper, QFileInfo(path).completeBaseName());
    } catch (const VeltraError& error) {
        ThrowWriteError(path, error.message());
    }
    WriteFileOrThrow(path, bytes);
}

QString ReportSaveFileName(const QString& typedName, const QString& chosenPattern)
{
    QString name = typedName;
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const QString fileName = name.mid(slash + 1);
    if (fileName.isEmpty())
        return QString();
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    // A name's leading dot (".report") does not start an extension.
    if (dot > 0 && dot + 1 < fileName.size())
        return name;
    if (dot > 0)
        name.chop(1);
    const bool plain = chosenPattern.startsWith(QLatin1String("*.")) && chosenPattern.size() > 2 &&
                       !chosenPattern.mid(2).contains(QLatin1Char('*')) &&
                       !chosenPattern.contains(QLatin1Char(';'));
    return name + QLatin1Char('.') + (plain ? chosenPattern.mid(2) : QStringLiteral("rtf"));
}

void WriteReportFile(const QTextDocument& document, const QString& path, PaperSize paper)
{
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        WritePdfFile(document, path, paper);
    else
        WriteRtfFile(document, path, paper);
}

} // namespace veltra
