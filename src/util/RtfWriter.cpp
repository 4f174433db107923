// RTF writing: a font table and a colour table gathered from the document's formats, then
// one paragraph per block, each run of text in a group of its own that states its whole
// format, so that every reader sees the same format whatever it assumes as defaults.
#include "util/RtfWriter.h"

#include "util/RtfReader.h"
#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <QList>
#include <QPageSize>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace veltra {

namespace {

// Screen pixels are taken at 96 per inch, the resolution the views are designed for.
constexpr double PointsPerPixel = 72.0 / 96.0;
constexpr double TwipsPerPixel = 1440.0 / 96.0;
// Size of text whose font states no size at all (a word processor's usual default).
constexpr double FallbackPointSize = 12;
// No text is made smaller than this to fit the page, except a block too wide for a
// landscape page at it.
constexpr double MinimumPointSize = 8;
// Advance of a character in ems: exact for the fixed-pitch faces (Courier and its
// stand-ins), a generous mean for proportional ones.
constexpr double FixedPitchAdvance = 0.6;
constexpr double ProportionalAdvance = 0.55;
// Room left on a line for a reader's rounding of character widths.
constexpr double WidthReserve = 0.99;

int MillimetresToTwips(double millimetres)
{
    return qRound(millimetres * 1440 / 25.4);
}

// Families a word processor may not know by their generic name, as the face it has.
QString ConcreteFamily(const QString& family)
{
    if (family.compare(QLatin1String("monospace"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Courier New");
    if (family.compare(QLatin1String("sans-serif"), Qt::CaseInsensitive) == 0 ||
        family.compare(QLatin1String("sans"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Arial");
    if (family.compare(QLatin1String("serif"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Times New Roman");
    return family;
}

bool IsFixedPitchFamily(const QString& family)
{
    static const std::array<QLatin1String, 8> marks = {
        QLatin1String("courier"),  QLatin1String("mono"),  QLatin1String("consol"),
        QLatin1String("terminal"), QLatin1String("fixed"), QLatin1String("typewriter"),
        QLatin1String("console"),  QLatin1String("monaco")};
    return std::any_of(marks.begin(), marks.end(), [&family](QLatin1String mark) {
        return family.contains(mark, Qt::CaseInsensitive);
    });
}

// The family class of the font table: \fmodern\fprq1 for fixed pitch.
QByteArray FamilyClass(const QString& family)
{
    if (IsFixedPitchFamily(family))
        return "\\fmodern\\fprq1";
    static const std::array<QLatin1String, 5> swiss = {
        QLatin1String("arial"), QLatin1String("helvetica"), QLatin1String("sans"),
        QLatin1String("verdana"), QLatin1String("tahoma")};
    if (std::any_of(swiss.begin(), swiss.end(), [&family](QLatin1String mark) {
            return family.contains(mark, Qt::CaseInsensitive);
        }))
        return "\\fswiss\\fprq2";
    if (family.contains(QLatin1String("times"), Qt::CaseInsensitive) ||
        family.contains(QLatin1String("serif"), Qt::CaseInsensitive))
        return "\\froman\\fprq2";
    return "\\fnil";
}

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

ReportBlockKind KindOf(const QTextBlock& block)
{
    const QTextBlockFormat format = block.blockFormat();
    if (!format.hasProperty(ReportBlockKindProperty))
        return ReportBlockKind::Line;
    return static_cast<ReportBlockKind>(format.intProperty(ReportBlockKindProperty));
}

// How a block of paragraphs is printed: its fonts scaled, in which orientation.
struct BlockSetting
{
    double scale = 1;
    bool landscape = false;
};

class Writer
{
public:
    Writer(const QTextDocument& document, PaperSize paper);
    QByteArray run();

private:
    double lineWidths(const QTextBlock& block, double* smallest) const;
    void chooseSettings();
    QByteArray sectionFormat(bool landscape) const;
    RtfCharFormat effectiveFormat(const QTextCharFormat& format) const;
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);
    void writeParagraph(const QTextBlock& block);
    void writeRun(const RtfCharFormat& format, QTextCharFormat::UnderlineStyle underline,
                  QStringView text);
    void appendFontAndSize(const RtfCharFormat& format);

    const QTextDocument& m_document;
    int m_paperWidth = 0;  // twips, portrait
    int m_paperHeight = 0; // twips, portrait
    // The setting of every paragraph, by block number.
    std::vector<BlockSetting> m_settings;
    double m_scale = 1; // of the paragraph being written
    QString m_defaultFamily;
    double m_defaultPointSize;
    QStringList m_fonts;
    QList<QColor> m_colors;
    QByteArray m_body;
};

Writer::Writer(const QTextDocument& document, PaperSize paper)
    : m_document(document), m_defaultFamily(ConcreteFamily(document.defaultFont().family())),
      m_defaultPointSize(PointSizeOf(document.defaultFont()))
{
    const QSizeF millimetres = PageSizeOf(paper).size(QPageSize::Millimeter);
    m_paperWidth = MillimetresToTwips(millimetres.width());
    m_paperHeight = MillimetresToTwips(millimetres.height());
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
    result.fontFamily = ConcreteFamily(result.fontFamily);
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
    // A block made smaller to fit the page is rounded down to half points, so that it
    // still fits.
    const int halfPoints =
        m_scale < 1
            ? std::max(1, static_cast<int>(std::floor(format.pointSize * 2 * m_scale + 1e-9)))
            : qRound(format.pointSize * 2);
    m_body += "\\fs" + QByteArray::number(halfPoints);
}

// The width of the paragraph's widest line in twips, and the smallest font size in it.
double Writer::lineWidths(const QTextBlock& block, double* smallest) const
{
    double widest = 0;
    double x = 0;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const RtfCharFormat format = effectiveFormat(fragment.charFormat());
        *smallest = std::min(*smallest, format.pointSize);
        const double advance =
            (IsFixedPitchFamily(format.fontFamily) ? FixedPitchAdvance : ProportionalAdvance) *
            format.pointSize * 20;
        const QString text = fragment.text();
        for (const QChar ch : text) {
            if (ch == QChar::LineSeparator) {
                widest = std::max(widest, x);
                x = 0;
            } else if (ch == u'\t') {
                x = (std::floor(x / DefaultTabTwips) + 1) * DefaultTabTwips;
            } else {
                x += advance;
            }
        }
    }
    return std::max(widest, x);
}

void Writer::chooseSettings()
{
    const int margins = MillimetresToTwips(PageMarginLeft) + MillimetresToTwips(PageMarginRight);
    const double portraitWidth = (m_paperWidth - margins) * WidthReserve;
    const double landscapeWidth = (m_paperHeight - margins) * WidthReserve;

    struct Unit
    {
        ReportBlockKind kind;
        int first;
        int last;
        double widest = 0;
        double smallest = 1e9;
        BlockSetting setting;
    };
    std::vector<Unit> units;
    int lastGroup = -1;
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        const ReportBlockKind kind = KindOf(block);
        const int group = format.hasProperty(ReportBlockGroupProperty)
                              ? format.intProperty(ReportBlockGroupProperty)
                              : -1;
        if (units.empty() || group < 0 || group != lastGroup || kind != units.back().kind)
            units.push_back(Unit{kind, block.blockNumber(), block.blockNumber(), 0, 1e9, {}});
        lastGroup = group;
        Unit& unit = units.back();
        unit.last = block.blockNumber();
        // Running text wraps in the reader as it should.
        if (kind != ReportBlockKind::Prose)
            unit.widest = std::max(unit.widest, lineWidths(block, &unit.smallest));
    }
    std::vector<double> portraitScale(units.size(), 1);
    std::vector<double> landscapeScale(units.size(), 1);
    for (std::size_t index = 0; index < units.size(); ++index) {
        Unit& unit = units[index];
        if (unit.widest <= 0)
            continue;
        const double minimum = std::min(1.0, MinimumPointSize / unit.smallest);
        const double portrait = std::min(1.0, portraitWidth / unit.widest);
        portraitScale[index] = std::max(portrait, minimum);
        landscapeScale[index] = std::min(1.0, landscapeWidth / unit.widest);
        unit.setting.landscape = portrait < minimum;
    }
    // Headers go into the section of the block they introduce, and a header too wide for
    // portrait takes its block into landscape.
    for (std::size_t index = units.size(); index-- > 1;) {
        if (units[index - 1].kind == ReportBlockKind::Header && units[index].setting.landscape)
            units[index - 1].setting.landscape = true;
    }
    for (std::size_t index = 0; index + 1 < units.size(); ++index) {
        if (units[index].kind == ReportBlockKind::Header && units[index].setting.landscape)
            units[index + 1].setting.landscape = true;
    }
    // Once turned, the pages stay landscape: a section break is a page break, and turning
    // back for every narrower block would leave most pages half empty.
    bool turned = false;
    for (std::size_t index = 0; index < units.size(); ++index) {
        turned = turned || units[index].setting.landscape;
        units[index].setting.landscape = turned;
        units[index].setting.scale = turned ? landscapeScale[index] : portraitScale[index];
    }
    m_settings.assign(static_cast<std::size_t>(m_document.blockCount()), BlockSetting());
    for (const Unit& unit : units) {
        for (int number = unit.first; number <= unit.last; ++number)
            m_settings[static_cast<std::size_t>(number)] = unit.setting;
    }
}

// The page of a section: the paper turned for landscape, the report's margins.
QByteArray Writer::sectionFormat(bool landscape) const
{
    QByteArray out = "\\sectd";
    if (landscape)
        out += "\\lndscpsxn";
    out += "\\pgwsxn" + QByteArray::number(landscape ? m_paperHeight : m_paperWidth);
    out += "\\pghsxn" + QByteArray::number(landscape ? m_paperWidth : m_paperHeight);
    out += "\\marglsxn" + QByteArray::number(MillimetresToTwips(PageMarginLeft));
    out += "\\margrsxn" + QByteArray::number(MillimetresToTwips(PageMarginRight));
    out += "\\margtsxn" + QByteArray::number(MillimetresToTwips(PageMarginTop));
    out += "\\margbsxn" + QByteArray::number(MillimetresToTwips(PageMarginBottom));
    return out;
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
    chooseSettings();
    // Paragraphs are separated by \par, or by \sect where the orientation changes; the
    // last one has none, so that a reader finds as many paragraphs as the document has
    // blocks.
    bool landscape = false;
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        const BlockSetting& setting = m_settings[static_cast<std::size_t>(block.blockNumber())];
        if (block == m_document.begin())
            m_body += sectionFormat(setting.landscape) + '\n';
        else if (setting.landscape != landscape)
            m_body += "\\sect" + sectionFormat(setting.landscape) + '\n';
        else
            m_body += "\\par\n";
        landscape = setting.landscape;
        m_scale = setting.scale;
        writeParagraph(block);
    }

    // Where the text sets no tab stops, a tab advances to the half inch, as in the views.
    QByteArray out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab" + QByteArray::number(DefaultTabTwips);
    out += "\n{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + FamilyClass(m_fonts[i]) + "\\fcharset0 ";
        AppendFontName(out, m_fonts[i]);
        out += ";}";
    }
    out += "}\n{\\colortbl;";
    for (const QColor& color : m_colors) {
        out += "\\red" + QByteArray::number(color.red());
        out += "\\green" + QByteArray::number(color.green());
        out += "\\blue" + QByteArray::number(color.blue()) + ';';
    }
    out += "}\n\\paperw" + QByteArray::number(m_paperWidth);
    out += "\\paperh" + QByteArray::number(m_paperHeight);
    out += "\\margl" + QByteArray::number(MillimetresToTwips(PageMarginLeft));
    out += "\\margr" + QByteArray::number(MillimetresToTwips(PageMarginRight));
    out += "\\margt" + QByteArray::number(MillimetresToTwips(PageMarginTop));
    out += "\\margb" + QByteArray::number(MillimetresToTwips(PageMarginBottom));
    out += "\n\\viewkind4\\uc1\n";
    out += m_body;
    out += "}\n";
    return out;
}

} // namespace

QByteArray DocumentToRtf(const QTextDocument& document, PaperSize paper)
{
    return Writer(document, paper).run();
}

void WriteRtfFile(const QTextDocument& document, const QString& path, PaperSize paper)
{
    const QByteArray bytes = DocumentToRtf(document, paper);
    WriteFileOrThrow(path, bytes);
}

} // namespace veltra
