// RTF reading: a single pass over the text with an explicit stack of group
// states, so that neither deep nesting nor long input can exhaust the C++
// stack. The result is a list of paragraphs of formatted runs.
#include "util/RtfReader.h"

#include "util/TextLines.h"

#include <QByteArray>
#include <QHash>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veltra {

namespace {

// Groups nested deeper than this share the state of the deepest kept group;
// real documents stay far below it.
constexpr int MaxGroupDepth = 512;
// Numeric parameters are clamped to this magnitude.
constexpr long long MaxParameter = 1'000'000'000;
// Code page number standing for the Symbol font's own encoding.
constexpr int SymbolCodePage = 42;

enum class Keyword
{
    Par,
    Line,
    Tab,
    Plain,
    ParagraphDefault,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    Font,
    FontSize,
    ForeColor,
    BackColor,
    Unicode,
    UnicodeSkip,
    AnsiCodePage,
    CodePageMac,
    CodePagePc,
    CodePagePca,
    DefaultFont,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    FontTable,
    ColorTable,
    SkipDestination,
    Binary,
    Symbol, // a control word that stands for one character
};

struct KeywordInfo
{
    Keyword keyword;
    char16_t symbol = 0;
};

const std::unordered_map<std::u16string_view, KeywordInfo>& Keywords()
{
    static const std::unordered_map<std::u16string_view, KeywordInfo> table = {
        {u"par", {Keyword::Par}},
        {u"sect", {Keyword::Par}},
        {u"page", {Keyword::Par}},
        {u"row", {Keyword::Par}},
        {u"line", {Keyword::Line}},
        {u"tab", {Keyword::Tab}},
        {u"cell", {Keyword::Tab}},
        {u"plain", {Keyword::Plain}},
        {u"pard", {Keyword::ParagraphDefault}},
        {u"ql", {Keyword::AlignLeft}},
        {u"qc", {Keyword::AlignCenter}},
        {u"qr", {Keyword::AlignRight}},
        {u"qj", {Keyword::AlignJustify}},
        {u"b", {Keyword::Bold}},
        {u"i", {Keyword::Italic}},
        {u"ul", {Keyword::Underline}},
        {u"uld", {Keyword::Underline}},
        {u"uldash", {Keyword::Underline}},
        {u"uldashd", {Keyword::Underline}},
        {u"uldashdd", {Keyword::Underline}},
        {u"uldb", {Keyword::Underline}},
        {u"ulhwave", {Keyword::Underline}},
        {u"ulldash", {Keyword::Underline}},
        {u"ulth", {Keyword::Underline}},
        {u"ulthd", {Keyword::Underline}},
        {u"ulthdash", {Keyword::Underline}},
        {u"ulthdashd", {Keyword::Underline}},
        {u"ulthdashdd", {Keyword::Underline}},
        {u"ulthldash", {Keyword::Underline}},
        {u"ululdbwave", {Keyword::Underline}},
        {u"ulw", {Keyword::Underline}},
        {u"ulwave", {Keyword::Underline}},
        {u"ulnone", {Keyword::UnderlineNone}},
        {u"strike", {Keyword::Strike}},
        {u"striked", {Keyword::Strike}},
        {u"v", {Keyword::Hidden}},
        {u"f", {Keyword::Font}},
        {u"fs", {Keyword::FontSize}},
        {u"cf", {Keyword::ForeColor}},
        {u"highlight", {Keyword::BackColor}},
        {u"cb", {Keyword::BackColor}},
        {u"u", {Keyword::Unicode}},
        {u"uc", {Keyword::UnicodeSkip}},
        {u"ansicpg", {Keyword::AnsiCodePage}},
        {u"mac", {Keyword::CodePageMac}},
        {u"pc", {Keyword::CodePagePc}},
        {u"pca", {Keyword::CodePagePca}},
        {u"deff", {Keyword::DefaultFont}},
        {u"fcharset", {Keyword::FontCharset}},
        {u"cpg", {Keyword::FontCodePage}},
        {u"red", {Keyword::Red}},
        {u"green", {Keyword::Green}},
        {u"blue", {Keyword::Blue}},
        {u"fonttbl", {Keyword::FontTable}},
        {u"colortbl", {Keyword::ColorTable}},
        {u"bin", {Keyword::Binary}},
        {u"emdash", {Keyword::Symbol, 0x2014}},
        {u"endash", {Keyword::Symbol, 0x2013}},
        {u"emspace", {Keyword::Symbol, 0x2003}},
        {u"enspace", {Keyword::Symbol, 0x2002}},
        {u"qmspace", {Keyword::Symbol, 0x2005}},
        {u"bullet", {Keyword::Symbol, 0x2022}},
        {u"lquote", {Keyword::Symbol, 0x2018}},
        {u"rquote", {Keyword::Symbol, 0x2019}},
        {u"ldblquote", {Keyword::Symbol, 0x201C}},
        {u"rdblquote", {Keyword::Symbol, 0x201D}},
        // Destinations whose content is never shown.
        {u"stylesheet", {Keyword::SkipDestination}},
        {u"info", {Keyword::SkipDestination}},
        {u"pict", {Keyword::SkipDestination}},
        {u"object", {Keyword::SkipDestination}},
        {u"objdata", {Keyword::SkipDestination}},
        {u"header", {Keyword::SkipDestination}},
        {u"headerl", {Keyword::SkipDestination}},
        {u"headerr", {Keyword::SkipDestination}},
        {u"headerf", {Keyword::SkipDestination}},
        {u"footer", {Keyword::SkipDestination}},
        {u"footerl", {Keyword::SkipDestination}},
        {u"footerr", {Keyword::SkipDestination}},
        {u"footerf", {Keyword::SkipDestination}},
        {u"fldinst", {Keyword::SkipDestination}},
        {u"footnote", {Keyword::SkipDestination}},
        {u"annotation", {Keyword::SkipDestination}},
        {u"atnid", {Keyword::SkipDestination}},
        {u"atnauthor", {Keyword::SkipDestination}},
        {u"xe", {Keyword::SkipDestination}},
        {u"tc", {Keyword::SkipDestination}},
        {u"txe", {Keyword::SkipDestination}},
        {u"rxe", {Keyword::SkipDestination}},
        {u"listtable", {Keyword::SkipDestination}},
        {u"listoverridetable", {Keyword::SkipDestination}},
        {u"listtext", {Keyword::SkipDestination}},
        {u"pntext", {Keyword::SkipDestination}},
        {u"pn", {Keyword::SkipDestination}},
        {u"revtbl", {Keyword::SkipDestination}},
        {u"rsidtbl", {Keyword::SkipDestination}},
        {u"nonshppict", {Keyword::SkipDestination}},
        {u"shp", {Keyword::SkipDestination}},
        {u"shpinst", {Keyword::SkipDestination}},
        {u"themedata", {Keyword::SkipDestination}},
        {u"colorschememapping", {Keyword::SkipDestination}},
        {u"datastore", {Keyword::SkipDestination}},
        {u"latentstyles", {Keyword::SkipDestination}},
        {u"xmlnstbl", {Keyword::SkipDestination}},
        {u"generator", {Keyword::SkipDestination}},
        {u"fchars", {Keyword::SkipDestination}},
        {u"lchars", {Keyword::SkipDestination}},
        {u"bkmkstart", {Keyword::SkipDestination}},
        {u"bkmkend", {Keyword::SkipDestination}},
        {u"template", {Keyword::SkipDestination}},
        {u"userprops", {Keyword::SkipDestination}},
        {u"docvar", {Keyword::SkipDestination}},
        {u"private", {Keyword::SkipDestination}},
        {u"filetbl", {Keyword::SkipDestination}},
        {u"comment", {Keyword::SkipDestination}},
    };
    return table;
}

// Windows code page 1252 for the bytes 0x80 to 0x9F; the rest is Latin-1.
// Undefined positions keep their C1 code, as the platform's conversion does.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QChar Cp1252Char(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(Cp1252High[byte - 0x80]);
    return QChar(byte);
}

