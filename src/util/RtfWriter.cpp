// RTF writing: a font table and a colour table gathered from the document's formats, then
// one paragraph per block, each run of text in a group of its own that states its whole
// format, so that every reader sees the same format whatever it assumes as defaults.
#include "util/RtfWriter.h"

#include "util/RtfReader.h"
#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <QList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextOption>

#include <algorithm>
#include <array>

namespace veltra {

namespace {

// Screen pixels are taken at 96 per inch, the resolution the views are designed for.
constexpr double PointsPerPixel = 72.0 / 96.0;
constexpr double TwipsPerPixel = 1440.0 / 96.0;
// Size of text whose font states no size at all (a word processor's usual default).
constexpr double FallbackPointSize = 12;

// Code page 1252 at the bytes 0x80 to 0x9F; 0 where the code page defines no character.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte of the character in code page 1252, or -1 when the code page lacks it.
int Cp1252Byte(char16_t c)
{
    if (c >= 0xA0 && c <= 0xFF)
        return c;
    if (c >= 0x100) {
        for (std::size_t i = 0; i < Cp1252High.size(); ++i) {
            if (Cp1252High[i] == c)
                return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

void AppendHexByte(QByteArray& out, int byte)
{
    out += "\\'";
    out += QByteArray::number(byte, 16).rightJustified(2, '0');
}

// A character outside printable ASCII: \uN with N as a signed 16-bit number, followed by
// the stand-in that readers without Unicode show (\uc1): the character's byte in the
// document's code page 1252 where it has one, else '?'. Characters beyond the 16-bit
// range arrive here as two surrogates, each written on its own.
void AppendUnicode(QByteArray& out, char16_t c)
{
    out += "\\u";
    out += QByteArray::number(c > 32767 ? static_cast<int>(c) - 65536 : static_cast<int>(c));
    const int byte = Cp1252Byte(c);
    if (byte >= 0)
        AppendHexByte(out, byte);
    else
        out += '?';
}

void AppendText(QByteArray& out, QStringView text)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        switch (c) {
        case u'\\':
        case u'{':
        case u'}':
            out += '\\';
            out += static_cast<char>(c);
            break;
        case u'\t':
            out += "\\tab ";
            break;
        case QChar::LineSeparator:
            out += "\\line ";
            break;
        default:
            if (c >= 0x20 && c < 0x7F)
                out += static_cast<char>(c);
            else if (c != 0) // a NUL cannot be written, nor is it text
                AppendUnicode(out, c);
            break;
        }
    }
}

// A font name in the font table: characters outside ASCII as bytes of code page 1252,
// which the table's \fcharset0 names; a ';' would end the name early and is left out.
void AppendFontName(QByteArray& out, const QString& name)
{
    for (const QChar ch : name) {
        const char16_t c = ch.unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F && c != u';') {
            out += static_cast<char>(c);
        } else if (c >= 0x80) {
            const int byte = Cp1252Byte(c);
            if (byte >= 0)
                AppendHexByte(out, byte);
            else
                out += '?';
        }
    }
}

double PointSizeOf(const QFont& font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    if (font.pixelSize() > 0)
        return font.pixelSize() * PointsPerPixel;
    return FallbackPointSize;
}

// A colour as RTF holds it: no transparency; a fully transparent brush is no colour.
QColor BrushColor(const QTextFormat& format, int property)
{
    if (!format.hasProperty(property))
        return QColor();
    const QBrush brush = format.brushProperty(property);
    if (brush.style() == Qt::NoBrush || !brush.color().isValid() || brush.color().alpha() == 0)
        return QColor();
    return QColor(brush.color().red(), brush.color().green(), brush.color().blue());
}

QTextCharFormat::UnderlineStyle UnderlineOf(const QTextCharFormat& format)
{
    if (format.hasProperty(QTextFormat::TextUnderlineStyle))
        return format.underlineStyle();
    return format.boolProperty(QTextFormat::FontUnderline) ? QTextCharFormat::SingleUnderline
                                                           : QTextCharFormat::NoUnderline;
}

const char* UnderlineKeyword(QTextCharFormat::UnderlineStyle style)
{
    switch (style) {
    case QTextCharFormat::SingleUnderline:
        return "\\ul";
    case QTextCharFormat::DashUnderline:
        return "\\uldash";
    case QTextCharFormat::DotLine:
        return "\\uld";
    case QTextCharFormat::DashDotLine:
        return "\\uldashd";
    case QTextCharFormat::DashDotDotLine:
        return "\\uldashdd";
    case QTextCharFormat::WaveUnderline:
        return "\\ulwave";
    case QTextCharFormat::NoUnderline:
    case QTextCharFormat::SpellCheckUnderline: // a mark of the editor, not of the text
        break;
    }
    return nullptr;
}

class Writer
{
public:
    explicit Writer(const QTextDocument& document);
    QByteArray run();

private:
    RtfCharFormat effectiveFormat(const QTextCharFormat& format) const;
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);
    void writeParagraph(const QTextBlock& block);
    void writeRun(const RtfCharFormat& format, QTextCharFormat::UnderlineStyle underline,
                  QStringView text);
    void appendFontAndSize(const RtfCharFormat& format);

