// PDF printing of a report: a copy of the document laid out for the PDF device without
// wrapping, scaled so that its widest line fits the page, then drawn page by page with a
// page number in the footer. The PDF is built in memory and written whole or not at all.
#include "reports/PdfExport.h"

#include "util/RtfWriter.h"
#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <QAbstractTextDocumentLayout>
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

namespace veltra {

namespace {

// Screen pixels are taken at 96 per inch, the resolution the views are designed for.
constexpr double PointsPerPixel = 72.0 / 96.0;
// Page margins in millimetres; the footer takes the lowest band of the printable area.
constexpr double MarginLeft = 20, MarginTop = 15, MarginRight = 20, MarginBottom = 10;
constexpr double FooterHeight = 10;
constexpr double FooterPointSize = 8;
// Below this scale the text would be too small to read: wider lines then wrap.
constexpr double MinimumScale = 0.5;

[[noreturn]] void ThrowWriteError(const QString& path, const QString& reason)
{
    throw VeltraError(WriteFailureMessage(path, reason));
}

// Font sizes in pixels become points: on the PDF device a pixel is a dot of the printer.
void PixelSizesToPoints(QTextDocument& document)
{
    QFont font = document.defaultFont();
    if (font.pointSizeF() <= 0 && font.pixelSize() > 0) {
        font.setPointSizeF(font.pixelSize() * PointsPerPixel);
        document.setDefaultFont(font);
    }

    struct Range
    {
        int start;
        int end;
        QTextCharFormat format;
    };
    QList<Range> fragments;
    QList<std::pair<int, QTextCharFormat>> blocks;
    const auto toPoints = [](QTextCharFormat format) {
        const int pixels = format.intProperty(QTextFormat::FontPixelSize);
        format.clearProperty(QTextFormat::FontPixelSize);
        format.setFontPointSize(pixels * PointsPerPixel);
        return format;
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.charFormat().intProperty(QTextFormat::FontPixelSize) > 0)
            blocks.append({block.position(), toPoints(block.charFormat())});
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().intProperty(QTextFormat::FontPixelSize) > 0)
                fragments.append({fragment.position(), fragment.position() + fragment.length(),
                                  toPoints(fragment.charFormat())});
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

// The right end of the widest line, in document coordinates.
qreal WidestLine(const QTextDocument& document)
{
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    qreal widest = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* lines = block.layout();
        if (!lines)
            continue;
        const qreal left = layout->blockBoundingRect(block).left();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            // An overflowing centred or right-aligned line starts left of its block.
            widest =
                std::max(widest, left + std::max<qreal>(line.x(), 0) + line.naturalTextWidth());
        }
    }
    return widest;
}

QByteArray RenderPdf(const QTextDocument& source, const QString& title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Veltra"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(MarginLeft, MarginTop, MarginRight, MarginBottom),
                                     QPageLayout::Millimeter));

    const std::unique_ptr<QTextDocument> document(source.clone());
    PixelSizesToPoints(*document);
    document->setDocumentMargin(0);
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    document->setDefaultTextOption(option);
    document->documentLayout()->setPaintDevice(&writer);

    // The printable area in the writer's dots, the painter's origin at its top left.
    const QRectF printable = writer.pageLayout().paintRectPixels(writer.resolution());
    const qreal dotsPerMillimetre = writer.resolution() / 25.4;
    const QSizeF body(printable.width(), printable.height() - FooterHeight * dotsPerMillimetre);

    document->setTextWidth(body.width());
    qreal scale = 1;
    const qreal widest = WidestLine(*document);
    if (widest > body.width()) {
        scale = std::max(body.width() / widest, MinimumScale);
        if (scale == MinimumScale) {
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            document->setDefaultTextOption(option);
        }
    }
    // Pages in document coordinates; the layout moves a line that would cross the foot of
    // a page to the next page.
    const QSizeF page(body.width() / scale, body.height() / scale);
    document->setPageSize(page);
    const int pageCount = document->pageCount();

    QPainter painter;
    if (!painter.begin(&writer))
        throw VeltraError(QStringLiteral("Cannot start the PDF output of \"%1\"").arg(title));
    QFont footerFont = document->defaultFont();
    footerFont.setPointSizeF(FooterPointSize);
    for (int index = 0; index < pageCount; ++index) {
        if (index > 0)
            writer.newPage();
        painter.save();
        painter.scale(scale, scale);
        painter.translate(0, -index * page.height());
        const QRectF view(QPointF(0, index * page.height()), page);
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        // A line that starts exactly at the foot of the page (or ends exactly at its head)
        // belongs to the neighbouring page; a clip that touches it would draw it here too,
        // invisible under the painter's clip but still in the PDF's text.
        context.clip = view.adjusted(0, 1, 0, -1);
        context.palette.setColor(QPalette::Text, Qt::black);
        document->documentLayout()->draw(&painter, context);
        painter.restore();

        painter.setFont(footerFont);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, body.height(), body.width(), FooterHeight * dotsPerMillimetre),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Page %1 of %2").arg(index + 1).arg(pageCount));
    }
    painter.end();
    buffer.close();
    return buffer.data();
}

} // namespace

void WritePdfFile(const QTextDocument& document, const QString& path)
{
    // Fonts and painting need the graphical application object; without it Qt would abort.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        ThrowWriteError(path, QStringLiteral("PDF output needs a QGuiApplication (a platform "
                                             "such as \"offscreen\" is enough)"));
    // A device, FIFO or folder is refused before the pages are rendered.
    const QString kind = NonRegularFileKind(path);
    if (!kind.isEmpty())
        ThrowWriteError(path, QStringLiteral("it is %1, not a regular file").arg(kind));
    WriteFileOrThrow(path, RenderPdf(document, QFileInfo(path).completeBaseName()));
}

void WriteReportFile(const QTextDocument& document, const QString& path)
{
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        WritePdfFile(document, path);
    else
        WriteRtfFile(document, path);
}

} // namespace veltra