// The Symbol font shows Greek letters and a few signs where other fonts have
// Latin letters; the reader returns the characters the reader sees.
QChar SymbolFontChar(char16_t c)
{
    static constexpr char16_t upper[26] = {0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
                                           0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D,
                                           0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5,
                                           0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396};
    static constexpr char16_t lower[26] = {0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
                                           0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD,
                                           0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5,
                                           0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6};
    if (c >= u'A' && c <= u'Z')
        return QChar(upper[c - u'A']);
    if (c >= u'a' && c <= u'z')
        return QChar(lower[c - u'a']);
    switch (c) {
    case 0xA3:
        return QChar(0x2264); // less or equal
    case 0xA5:
        return QChar(0x221E); // infinity
    case 0xB1:
        return QChar(0x00B1);
    case 0xB3:
        return QChar(0x2265); // greater or equal
    case 0xB4:
        return QChar(0x00D7);
    case 0xB7:
        return QChar(0x2022);
    case 0xB8:
        return QChar(0x00F7);
    case 0xB9:
        return QChar(0x2260); // not equal
    case 0xBB:
        return QChar(0x2248); // almost equal
    case 0xD6:
        return QChar(0x221A); // square root
    default:
        return QChar(c);
    }
}

int CharsetCodePage(int charset)
{
    switch (charset) {
    case 2:
        return SymbolCodePage;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0; // ANSI, default: the document's code page
    }
}