    const QTextDocument& m_document;
    QString m_defaultFamily;
    double m_defaultPointSize;
    QStringList m_fonts;
    QList<QColor> m_colors;
    QByteArray m_body;
};

Writer::Writer(const QTextDocument& document)
    : m_document(document), m_defaultFamily(document.defaultFont().family()),
      m_defaultPointSize(PointSizeOf(document.defaultFont()))
{
    // The default font is font 0, the \deff font: text without a font of its own is
    // shown in it.
    m_fonts.append(m_defaultFamily);
}

RtfCharFormat Writer::effectiveFormat(const QTextCharFormat& format) const
{
    RtfCharFormat result;
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        result.fontFamily = families.first();
    else if (!format.stringProperty(QTextFormat::OldFontFamily).isEmpty())
        result.fontFamily = format.stringProperty(QTextFormat::OldFontFamily);
    else
        result.fontFamily = m_defaultFamily;
    if (format.fontPointSize() > 0)
        result.pointSize = format.fontPointSize();
    else if (format.intProperty(QTextFormat::FontPixelSize) > 0)
        result.pointSize = format.intProperty(QTextFormat::FontPixelSize) * PointsPerPixel;
    else
        result.pointSize = m_defaultPointSize;
    // RTF sizes are in half points.
    result.pointSize = std::clamp(qRound(result.pointSize * 2), 1, 3276) / 2.0;
    result.bold = format.fontWeight() >= QFont::DemiBold;
    result.italic = format.fontItalic();
    result.underline = UnderlineKeyword(UnderlineOf(format)) != nullptr;
    result.strikeOut = format.fontStrikeOut();
    result.foreground = BrushColor(format, QTextFormat::ForegroundBrush);
    result.background = BrushColor(format, QTextFormat::BackgroundBrush);
    return result;
}

int Writer::fontIndex(const QString& family)
{
    qsizetype index = m_fonts.indexOf(family);
    if (index < 0) {
        index = m_fonts.size();
        m_fonts.append(family);
    }
    return static_cast<int>(index);
}

int Writer::colorIndex(const QColor& color)
{
    // Entry 0 of the table is the reader's default colour ("auto").
    qsizetype index = m_colors.indexOf(color);
    if (index < 0) {
        index = m_colors.size();
        m_colors.append(color);
    }
    return static_cast<int>(index) + 1;
}

void Writer::appendFontAndSize(const RtfCharFormat& format)
{
    m_body += "\\f" + QByteArray::number(fontIndex(format.fontFamily));
    m_body += "\\fs" + QByteArray::number(qRound(format.pointSize * 2));
}

void Writer::writeRun(const RtfCharFormat& format, QTextCharFormat::UnderlineStyle underline,
                      QStringView text)
{
    m_body += '{';
    appendFontAndSize(format);
    if (format.bold)
        m_body += "\\b";
    if (format.italic)
        m_body += "\\i";
    if (format.underline)
        m_body += UnderlineKeyword(underline);
    if (format.strikeOut)
        m_body += "\\strike";
    if (format.foreground.isValid())
        m_body += "\\cf" + QByteArray::number(colorIndex(format.foreground));
    if (format.background.isValid())
        m_body += "\\highlight" + QByteArray::number(colorIndex(format.background));
    m_body += ' ';
    AppendText(m_body, text);
    m_body += '}';
}

void Writer::writeParagraph(const QTextBlock& block)
{
    const QTextBlockFormat blockFormat = block.blockFormat();
    m_body += "\\pard\\plain";
    const Qt::Alignment alignment = blockFormat.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        m_body += "\\qc";
    else if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        m_body += "\\qr";
    else if (alignment & Qt::AlignJustify)
        m_body += "\\qj";
    else
        m_body += "\\ql";
    for (const QTextOption::Tab& tab : blockFormat.tabPositions()) {
        switch (tab.type) {
        case QTextOption::LeftTab:
            break;
        case QTextOption::RightTab:
            m_body += "\\tqr";
            break;
        case QTextOption::CenterTab:
            m_body += "\\tqc";
            break;
        case QTextOption::DelimiterTab:
            m_body += "\\tqdec";
            break;
        }
        m_body += "\\tx" + QByteArray::number(qRound(tab.position * TwipsPerPixel));
    }
    // The paragraph mark carries the block's font, which sets the height of an empty line.
    appendFontAndSize(effectiveFormat(block.charFormat()));

    // Neighbouring fragments that differ only in properties RTF does not hold become one
    // run, as a reader would see them.
    RtfCharFormat runFormat;
    QTextCharFormat::UnderlineStyle runUnderline = QTextCharFormat::NoUnderline;
    QString runText;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QTextCharFormat charFormat = fragment.charFormat();
        const RtfCharFormat format = effectiveFormat(charFormat);
        const QTextCharFormat::UnderlineStyle underline = UnderlineOf(charFormat);
        if (!runText.isEmpty() && (!(format == runFormat) || underline != runUnderline)) {
            writeRun(runFormat, runUnderline, runText);
            runText.clear();
        }
        runFormat = format;
        runUnderline = underline;
        runText += fragment.text();
    }
    if (!runText.isEmpty())
        writeRun(runFormat, runUnderline, runText);
}