enum class Destination
{
    Text,
    FontTable,
    ColorTable,
    Skip
};

struct GroupState
{
    Destination destination = Destination::Text;
    int font = -1; // -1: the document's default font (\deff)
    int fontSize = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool hidden = false;
    int foreground = 0;
    int background = 0;
    int unicodeSkip = 1;
    Qt::Alignment alignment = Qt::AlignLeft;
};

struct FontEntry
{
    QString name;
    int codePage = 0;
    bool isSymbol = false;
};

class Parser
{
public:
    explicit Parser(QStringView text) : m_text(text) { m_paragraphs.append(RtfParagraph()); }

    QList<RtfParagraph> run();

private:
    void openGroup();
    bool closeGroup(); // false when the outermost group is closed
    void controlWord();
    void controlSymbol(QChar c);
    void hexByte();
    void keyword(std::u16string_view name, bool hasParameter, long long parameter);
    void characterText(QChar c);
    void appendText(QChar c);
    void flushBytes();
    QString decode(const QByteArray& bytes, int codePage);
    int effectiveFont() const { return m_state.font < 0 ? m_defaultFont : m_state.font; }
    int currentCodePage() const;
    bool symbolFontActive() const;
    const RtfCharFormat& currentFormat();
    void newParagraph();

    QStringView m_text;
    qsizetype m_pos = 0;
    GroupState m_state;
    std::vector<GroupState> m_stack;
    int m_excessDepth = 0;
    bool m_started = false;
    bool m_hasSymbolFont = false;

    int m_codePage = 1252;
    int m_defaultFont = 0;
    QHash<int, FontEntry> m_fonts;
    int m_fontEntry = -1;
    bool m_fontNameOpen = false;
    QList<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorGiven = false;

    int m_pendingSkip = 0; // fallback characters of \uN still to skip
    QByteArray m_bytes;    // \'hh bytes not yet decoded
    std::map<int, std::unique_ptr<QStringDecoder>> m_decoders;

    RtfCharFormat m_format;
    bool m_formatDirty = true;
    QList<RtfParagraph> m_paragraphs;
};

void Parser::newParagraph()
{
    // Paragraph properties in effect at the paragraph mark belong to it.
    m_paragraphs.last().alignment = m_state.alignment;
    m_paragraphs.append(RtfParagraph());
}

QList<RtfParagraph> Parser::run()
{
    while (m_pos < m_text.size()) {
        const QChar c = m_text[m_pos];
        if (c == u'{') {
            ++m_pos;
            flushBytes();
            openGroup();
        } else if (c == u'}') {
            ++m_pos;
            flushBytes();
            if (!closeGroup())
                break;
        } else if (c == u'\\') {
            ++m_pos;
            if (m_pos >= m_text.size())
                break;
            const QChar next = m_text[m_pos];
            if ((next >= u'a' && next <= u'z') || (next >= u'A' && next <= u'Z')) {
                flushBytes();
                controlWord();
            } else if (next == u'\'') {
                ++m_pos;
                hexByte();
            } else {
                ++m_pos;
                flushBytes();
                controlSymbol(next);
            }
        } else {
            ++m_pos;
            flushBytes();
            if (m_started) // blanks before the document are no text
                characterText(c);
        }
    }
    flushBytes();
    m_paragraphs.last().alignment = m_state.alignment;
    return m_paragraphs;
}

void Parser::openGroup()
{
    m_pendingSkip = 0;
    m_formatDirty = true;
    if (!m_started) {
        // The outermost group holds the document; its state is the base state.
        m_started = true;
        return;
    }
    if (static_cast<int>(m_stack.size()) >= MaxGroupDepth) {
        ++m_excessDepth;
        return;
    }
    m_stack.push_back(m_state);
}

bool Parser::closeGroup()
{
    m_pendingSkip = 0;
    m_formatDirty = true;
    if (m_excessDepth > 0) {
        --m_excessDepth;
        return true;
    }
    if (m_stack.empty())
        return false;
    if (m_state.destination == Destination::FontTable && m_fontNameOpen) {
        // An entry without its closing ';'.
        m_fontNameOpen = false;
        FontEntry& font = m_fonts[m_fontEntry];
        font.name = font.name.trimmed();
    }
    m_state = m_stack.back();
    m_stack.pop_back();
    return true;
}

void Parser::controlWord()
{
    const qsizetype start = m_pos;
    while (m_pos < m_text.size()) {
        const QChar c = m_text[m_pos];
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            break;
        ++m_pos;
    }
    const std::u16string_view name(m_text.utf16() + start, static_cast<size_t>(m_pos - start));

    bool negative = false;
    if (m_pos + 1 < m_text.size() && m_text[m_pos] == u'-' && m_text[m_pos + 1].isDigit() &&
        m_text[m_pos + 1].unicode() < 128) {
        negative = true;
        ++m_pos;
    }
    bool hasParameter = false;
    long long parameter = 0;
    while (m_pos < m_text.size() && m_text[m_pos] >= u'0' && m_text[m_pos] <= u'9') {
        hasParameter = true;
        if (parameter < MaxParameter)
            parameter = parameter * 10 + (m_text[m_pos].unicode() - u'0');
        ++m_pos;
    }
    if (parameter > MaxParameter)
        parameter = MaxParameter;
    if (negative)
        parameter = -parameter;
    if (m_pos < m_text.size() && m_text[m_pos] == u' ')
        ++m_pos;

    // A control word ends the fallback text of \uN early: skipping it could
    // swallow a paragraph mark or a format change.
    m_pendingSkip = 0;
    keyword(name, hasParameter, parameter);
}