QByteArray Writer::run()
{
    // Paragraphs are separated by \par; the last one has none, so that a reader finds as
    // many paragraphs as the document has blocks.
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        if (block != m_document.begin())
            m_body += "\\par\n";
        writeParagraph(block);
    }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0";
    const qreal tabStop = m_document.defaultTextOption().tabStopDistance();
    if (tabStop > 0)
        out += "\\deftab" + QByteArray::number(qRound(tabStop * TwipsPerPixel));
    out += "\n{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
        AppendFontName(out, m_fonts[i]);
        out += ";}";
    }
    out += "}\n{\\colortbl;";
    for (const QColor& color : m_colors) {
        out += "\\red" + QByteArray::number(color.red());
        out += "\\green" + QByteArray::number(color.green());
        out += "\\blue" + QByteArray::number(color.blue()) + ';';
    }
    out += "}\n\\viewkind4\\uc1\n";
    out += m_body;
    out += "}\n";
    return out;
}

} // namespace

QByteArray DocumentToRtf(const QTextDocument& document)
{
    return Writer(document).run();
}

void WriteRtfFile(const QTextDocument& document, const QString& path)
{
    const QByteArray bytes = DocumentToRtf(document);
    WriteFileOrThrow(path, bytes);
}

} // namespace veltra