void Parser::keyword(std::u16string_view name, bool hasParameter, long long parameter)
{
    const auto found = Keywords().find(name);
    if (found == Keywords().end())
        return;
    const KeywordInfo& info = found->second;
    const bool on = !hasParameter || parameter != 0;
    const int value = static_cast<int>(std::clamp<long long>(parameter, -65535, 65535));
    m_formatDirty = true;
    GroupState& s = m_state;

    switch (info.keyword) {
    case Keyword::Par:
        if (s.destination == Destination::Text)
            newParagraph();
        break;
    case Keyword::Line:
        appendText(QChar::LineSeparator);
        break;
    case Keyword::Tab:
        appendText(u'\t');
        break;
    case Keyword::Symbol:
        appendText(QChar(info.symbol));
        break;
    case Keyword::ParagraphDefault:
        s.alignment = Qt::AlignLeft;
        break;
    case Keyword::AlignLeft:
        s.alignment = Qt::AlignLeft;
        break;
    case Keyword::AlignCenter:
        s.alignment = Qt::AlignHCenter;
        break;
    case Keyword::AlignRight:
        s.alignment = Qt::AlignRight;
        break;
    case Keyword::AlignJustify:
        s.alignment = Qt::AlignJustify;
        break;
    case Keyword::Plain:
        s.font = -1;
        s.fontSize = 0;
        s.bold = s.italic = s.underline = s.strikeOut = s.hidden = false;
        s.foreground = s.background = 0;
        break;
    case Keyword::Bold:
        s.bold = on;
        break;
    case Keyword::Italic:
        s.italic = on;
        break;
    case Keyword::Underline:
        s.underline = on;
        break;
    case Keyword::UnderlineNone:
        s.underline = false;
        break;
    case Keyword::Strike:
        s.strikeOut = on;
        break;
    case Keyword::Hidden:
        s.hidden = on;
        break;
    case Keyword::Font:
        if (s.destination == Destination::FontTable) {
            m_fontEntry = value;
            m_fonts[value];
            m_fontNameOpen = true;
        } else if (hasParameter) {
            s.font = value;
        }
        break;
    case Keyword::FontSize:
        s.fontSize = hasParameter ? std::clamp(value, 1, 3276) : 24;
        break;
    case Keyword::ForeColor:
        s.foreground = std::max(value, 0);
        break;
    case Keyword::BackColor:
        s.background = std::max(value, 0);
        break;
    case Keyword::Unicode:
        if (hasParameter) {
            // Negative values stand for the upper half of the 16-bit range;
            // values outside 16 bits are no character.
            if (parameter >= -32768 && parameter <= 65535 && parameter != 0)
                appendText(
                    QChar(static_cast<char16_t>(parameter < 0 ? parameter + 65536 : parameter)));
            m_pendingSkip = s.unicodeSkip;
        }
        break;
    case Keyword::UnicodeSkip:
        s.unicodeSkip = std::clamp(value, 0, 16);
        break;
    case Keyword::AnsiCodePage:
        if (hasParameter && value > 0)
            m_codePage = value;
        break;
    case Keyword::CodePageMac:
        m_codePage = 10000;
        break;
    case Keyword::CodePagePc:
        m_codePage = 437;
        break;
    case Keyword::CodePagePca:
        m_codePage = 850;
        break;
    case Keyword::DefaultFont:
        m_defaultFont = value;
        break;
    case Keyword::FontCharset:
        if (s.destination == Destination::FontTable) {
            FontEntry& font = m_fonts[m_fontEntry];
            font.codePage = CharsetCodePage(value);
            font.isSymbol = value == 2;
            m_hasSymbolFont = m_hasSymbolFont || font.isSymbol;
        }
        break;
    case Keyword::FontCodePage:
        if (s.destination == Destination::FontTable && value > 0)
            m_fonts[m_fontEntry].codePage = value;
        break;
    case Keyword::Red:
        m_red = std::clamp(value, 0, 255);
        m_colorGiven = true;
        break;
    case Keyword::Green:
        m_green = std::clamp(value, 0, 255);
        m_colorGiven = true;
        break;
    case Keyword::Blue:
        m_blue = std::clamp(value, 0, 255);
        m_colorGiven = true;
        break;
    case Keyword::FontTable:
        if (s.destination != Destination::Skip)
            s.destination = Destination::FontTable;
        break;
    case Keyword::ColorTable:
        if (s.destination != Destination::Skip) {
            s.destination = Destination::ColorTable;
            m_colors.clear();
            m_colorGiven = false;
            m_red = m_green = m_blue = 0;
        }
        break;
    case Keyword::SkipDestination:
        s.destination = Destination::Skip;
        break;
    case Keyword::Binary: {
        // Raw binary data of the given length follows; it is never text.
        const qsizetype length = std::max<long long>(parameter, 0);
        m_pos += std::min(length, m_text.size() - m_pos);
        break;
    }
    }
}

void Parser::controlSymbol(QChar c)
{
    switch (c.unicode()) {
    case u'\\':
    case u'{':
    case u'}':
        characterText(c);
        break;
    case u'~':
        characterText(QChar(0x00A0));
        break;
    case u'_':
        characterText(QChar(0x2011));
        break;
    case u'-': // optional hyphen: not shown in a text that does not wrap
        if (m_pendingSkip > 0)
            --m_pendingSkip;
        break;
    case u'*':
        // An ignorable destination: this reader shows none of them.
        m_state.destination = Destination::Skip;
        break;
    case u'\r':
    case u'\n':
        m_pendingSkip = 0;
        if (m_state.destination == Destination::Text)
            newParagraph();
        break;
    default:
        break;
    }
}

void Parser::hexByte()
{
    int value = 0;
    int digits = 0;
    while (digits < 2 && m_pos < m_text.size()) {
        const char16_t c = m_text[m_pos].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            break;
        value = value * 16 + digit;
        ++digits;
        ++m_pos;
    }
    if (digits < 2) // an incomplete escape is no character
        return;
    if (m_pendingSkip > 0) {
        --m_pendingSkip;
        return;
    }
    m_bytes.append(static_cast<char>(value));
}

void Parser::characterText(QChar c)
{
    if (m_pendingSkip > 0) {
        --m_pendingSkip;
        return;
    }
    switch (m_state.destination) {
    case Destination::Skip:
        return;
    case Destination::ColorTable:
        if (c == u';') {
            m_colors.append(m_colorGiven ? QColor(m_red, m_green, m_blue) : QColor());
            m_colorGiven = false;
            m_red = m_green = m_blue = 0;
        }
        return;
    case Destination::FontTable:
        if (!m_fontNameOpen)
            return;
        if (c == u';') {
            m_fontNameOpen = false;
            FontEntry& font = m_fonts[m_fontEntry];
            font.name = font.name.trimmed();
        } else if (c.unicode() >= 0x20) {
            m_fonts[m_fontEntry].name.append(c);
        }
        return;
    case Destination::Text:
        break;
    }
    if (c == u'\t') {
        appendText(c);
        return;
    }
    // Raw line breaks and other control characters are layout of the RTF text.
    if (c.unicode() < 0x20)
        return;
    if (m_hasSymbolFont && c.unicode() < 0x100 && symbolFontActive())
        c = SymbolFontChar(c.unicode());
    appendText(c);
}

void Parser::appendText(QChar c)
{
    if (m_state.destination != Destination::Text || m_state.hidden)
        return;
    const RtfCharFormat& format = currentFormat();
    QList<RtfRun>& runs = m_paragraphs.last().runs;
    if (runs.isEmpty() || !(runs.last().format == format))
        runs.append(RtfRun{QString(), format});
    runs.last().text.append(c);
}

void Parser::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const QByteArray bytes = m_bytes;
    m_bytes.clear();
    const QString text = decode(bytes, currentCodePage());
    if (m_state.destination == Destination::FontTable) {
        if (m_fontNameOpen)
            m_fonts[m_fontEntry].name.append(text);
        return;
    }
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 || c == u'\t')
            appendText(c);
    }
}

QString Parser::decode(const QByteArray& bytes, int codePage)
{
    if (codePage == SymbolCodePage) {
        QString text;
        for (const char b : bytes)
            text.append(SymbolFontChar(static_cast<unsigned char>(b)));
        return text;
    }
    if (codePage != 1252) {
        auto found = m_decoders.find(codePage);
        if (found == m_decoders.end()) {
            const QByteArray number = QByteArray::number(codePage);
            std::unique_ptr<QStringDecoder> decoder;
            for (const QByteArray& name : {codePage == 65001   ? QByteArray("UTF-8")
                                           : codePage == 10000 ? QByteArray("macintosh")
                                                               : QByteArray("windows-") + number,
                                           QByteArray("IBM") + number}) {
                decoder = std::make_unique<QStringDecoder>(name.constData(),
                                                           QStringConverter::Flag::Stateless);
                if (decoder->isValid())
                    break;
                decoder.reset();
            }
            found = m_decoders.emplace(codePage, std::move(decoder)).first;
        }
        if (found->second)
            return found->second->decode(bytes);
    }
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes)
        text.append(Cp1252Char(static_cast<unsigned char>(b)));
    return text;
}

int Parser::currentCodePage() const
{
    const auto font = m_fonts.constFind(effectiveFont());
    if (font == m_fonts.cend() || font->codePage == 0)
        return m_codePage;
    // Other symbol fonts (pictograms) have no text meaning: read as ANSI.
    if (font->codePage == SymbolCodePage)
        return symbolFontActive() ? SymbolCodePage : m_codePage;
    return font->codePage;
}

bool Parser::symbolFontActive() const
{
    const auto font = m_fonts.constFind(effectiveFont());
    return font != m_fonts.cend() && font->isSymbol &&
           font->name.compare(u"Symbol", Qt::CaseInsensitive) == 0;
}

const RtfCharFormat& Parser::currentFormat()
{
    if (!m_formatDirty)
        return m_format;
    m_formatDirty = false;
    RtfCharFormat format;
    const auto font = m_fonts.constFind(effectiveFont());
    if (font != m_fonts.cend())
        format.fontFamily = font->name;
    format.pointSize = m_state.fontSize / 2.0;
    format.bold = m_state.bold;
    format.italic = m_state.italic;
    format.underline = m_state.underline;
    format.strikeOut = m_state.strikeOut;
    if (m_state.foreground > 0 && m_state.foreground < m_colors.size())
        format.foreground = m_colors[m_state.foreground];
    if (m_state.background > 0 && m_state.background < m_colors.size())
        format.background = m_colors[m_state.background];
    m_format = format;
    return m_format;
}

QTextCharFormat ToTextCharFormat(const RtfCharFormat& format)
{
    QTextCharFormat result;
    if (!format.fontFamily.isEmpty())
        result.setFontFamilies(QStringList{format.fontFamily});
    if (format.pointSize > 0)
        result.setFontPointSize(format.pointSize);
    result.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    result.setFontItalic(format.italic);
    result.setFontUnderline(format.underline);
    result.setFontStrikeOut(format.strikeOut);
    if (format.foreground.isValid())
        result.setForeground(format.foreground);
    if (format.background.isValid())
        result.setBackground(format.background);
    return result;
}

} // namespace

bool IsRtfText(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].unicode() <= 0x20)
        ++i;
    return QStringView(text).mid(i).startsWith(u"{\\rtf");
}

QString RtfParagraph::text() const
{
    QString result;
    for (const RtfRun& run : runs)
        result += run.text;
    return result;
}

RtfReader::RtfReader(const QString& rtf) : m_paragraphs(Parser(rtf).run()) {}

QString RtfReader::plainText() const
{
    QString result;
    for (qsizetype i = 0; i < m_paragraphs.size(); ++i) {
        if (i > 0)
            result += u"\r\n";
        QString text = m_paragraphs[i].text();
        text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
        result += text;
    }
    return result;
}

void RtfReader::writeTo(QTextDocument* document) const
{
    document->clear();
    qsizetype count = m_paragraphs.size();
    if (count > 1 && m_paragraphs.last().runs.isEmpty())
        --count;
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (qsizetype i = 0; i < count; ++i) {
        QTextBlockFormat block;
        block.setAlignment(m_paragraphs[i].alignment);
        if (i > 0)
            cursor.insertBlock(block);
        else
            cursor.setBlockFormat(block);
        for (const RtfRun& run : m_paragraphs[i].runs)
            cursor.insertText(run.text, ToTextCharFormat(run.format));
    }
    cursor.endEditBlock();
}

QString RtfToPlainText(const QString& rtf)
{
    return RtfReader(rtf).plainText();
}

QStringList InfoLines(const QString& fieldText)
{
    QStringList lines = TextLines(IsRtfText(fieldText) ? RtfToPlainText(fieldText) : fieldText);
    for (QString& line : lines)
        line += u'\r';
    return lines;
}

QString FirstInfoLine(const QString& fieldText)
{
    const QStringList lines = InfoLines(fieldText);
    if (lines.isEmpty())
        return QString();
    QString first = lines.first();
    first.chop(1);
    return first;
}

void SetFieldText(QTextDocument* document, const QString& fieldText)
{
    if (IsRtfText(fieldText)) {
        RtfReader(fieldText).writeTo(document);
        return;
    }
    QString text = fieldText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    document->setPlainText(text);
}

} // namespace veltra
