#include "data/DataPacketReader.h"

#include "data/PacketStore.h"

#include "util/VeltraError.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <new>
#include <string_view>
#include <unordered_set>

namespace veltra {

namespace {

// Windows-1252 code points of the bytes 0x80 to 0x9F; the five undefined bytes map to
// the control characters of the same value, as the system's conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

/// Offset of the first byte that does not start a valid UTF-8 sequence; -1 when all
/// bytes are valid. Overlong forms, surrogates and code points above U+10FFFF are invalid.
qsizetype firstInvalidUtf8(const uchar* s, qsizetype n)
{
    qsizetype i = 0;
    while (i < n) {
#ifdef __SSE2__
        while (i + 32 <= n) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
            if (_mm_movemask_epi8(_mm_or_si128(a, b)))
                break;
            i += 32;
        }
#endif
        while (i + 8 <= n) {
            quint64 w;
            std::memcpy(&w, s + i, 8);
            if (w & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const uchar c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        uint cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return i;
        }
        if (i + len > n)
            return i;
        for (int k = 1; k < len; ++k) {
            const uchar cc = s[i + k];
            if ((cc & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)))
            return i;
        if (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))
            return i;
        i += len;
    }
    return -1;
}

char16_t* decodeUtf8(const uchar* s, const uchar* e, char16_t* out)
{
    return decodeValidUtf8(s, e, out);
}

char16_t* decodeCp1252(const uchar* s, const uchar* e, char16_t* out)
{
    for (; s < e; ++s) {
        const uchar c = *s;
        *out++ = (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : char16_t(c);
    }
    return out;
}

// Byte classes of attribute values: 1 = needs the slow path (reference, '<', control).
struct ValueClasses
{
    uchar cls[256] = {};
    constexpr ValueClasses()
    {
        for (int c = 0; c < 0x20; ++c)
            cls[c] = 1;
        cls[uchar('&')] = 1;
        cls[uchar('<')] = 1;
    }
};
constexpr ValueClasses kValueClasses;

// Byte classes of character data: 1 = needs the slow path (reference, CR, control).
struct TextClasses
{
    uchar cls[256] = {};
    constexpr TextClasses()
    {
        for (int c = 0; c < 0x20; ++c)
            cls[c] = c != '\t' && c != '\n';
        cls[uchar('&')] = 1;
    }
};
constexpr TextClasses kTextClasses;

// Up to this many attributes on an element, duplicates are found by comparing names.
constexpr size_t kLinearAttributeCheck = 16;

inline bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline bool isNameStart(uchar c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

struct NameClasses
{
    bool name[256] = {};
    constexpr NameClasses()
    {
        for (int c = 0; c < 256; ++c) {
            name[c] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
                      c >= 0x80 || (c >= '0' && c <= '9') || c == '-' || c == '.';
        }
    }
};
constexpr NameClasses kNameClasses;

inline bool isNameChar(uchar c)
{
    return kNameClasses.name[c];
}

/// Number of UTF-8 characters in [p, e): the bytes that are no continuation bytes.
inline qint64 characterCount(const char* p, const char* e)
{
    qint64 n = e - p;
#ifdef __SSE2__
    const __m128i topV = _mm_set1_epi8(char(0xC0));
    const __m128i continuationV = _mm_set1_epi8(char(0x80));
    for (; e - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (!_mm_movemask_epi8(v))
            continue; // ASCII
        unsigned c =
            unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, topV), continuationV)));
        for (; c; c &= c - 1)
            --n;
    }
#endif
    for (; p < e; ++p) {
        if ((uchar(*p) & 0xC0) == 0x80)
            --n;
    }
    return n;
}

/// The first byte in [p, e) that an attribute value cannot hold as it is: a control
/// character, '&' or '<', and with stopHigh any byte from 0x80 on; also the quote that
/// ends the value when one is given (0 for none: NUL is a control character anyway); e
/// when there is none.
/// Eight bytes at a time: a byte equal to x is a zero byte of w ^ x, and (v - 0x01..) &
/// ~v & 0x80.. marks zero bytes (below 0x20 with 0x20.. instead of 0x01..); marks
/// above the lowest are not exact, so the lowest decides.
[[gnu::always_inline]] inline const char* findValueSpecial(const char* p, const char* e,
                                                           bool stopHigh, char quote = 0)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 highs = 0x8080808080808080ULL;
    const quint64 high = stopHigh ? highs : 0;
#ifdef __SSE2__
    // Sixteen bytes at a time where the processor has SSE2 (every x86-64 does).
    const __m128i ampV = _mm_set1_epi8('&');
    const __m128i ltV = _mm_set1_epi8('<');
    const __m128i quoteV = _mm_set1_epi8(quote);
    const __m128i controlV = _mm_set1_epi8(0x1F);
    while (e - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i m = _mm_or_si128(_mm_cmpeq_epi8(v, ampV), _mm_cmpeq_epi8(v, ltV));
        m = _mm_or_si128(m, _mm_cmpeq_epi8(v, quoteV));
        m = _mm_or_si128(m, _mm_cmpeq_epi8(_mm_min_epu8(v, controlV), v)); // v <= 0x1F
        int bits = _mm_movemask_epi8(m);
        if (stopHigh)
            bits |= _mm_movemask_epi8(v);
        if (bits)
            return p + __builtin_ctz(unsigned(bits));
        p += 16;
    }
#endif
    while (e - p >= 8) {
        quint64 w;
        std::memcpy(&w, p, 8);
        const quint64 amp = w ^ (ones * '&');
        const quint64 lt = w ^ (ones * '<');
        const quint64 q = w ^ (ones * uchar(quote));
        const quint64 marks = (((amp - ones) & ~amp) | ((lt - ones) & ~lt) | ((q - ones) & ~q) |
                               ((w - ones * 0x20) & ~w) | (w & high)) &
                              highs;
        if (marks)
            return p + (__builtin_ctzll(marks) >> 3);
        p += 8;
    }
    for (; p < e; ++p) {
        const uchar c = uchar(*p);
        if (c < 0x20 || c == '&' || c == '<' || c == uchar(quote) || (stopHigh && c >= 0x80))
            return p;
    }
    return e;
}

struct Span
{
    const char* begin = nullptr;
    const char* end = nullptr;
    qsizetype size() const { return end - begin; }
    bool is(const char* text) const
    {
        const size_t n = std::strlen(text);
        return size_t(size()) == n && std::memcmp(begin, text, n) == 0;
    }
    QByteArray bytes() const { return QByteArray(begin, size()); }
};

/// "WIDTH" or "SUBTYPE" when an attribute of a FIELD element is named so in any case
/// (other engines write "width"); nullptr for any other name.
const char* fieldSettingName(Span name)
{
    if (name.size() == 5 && qstrnicmp(name.begin, "WIDTH", 5) == 0)
        return "WIDTH";
    if (name.size() == 7 && qstrnicmp(name.begin, "SUBTYPE", 7) == 0)
        return "SUBTYPE";
    return nullptr;
}

struct Attribute
{
    Span name;
    const char* valueBegin = nullptr; // first byte of the value, for messages
    Span raw;                         // the value as written
    QString value;
};

class Parser
{
public:
    /// With writable, values are decoded in place in the parser's own copy of data
    /// (which the caller should hand over unshared, or it is copied once).
    Parser(QByteArray data, const QString& name, bool writable = false)
        : m_data(std::move(data)),
          m_writable(writable ? m_data.data() : nullptr), // detaches a shared copy
          m_begin(m_data.constData()), m_p(m_begin), m_end(m_begin + m_data.size()), m_name(name)
    {
    }

    /// Reads the packet; with a store the rows go into it as slices of data.
    DataPacket run(PacketStore* store = nullptr);

private:
    [[noreturn]] void fail(const char* at, const QString& what) const;
    QString text(Span s) const { return decodeSpan(s.begin, s.end); }
    QString decodeSpan(const char* b, const char* e) const;

    void need(qsizetype n, const char* what)
    {
        if (m_end - m_p < n)
            fail(m_end, QStringLiteral("unexpected end of input in %1").arg(QLatin1String(what)));
    }
    bool startsWith(const char* s) const
    {
        const size_t n = std::strlen(s);
        return size_t(m_end - m_p) >= n && std::memcmp(m_p, s, n) == 0;
    }
    void skipSpace()
    {
        while (m_p < m_end && isSpace(*m_p))
            ++m_p;
    }

    void parseDeclaration();
    void chooseEncoding(const QString& declared, const char* at);
    /// At "<!--": reads the comment and returns its content.
    Span readComment();
    /// At "<?": reads a processing instruction other than the XML declaration; returns
    /// the target and sets data to the text after the blank that follows it.
    Span readInstruction(Span& data);
    /// Keeps comments and PIs, skips blanks; stops at anything else.
    void keepMisc(XmlFragment& kept, int position);
    Span readName(const char* context);
    /// Reads the attributes of a start tag up to '>' or "/>"; true for an empty element.
    bool readAttributes(std::vector<Attribute>& attrs, Span element);
    /// Reads '=' and the opening quote of a value; valueBegin is the value's first byte.
    /// Returns the quote character.
    char openValue(const char*& valueBegin);
    /// Reads '=' and a quoted value; returns the value span (without quotes).
    Span readValueSpan(const char*& valueBegin);
    /// Same, and sets special to the value's first byte that findValueSpecial stops at
    /// (the value's end when there is none), found in the same scan as the quote.
    Span readValueSpan(const char*& valueBegin, const char*& special);
    QString decodeValue(const char* b, const char* e) const;
    /// The value as a slice: of the file when it needs no decoding, else decoded as
    /// UTF-8 into the store's own buffer.
    /// special: the first byte findValueSpecial(b, e, !m_utf8) stops at.
    ValueSlice sliceValue(const char* b, const char* e, const char* special, PacketStore& store);
    /// UTF-8 decoded into the file's own bytes from special on (it is never longer than
    /// the value as written), so the table holds no second copy of its texts.
    ValueSlice decodeInPlace(const char* b, const char* e, const char* special);
    /// At '&': the code point of the reference; p goes past it.
    uint readReference(const char*& p, const char* e) const;
    /// Character data: references resolved, line ends as LF, characters checked.
    QString decodeText(const char* b, const char* e) const;
    const char* parseReference(const char* p, const char* e, char16_t*& out) const;
    XmlAttributes keptAttributes(std::vector<Attribute>& attrs) const;
    /// The attributes of a kept start tag; those of a FIELD element (a nested field's own
    /// fields) with WIDTH and SUBTYPE spelled in upper case, as the writer spells them.
    XmlAttributes keptTagAttributes(Span element, std::vector<Attribute>& attrs) const;
    /// Fails when a FIELD element spells WIDTH or SUBTYPE twice (in two cases).
    void checkFieldSetting(const Attribute*& seen, const Attribute& a) const;
    void keepPiece(XmlFragment& kept, XmlPiece::Kind kind, int position, QString name,
                   QString text = QString());
    /// After the start tag of an element the reader does not interpret (m_p past its
    /// attributes): keeps the element with its content, checked, as pieces.
    void keepElement(Span element, std::vector<Attribute>& attrs, bool empty, XmlFragment& kept,
                     int position);
    /// After a start tag that was not empty: keeps the content up to the matching end tag
    /// (the end tag not included).
    void keepContent(Span element, XmlFragment& kept, int position);
    void readEndTag(Span element);
    /// Content of an element that holds only elements: calls onChild for each start tag
    /// (m_p after the name) and returns after the end tag. Comments and PIs go to kept at
    /// the position the caller keeps up to date.
    template <typename F>
    void elementContent(Span element, XmlFragment& kept, const int& position, F onChild);

    void parseMetadata(DataPacket& packet, Span element);
    void parseFields(DataPacket& packet, Span element);
    template <typename Sink> void parseRowData(DataPacket& packet, Span element, Sink& sink);

    /// The bytes of name in the file's encoding; empty when it has no such bytes.
    QByteArray encodeName(const QString& name) const;

    QByteArray m_data; // a store keeps it
    char* m_writable;  // m_data's bytes when values are decoded in place; else null
    const char* m_begin;
    const char* m_p;
    const char* m_end;
    QString m_name;
    bool m_utf8 = true;
    bool m_haveFields = false;
    std::vector<QByteArray> m_fieldNameBytes; // attrname of each FIELD as in the file

    // Values decoded in place, in file order, with what an error message needs of the
    // bytes they had: the line ends in them and the characters after the last one.
    struct ChangedSpan
    {
        const char* begin;
        const char* end;
        qint64 lineEnds;
        qint64 tailCharacters; // after the last line end; all of them when there is none
    };
    std::vector<ChangedSpan> m_changed;
    // The part of the value being decoded in place that is rewritten already, while a
    // step that may fail runs (begin null otherwise): it lies after every span above.
    ChangedSpan m_partial{nullptr, nullptr, 0, 0};
};

void Parser::fail(const char* at, const QString& what) const
{
    if (at > m_end)
        at = m_end;
    // Counted on the bytes as they were in the file: a value decoded in place counts by
    // what it had.
    qint64 line = 1;
    qint64 column = 1;
    auto count = [&](const char* from, const char* to) {
        for (const char* p = from; p < to; ++p) {
            if (*p == '\n' || (*p == '\r' && (p + 1 >= m_end || p[1] != '\n'))) {
                ++line;
                column = 1;
            } else if (!m_utf8 || (uchar(*p) & 0xC0) != 0x80) {
                ++column;
            }
        }
    };
    const char* p = m_begin;
    for (const ChangedSpan& span : m_changed) {
        if (span.begin >= at)
            break;
        count(p, span.begin);
        if (span.lineEnds > 0) {
            line += span.lineEnds;
            column = 1 + span.tailCharacters;
        } else {
            column += span.tailCharacters;
        }
        p = span.end;
    }
    if (m_partial.begin && m_partial.begin < at && m_partial.begin >= p) {
        count(p, m_partial.begin);
        if (m_partial.lineEnds > 0) {
            line += m_partial.lineEnds;
            column = 1 + m_partial.tailCharacters;
        } else {
            column += m_partial.tailCharacters;
        }
        p = m_partial.end;
    }
    count(p, at);
    throw VeltraError(QStringLiteral("\"%1\": line %2, column %3: %4")
                          .arg(m_name)
                          .arg(line)
                          .arg(column)
                          .arg(what));
}

QByteArray Parser::encodeName(const QString& name) const
{
    if (m_utf8)
        return name.toUtf8();
    QByteArray bytes;
    for (QChar ch : name) {
        const char16_t c = ch.unicode();
        if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
            bytes.append(char(c));
            continue;
        }
        const char16_t* hit = std::find(std::begin(kCp1252High), std::end(kCp1252High), c);
        if (hit == std::end(kCp1252High))
            return QByteArray();
        bytes.append(char(0x80 + (hit - kCp1252High)));
    }
    return bytes;
}

QString Parser::decodeSpan(const char* b, const char* e) const
{
    // The file's bytes were checked as UTF-8 before, so the own decoder needs no checks;
    // QString::fromUtf8 would also drop a U+FEFF at the start of each value.
    const qsizetype n = e - b;
    QString s(n, Qt::Uninitialized);
    const uchar* ub = reinterpret_cast<const uchar*>(b);
    const uchar* ue = reinterpret_cast<const uchar*>(e);
    char16_t* out = reinterpret_cast<char16_t*>(s.data());
    const char16_t* end = m_utf8 ? decodeUtf8(ub, ue, out) : decodeCp1252(ub, ue, out);
    s.truncate(end - out);
    return s;
}

void Parser::chooseEncoding(const QString& declared, const char* at)
{
    const uchar* bytes = reinterpret_cast<const uchar*>(m_begin);
    const qsizetype size = m_end - m_begin;
    const QString enc = declared.toLower();
    if (declared.isNull()) {
        // No declaration: the bytes decide.
        m_utf8 = firstInvalidUtf8(bytes, size) < 0;
        return;
    }
    if (enc == QLatin1String("utf-8") || enc == QLatin1String("utf8")) {
        const qsizetype bad = firstInvalidUtf8(bytes, size);
        if (bad >= 0) {
            m_utf8 = false; // count columns by bytes in the message
            fail(m_begin + bad, QStringLiteral("invalid UTF-8 at byte offset %1").arg(bad));
        }
        m_utf8 = true;
        return;
    }
    if (enc == QLatin1String("iso-8859-1") || enc == QLatin1String("windows-1252") ||
        enc == QLatin1String("cp1252") || enc == QLatin1String("latin1") ||
        enc == QLatin1String("us-ascii")) {
        m_utf8 = false;
        return;
    }
    fail(at, QStringLiteral("unsupported encoding \"%1\"").arg(declared));
}

void Parser::parseDeclaration()
{
    // m_p at "<?xml" followed by a blank.
    m_p += 5;
    QString version, encoding, standalone;
    const char* encodingAt = nullptr;
    int order = 0;
    for (;;) {
        const char* before = m_p;
        skipSpace();
        need(2, "the XML declaration");
        if (m_p[0] == '?' && m_p[1] == '>') {
            m_p += 2;
            break;
        }
        if (m_p == before)
            fail(m_p, QStringLiteral("blank expected in the XML declaration"));
        const Span name = readName("the XML declaration");
        const char* valueBegin = nullptr;
        const Span value = readValueSpan(valueBegin);
        const QString v = QString::fromLatin1(value.begin, value.size());
        int rank;
        if (name.is("version")) {
            rank = 1;
            version = v;
        } else if (name.is("encoding")) {
            rank = 2;
            encoding = v;
            encodingAt = valueBegin;
        } else if (name.is("standalone")) {
            rank = 3;
            standalone = v;
            if (v != QLatin1String("yes") && v != QLatin1String("no"))
                fail(valueBegin, QStringLiteral("standalone must be \"yes\" or \"no\""));
        } else {
            fail(name.begin, QStringLiteral("unexpected \"%1\" in the XML declaration")
                                 .arg(QString::fromLatin1(name.bytes())));
        }
        if (rank <= order)
            fail(name.begin, QStringLiteral("\"%1\" out of order in the XML declaration")
                                 .arg(QString::fromLatin1(name.bytes())));
        if (rank > 1 && order == 0)
            fail(name.begin, QStringLiteral("the XML declaration lacks the version"));
        order = rank;
        if (rank == 1 && !version.startsWith(QLatin1String("1.")))
            fail(valueBegin, QStringLiteral("unsupported XML version \"%1\"").arg(version));
    }
    if (order == 0)
        fail(m_p, QStringLiteral("the XML declaration lacks the version"));
    if (encodingAt)
        chooseEncoding(encoding, encodingAt);
    else
        chooseEncoding(QString(), m_p);
}

Span Parser::readComment()
{
    // m_p at "<!--"
    m_p += 4;
    const char* begin = m_p;
    for (;;) {
        const char* dash = static_cast<const char*>(std::memchr(m_p, '-', m_end - m_p));
        if (!dash || m_end - dash < 3)
            fail(m_end, QStringLiteral("unexpected end of input in a comment"));
        if (dash[1] == '-') {
            if (dash[2] != '>')
                fail(dash, QStringLiteral("\"--\" inside a comment"));
            m_p = dash + 3;
            return Span{begin, dash};
        }
        m_p = dash + 1;
    }
}

Span Parser::readInstruction(Span& data)
{
    // m_p at "<?"
    const char* start = m_p;
    m_p += 2;
    const Span target = readName("a processing instruction");
    if (target.size() == 3 && (target.begin[0] | 0x20) == 'x' && (target.begin[1] | 0x20) == 'm' &&
        (target.begin[2] | 0x20) == 'l')
        fail(start, QStringLiteral("XML declaration not at the start of the file"));
    skipSpace();
    const char* begin = m_p;
    for (;;) {
        const char* q = static_cast<const char*>(std::memchr(m_p, '?', m_end - m_p));
        if (!q || q + 1 >= m_end)
            fail(m_end, QStringLiteral("unexpected end of input in a processing instruction"));
        if (q[1] == '>') {
            m_p = q + 2;
            data = Span{begin, q};
            return target;
        }
        m_p = q + 1;
    }
}

void Parser::keepMisc(XmlFragment& kept, int position)
{
    for (;;) {
        skipSpace();
        if (startsWith("<!--")) {
            const Span comment = readComment();
            keepPiece(kept, XmlPiece::Kind::Comment, position, QString(), text(comment));
        } else if (startsWith("<?")) {
            Span data;
            const Span target = readInstruction(data);
            keepPiece(kept, XmlPiece::Kind::Instruction, position, text(target), text(data));
        } else if (startsWith("<!DOCTYPE")) {
            fail(m_p, QStringLiteral("document type declarations are not supported"));
        } else {
            return;
        }
    }
}

void Parser::keepPiece(XmlFragment& kept, XmlPiece::Kind kind, int position, QString name,
                       QString text)
{
    XmlPiece piece;
    piece.kind = kind;
    piece.position = position;
    piece.name = std::move(name);
    piece.text = std::move(text);
    kept.push_back(std::move(piece));
}

void Parser::checkFieldSetting(const Attribute*& seen, const Attribute& a) const
{
    if (seen)
        fail(a.name.begin,
             QStringLiteral("duplicate attribute \"%1\" in <FIELD>").arg(text(a.name)));
    seen = &a;
}

XmlAttributes Parser::keptTagAttributes(Span element, std::vector<Attribute>& attrs) const
{
    XmlAttributes result = keptAttributes(attrs);
    if (!element.is("FIELD"))
        return result;
    const Attribute* width = nullptr;
    const Attribute* subtype = nullptr;
    for (size_t i = 0; i < attrs.size(); ++i) {
        const char* upper = fieldSettingName(attrs[i].name);
        if (!upper)
            continue;
        checkFieldSetting(*upper == 'W' ? width : subtype, attrs[i]);
        result[qsizetype(i)].first = QLatin1String(upper);
    }
    return result;
}

XmlAttributes Parser::keptAttributes(std::vector<Attribute>& attrs) const
{
    XmlAttributes result;
    result.reserve(qsizetype(attrs.size()));
    for (Attribute& a : attrs)
        result.append({text(a.name), std::move(a.value)});
    return result;
}

Span Parser::readName(const char* context)
{
    if (m_p >= m_end)
        fail(m_end, QStringLiteral("unexpected end of input in %1").arg(QLatin1String(context)));
    if (!isNameStart(uchar(*m_p)))
        fail(m_p, QStringLiteral("name expected in %1").arg(QLatin1String(context)));
    Span s;
    s.begin = m_p;
    ++m_p;
    while (m_p < m_end && isNameChar(uchar(*m_p)))
        ++m_p;
    s.end = m_p;
    return s;
}

char Parser::openValue(const char*& valueBegin)
{
    skipSpace();
    need(1, "an attribute");
    if (*m_p != '=')
        fail(m_p, QStringLiteral("'=' expected after an attribute name"));
    ++m_p;
    skipSpace();
    need(1, "an attribute");
    const char quote = *m_p;
    if (quote != '"' && quote != '\'')
        fail(m_p, QStringLiteral("quoted attribute value expected"));
    ++m_p;
    valueBegin = m_p;
    return quote;
}

Span Parser::readValueSpan(const char*& valueBegin)
{
    const char quote = openValue(valueBegin);
    const char* close = static_cast<const char*>(std::memchr(m_p, quote, m_end - m_p));
    if (!close)
        fail(m_end, QStringLiteral("unexpected end of input in an attribute value"));
    Span s{m_p, close};
    m_p = close + 1;
    return s;
}

Span Parser::readValueSpan(const char*& valueBegin, const char*& special)
{
    const char quote = openValue(valueBegin);
    // One scan finds the closing quote of a value that needs no decoding (most do).
    const char* close = findValueSpecial(m_p, m_end, !m_utf8, quote);
    if (close < m_end && *close == quote) {
        special = close;
    } else {
        special = close;
        close = close < m_end
                    ? static_cast<const char*>(std::memchr(close, quote, size_t(m_end - close)))
                    : nullptr;
        if (!close)
            fail(m_end, QStringLiteral("unexpected end of input in an attribute value"));
    }
    Span s{m_p, close};
    m_p = close + 1;
    return s;
}

uint Parser::readReference(const char*& pos, const char* e) const
{
    // pos at '&'
    const char* start = pos;
    const char* p = pos + 1;
    if (p < e && *p == '#') {
        ++p;
        const bool hex = p < e && *p == 'x';
        if (hex)
            ++p;
        quint32 cp = 0;
        const char* digits = p;
        while (p < e && *p != ';') {
            const char c = *p;
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                fail(p, QStringLiteral("bad character reference"));
            cp = cp * (hex ? 16 : 10) + quint32(d);
            if (cp > 0x10FFFF)
                fail(start, QStringLiteral("character reference out of range"));
            ++p;
        }
        if (p >= e)
            fail(start, QStringLiteral("unterminated character reference"));
        if (p == digits)
            fail(start, QStringLiteral("bad character reference"));
        // Control characters are accepted as references so that any text this program
        // writes reads back; NUL and surrogates are never characters.
        if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF))
            fail(start, QStringLiteral("character reference to an invalid character"));
        pos = p + 1;
        return cp;
    }
    const char* nameBegin = p;
    while (p < e && *p != ';' && p - nameBegin < 8)
        ++p;
    if (p >= e || *p != ';')
        fail(start, QStringLiteral("'&' not followed by an entity reference"));
    const Span name{nameBegin, p};
    uint cp;
    if (name.is("lt"))
        cp = '<';
    else if (name.is("gt"))
        cp = '>';
    else if (name.is("amp"))
        cp = '&';
    else if (name.is("quot"))
        cp = '"';
    else if (name.is("apos"))
        cp = '\'';
    else
        fail(start,
             QStringLiteral("unknown entity \"&%1;\"").arg(decodeSpan(name.begin, name.end)));
    pos = p + 1;
    return cp;
}

const char* Parser::parseReference(const char* p, const char* e, char16_t*& out) const
{
    uint cp = readReference(p, e);
    if (cp >= 0x10000) {
        cp -= 0x10000;
        *out++ = char16_t(0xD800 + (cp >> 10));
        *out++ = char16_t(0xDC00 + (cp & 0x3FF));
    } else {
        *out++ = char16_t(cp);
    }
    return p;
}

/// Writes the code point as UTF-8.
inline char* encodeUtf8(uint cp, char* out)
{
    if (cp < 0x80) {
        *out++ = char(cp);
    } else if (cp < 0x800) {
        *out++ = char(0xC0 | (cp >> 6));
        *out++ = char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = char(0xE0 | (cp >> 12));
        *out++ = char(0x80 | ((cp >> 6) & 0x3F));
        *out++ = char(0x80 | (cp & 0x3F));
    } else {
        *out++ = char(0xF0 | (cp >> 18));
        *out++ = char(0x80 | ((cp >> 12) & 0x3F));
        *out++ = char(0x80 | ((cp >> 6) & 0x3F));
        *out++ = char(0x80 | (cp & 0x3F));
    }
    return out;
}

ValueSlice Parser::decodeInPlace(const char* b, const char* e, const char* special)
{
    const char* p = special;
    char* const outBegin = m_writable + (b - m_begin);
    char* out = m_writable + (p - m_begin); // the bytes before special stay as they are
    const char* run = p;
    // For the place in an error message, what the bytes as written held: the literal line
    // ends, and after the last of them (at lineStart; out was at outLineStart) the
    // characters. Those are counted at the end on the output: the runs keep their bytes,
    // and a reference is ASCII, so its output's continuation bytes are taken off.
    qint64 lineEnds = 0;
    const char* lineStart = b;
    char* outLineStart = outBegin;
    qint64 referenceContinuations = 0;
    auto tailCharacters = [&](const char* to) {
        const qint64 outBytes = out - outLineStart;
        const qint64 continuations = outBytes - characterCount(outLineStart, out);
        return (to - lineStart) - (continuations - referenceContinuations);
    };
    // Before a step that may fail: what the message needs of the bytes rewritten so far.
    auto mark = [&](const char* at) {
        m_partial = ChangedSpan{b, at, lineEnds, tailCharacters(at)};
    };
    for (;;) {
        if (out != run)
            std::memmove(out, run, size_t(p - run));
        out += p - run;
        if (p == e)
            break;
        const char c = *p;
        if (c == '&') {
            // Most references are three decimal digits (line ends, accented letters),
            // and most of those the two of a line end. Written at out, which is never
            // past the reference read.
            char* const written = out;
            if (e - p >= 12 && std::memcmp(p, "&#013;&#010;", 12) == 0) {
                out[0] = '\r';
                out[1] = '\n';
                out += 2;
                p += 12;
            } else if (e - p >= 6 && p[1] == '#' && p[5] == ';' && uchar(p[2] - '0') < 10 &&
                       uchar(p[3] - '0') < 10 && uchar(p[4] - '0') < 10 &&
                       (p[2] != '0' || p[3] != '0' || p[4] != '0')) {
                out = encodeUtf8(uint((p[2] - '0') * 100 + (p[3] - '0') * 10 + (p[4] - '0')), out);
                referenceContinuations += (out - written) - 1; // one character
                p += 6;
            } else {
                mark(p);
                const uint cp = readReference(p, e);
                out = encodeUtf8(cp, out);
                referenceContinuations += (out - written) - 1;
            }
        } else if (c == '<') {
            mark(p);
            fail(p, QStringLiteral("'<' not allowed in an attribute value"));
        } else if (c == '\t' || c == '\n') {
            *out++ = ' '; // attribute-value normalisation of literal blanks
            ++p;
            if (c == '\n') {
                ++lineEnds;
                lineStart = p;
                outLineStart = out;
                referenceContinuations = 0;
            }
        } else if (c == '\r') {
            *out++ = ' ';
            ++p;
            if (p < e && *p == '\n')
                ++p;
            ++lineEnds;
            lineStart = p;
            outLineStart = out;
            referenceContinuations = 0;
        } else {
            mark(p);
            fail(p, QStringLiteral("invalid character 0x%1")
                        .arg(int(uchar(c)), 2, 16, QLatin1Char('0')));
        }
        run = p;
        p = findValueSpecial(p, e, false);
    }
    m_partial.begin = nullptr;
    m_changed.push_back(ChangedSpan{b, e, lineEnds, tailCharacters(e)});
    return PacketStore::fileSlice(b - m_begin, out - outBegin);
}

ValueSlice Parser::sliceValue(const char* b, const char* e, const char* special, PacketStore& store)
{
    const char* p = special;
    if (p == e)
        return PacketStore::fileSlice(b - m_begin, e - b);
    if (m_writable && m_utf8)
        return decodeInPlace(b, e, special);

    // Decoded into the own buffer: UTF-8 needs no more bytes than it has (a reference
    // is longer than the character it stands for); a single-byte text at most three
    // bytes per byte.
    QByteArray& own = store.ownBuffer();
    const qsizetype from = own.size();
    const qsizetype room = m_utf8 ? (e - b) : 3 * (e - b);
    own.resize(from + room);
    char* const outBegin = own.data() + from;
    char* out = outBegin;
    const char* run = b;
    auto flush = [&](const char* to) {
        if (m_utf8) {
            std::memcpy(out, run, size_t(to - run));
            out += to - run;
            return;
        }
        for (const char* q = run; q < to; ++q) {
            const uchar c = uchar(*q);
            out = encodeUtf8((c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c, out);
        }
    };
    for (;;) {
        p = findValueSpecial(p, e, false);
        if (p == e)
            break;
        const char c = *p;
        flush(p);
        if (c == '&') {
            out = encodeUtf8(readReference(p, e), out);
        } else if (c == '<') {
            fail(p, QStringLiteral("'<' not allowed in an attribute value"));
        } else if (c == '\t' || c == '\n') {
            *out++ = ' '; // attribute-value normalisation of literal blanks
            ++p;
        } else if (c == '\r') {
            *out++ = ' ';
            ++p;
            if (p < e && *p == '\n')
                ++p;
        } else {
            fail(p, QStringLiteral("invalid character 0x%1")
                        .arg(int(uchar(c)), 2, 16, QLatin1Char('0')));
        }
        run = p;
    }
    flush(e);
    own.truncate(from + (out - outBegin));
    return store.ownSlice(from);
}

QString Parser::decodeValue(const char* b, const char* e) const
{
    const char* p = findValueSpecial(b, e, false);
    if (p == e)
        return b == e ? QString() : decodeSpan(b, e);

    // Slow path: references and blanks to normalise. No piece decodes into more UTF-16
    // units than it has bytes, so the buffer never grows.
    QString result(e - b, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    const char* run = b;
    auto flush = [&](const char* to) {
        const uchar* rb = reinterpret_cast<const uchar*>(run);
        const uchar* re = reinterpret_cast<const uchar*>(to);
        out = m_utf8 ? decodeUtf8(rb, re, out) : decodeCp1252(rb, re, out);
    };
    while (p < e) {
        const char c = *p;
        if (!kValueClasses.cls[uchar(c)]) {
            ++p;
            continue;
        }
        flush(p);
        if (c == '&') {
            p = parseReference(p, e, out);
        } else if (c == '<') {
            fail(p, QStringLiteral("'<' not allowed in an attribute value"));
        } else if (c == '\t' || c == '\n') {
            *out++ = u' '; // attribute-value normalisation of literal blanks
            ++p;
        } else if (c == '\r') {
            *out++ = u' ';
            ++p;
            if (p < e && *p == '\n')
                ++p;
        } else {
            fail(p, QStringLiteral("invalid character 0x%1")
                        .arg(int(uchar(c)), 2, 16, QLatin1Char('0')));
        }
        run = p;
    }
    flush(e);
    result.truncate(out - reinterpret_cast<char16_t*>(result.data()));
    return result;
}

QString Parser::decodeText(const char* b, const char* e) const
{
    const char* p = b;
    while (p < e && !kTextClasses.cls[uchar(*p)])
        ++p;
    if (p == e)
        return decodeSpan(b, e);

    QString result(e - b, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    const char* run = b;
    auto flush = [&](const char* to) {
        const uchar* rb = reinterpret_cast<const uchar*>(run);
        const uchar* re = reinterpret_cast<const uchar*>(to);
        out = m_utf8 ? decodeUtf8(rb, re, out) : decodeCp1252(rb, re, out);
    };
    while (p < e) {
        const char c = *p;
        if (!kTextClasses.cls[uchar(c)]) {
            ++p;
            continue;
        }
        flush(p);
        if (c == '&') {
            p = parseReference(p, e, out);
        } else if (c == '\r') {
            *out++ = u'\n'; // line ends read as LF, as every XML reader does
            ++p;
            if (p < e && *p == '\n')
                ++p;
        } else {
            fail(p, QStringLiteral("invalid character 0x%1")
                        .arg(int(uchar(c)), 2, 16, QLatin1Char('0')));
        }
        run = p;
    }
    flush(e);
    result.truncate(out - reinterpret_cast<char16_t*>(result.data()));
    return result;
}

bool Parser::readAttributes(std::vector<Attribute>& attrs, Span element)
{
    attrs.clear();
    std::unordered_set<std::string_view> names;
    for (;;) {
        const char* before = m_p;
        skipSpace();
        if (m_p >= m_end)
            fail(m_end, QStringLiteral("unexpected end of input in <%1>").arg(text(element)));
        if (*m_p == '>') {
            ++m_p;
            return false;
        }
        if (*m_p == '/') {
            if (m_p + 1 >= m_end)
                fail(m_end, QStringLiteral("unexpected end of input in <%1>").arg(text(element)));
            if (m_p[1] != '>')
                fail(m_p, QStringLiteral("'>' expected after '/'"));
            m_p += 2;
            return true;
        }
        if (m_p == before)
            fail(m_p, QStringLiteral("blank expected between attributes"));
        Attribute a;
        a.name = readName("a start tag");
        const std::string_view key(a.name.begin, size_t(a.name.size()));
        bool duplicate = false;
        if (attrs.size() < kLinearAttributeCheck) {
            for (const Attribute& other : attrs)
                duplicate = duplicate ||
                            key == std::string_view(other.name.begin, size_t(other.name.size()));
        } else {
            // Many attributes: a set of the names keeps the check linear.
            if (names.empty()) {
                for (const Attribute& other : attrs)
                    names.insert(std::string_view(other.name.begin, size_t(other.name.size())));
            }
            duplicate = !names.insert(key).second;
        }
        if (duplicate)
            fail(a.name.begin, QStringLiteral("duplicate attribute \"%1\" in <%2>")
                                   .arg(text(a.name), text(element)));
        a.raw = readValueSpan(a.valueBegin);
        a.value = decodeValue(a.raw.begin, a.raw.end);
        attrs.push_back(std::move(a));
    }
}

void Parser::readEndTag(Span element)
{
    // m_p at "</"
    const char* at = m_p;
    m_p += 2;
    const Span name = readName("an end tag");
    skipSpace();
    if (m_p >= m_end)
        fail(m_end, QStringLiteral("unexpected end of input in an end tag"));
    if (*m_p != '>')
        fail(m_p, QStringLiteral("'>' expected in an end tag"));
    ++m_p;
    if (name.size() != element.size() ||
        std::memcmp(name.begin, element.begin, size_t(name.size())) != 0)
        fail(at,
             QStringLiteral("end tag </%1> does not match <%2>").arg(text(name), text(element)));
}

void Parser::keepElement(Span element, std::vector<Attribute>& attrs, bool empty, XmlFragment& kept,
                         int position)
{
    const QString name = text(element);
    keepPiece(kept, XmlPiece::Kind::StartTag, position, name);
    kept.back().attributes = keptTagAttributes(element, attrs);
    if (!empty)
        keepContent(element, kept, position);
    keepPiece(kept, XmlPiece::Kind::EndTag, position, name);
}

void Parser::keepContent(Span element, XmlFragment& kept, int position)
{
    // Iterative, so deeply nested input cannot exhaust the stack.
    std::vector<Span> open{element};
    std::vector<Attribute> attrs;
    while (!open.empty()) {
        const char* lt = static_cast<const char*>(std::memchr(m_p, '<', m_end - m_p));
        const char* textEnd = lt ? lt : m_end;
        if (textEnd > m_p)
            keepPiece(kept, XmlPiece::Kind::Text, position, QString(), decodeText(m_p, textEnd));
        m_p = textEnd;
        if (!lt)
            fail(m_end,
                 QStringLiteral("unexpected end of input, <%1> not closed").arg(text(open.back())));
        if (startsWith("</")) {
            readEndTag(open.back());
            if (open.size() > 1)
                keepPiece(kept, XmlPiece::Kind::EndTag, position, text(open.back()));
            open.pop_back();
        } else if (startsWith("<!--")) {
            const Span comment = readComment();
            keepPiece(kept, XmlPiece::Kind::Comment, position, QString(), text(comment));
        } else if (startsWith("<![CDATA[")) {
            const char* begin = m_p + 9;
            const char* p = begin;
            for (;;) {
                const char* b = static_cast<const char*>(std::memchr(p, ']', m_end - p));
                if (!b || m_end - b < 3)
                    fail(m_end, QStringLiteral("unexpected end of input in a CDATA section"));
                if (b[1] == ']' && b[2] == '>') {
                    keepPiece(kept, XmlPiece::Kind::CData, position, QString(),
                              decodeSpan(begin, b));
                    m_p = b + 3;
                    break;
                }
                p = b + 1;
            }
        } else if (startsWith("<?")) {
            Span data;
            const Span target = readInstruction(data);
            keepPiece(kept, XmlPiece::Kind::Instruction, position, text(target), text(data));
        } else {
            ++m_p;
            const Span name = readName("a start tag");
            const bool empty = readAttributes(attrs, name);
            keepPiece(kept, XmlPiece::Kind::StartTag, position, text(name));
            kept.back().attributes = keptTagAttributes(name, attrs);
            if (empty)
                keepPiece(kept, XmlPiece::Kind::EndTag, position, text(name));
            else
                open.push_back(name);
        }
    }
}

template <typename F>
void Parser::elementContent(Span element, XmlFragment& kept, const int& position, F onChild)
{
    for (;;) {
        skipSpace();
        if (m_p >= m_end)
            fail(m_end,
                 QStringLiteral("unexpected end of input, <%1> not closed").arg(text(element)));
        if (*m_p != '<')
            fail(m_p, QStringLiteral("unexpected text in <%1>").arg(text(element)));
        if (startsWith("</")) {
            readEndTag(element);
            return;
        }
        if (startsWith("<!--")) {
            const Span comment = readComment();
            keepPiece(kept, XmlPiece::Kind::Comment, position, QString(), text(comment));
        } else if (startsWith("<?")) {
            Span data;
            const Span target = readInstruction(data);
            keepPiece(kept, XmlPiece::Kind::Instruction, position, text(target), text(data));
        } else if (startsWith("<!")) {
            fail(m_p, QStringLiteral("unexpected markup in <%1>").arg(text(element)));
        } else {
            const char* tagAt = m_p;
            ++m_p;
            const Span name = readName("a start tag");
            onChild(name, tagAt);
        }
    }
}

void Parser::parseMetadata(DataPacket& packet, Span element)
{
    std::vector<Attribute> attrs;
    PacketMarkup& markup = packet.markup;
    int known = 0; // FIELDS and the first PARAMS
    bool haveParams = false;
    QHash<QString, qsizetype> paramAt;
    elementContent(element, markup.metadata, known, [&](Span name, const char* tagAt) {
        const bool empty = readAttributes(attrs, name);
        if (name.is("FIELDS")) {
            if (m_haveFields)
                fail(tagAt, QStringLiteral("second FIELDS in METADATA"));
            m_haveFields = true;
            markup.fieldsAttributes = keptAttributes(attrs);
            if (!empty)
                parseFields(packet, name);
            ++known;
        } else if (name.is("PARAMS")) {
            // Several PARAMS elements act as one: a name given again takes the later value.
            for (Attribute& a : attrs) {
                QString key = text(a.name);
                const auto it = paramAt.constFind(key);
                if (it != paramAt.constEnd()) {
                    packet.params[it.value()].second = std::move(a.value);
                } else {
                    paramAt.insert(key, packet.params.size());
                    packet.params.append({std::move(key), std::move(a.value)});
                }
            }
            if (!empty)
                keepContent(name, markup.paramsContent, 0);
            if (!haveParams)
                ++known;
            haveParams = true;
        } else {
            keepElement(name, attrs, empty, markup.metadata, known);
        }
    });
    if (!m_haveFields)
        fail(m_p, QStringLiteral("METADATA without FIELDS"));
}

void Parser::parseFields(DataPacket& packet, Span element)
{
    std::vector<Attribute> attrs;
    QHash<QString, int> folded;
    int known = 0;
    elementContent(element, packet.markup.fields, known, [&](Span name, const char* tagAt) {
        const bool empty = readAttributes(attrs, name);
        if (!name.is("FIELD")) {
            keepElement(name, attrs, empty, packet.markup.fields, known);
            return;
        }
        FieldDef f;
        bool haveName = false, haveType = false;
        const Attribute* width = nullptr;
        const Attribute* subtype = nullptr;
        QByteArray nameBytes;
        for (Attribute& a : attrs) {
            const Span& n = a.name;
            const char* setting = fieldSettingName(n);
            if (n.is("attrname")) {
                f.name = a.value;
                nameBytes = a.raw.bytes();
                haveName = true;
            } else if (n.is("fieldtype")) {
                f.typeName = a.value;
                haveType = true;
            } else if (setting && *setting == 'W') {
                checkFieldSetting(width, a);
                bool ok = false;
                f.width = a.value.toInt(&ok);
                if (!ok || f.width < 0)
                    fail(a.valueBegin,
                         QStringLiteral("%1 \"%2\" is not a number").arg(text(a.name), a.value));
            } else if (setting) {
                checkFieldSetting(subtype, a);
                f.subtype = a.value;
            } else if (n.is("required")) {
                f.required = a.value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
            } else if (n.is("readonly")) {
                f.readOnly = a.value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
            } else if (n.is("hidden")) {
                f.hidden = a.value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
            } else {
                f.attributes.append({text(n), a.value});
            }
        }
        if (!haveName || f.name.isEmpty())
            fail(tagAt, QStringLiteral("FIELD without attrname"));
        if (!haveType)
            fail(tagAt, QStringLiteral("FIELD \"%1\" without fieldtype").arg(f.name));
        f.type = FieldDef::typeFromName(f.typeName);
        const QString key = f.name.toCaseFolded();
        if (folded.contains(key))
            fail(tagAt, QStringLiteral("duplicate field name \"%1\"").arg(f.name));
        folded.insert(key, int(packet.fields.size()));
        if (!empty)
            keepContent(name, f.content, 0); // the FIELDS and PARAMS of a nested field
        packet.fields.append(std::move(f));
        m_fieldNameBytes.push_back(nameBytes);
        ++known;
    });
}

template <typename Sink> void Parser::parseRowData(DataPacket& packet, Span element, Sink& sink)
{
    const int fieldCount = int(packet.fields.size());
    // Attribute names are matched as the bytes of the attrname values in the file.
    QHash<QByteArray, int> byName;
    const std::vector<QByteArray>& names = m_fieldNameBytes;
    for (int i = 0; i < fieldCount; ++i)
        byName.insert(names[size_t(i)], i);
    // A name written with references in its FIELD tag is spelled out in the rows.
    for (int i = 0; i < fieldCount; ++i) {
        const QByteArray spelled = encodeName(packet.fields.at(i).name);
        if (!spelled.isEmpty() && !byName.contains(spelled))
            byName.insert(spelled, i);
    }
    const bool rowStateIsField = byName.contains(QByteArrayLiteral("RowState"));
    // Names that a name scan reads whole: those are compared in place with the next
    // fields' names, without a scan or a hash per attribute.
    std::vector<char> plain(size_t(fieldCount), 0);
    for (int i = 0; i < fieldCount; ++i) {
        const QByteArray& n = names[size_t(i)];
        bool ok = !n.isEmpty() && isNameStart(uchar(n.at(0)));
        for (qsizetype k = 1; ok && k < n.size(); ++k)
            ok = isNameChar(uchar(n.at(k)));
        plain[size_t(i)] = ok;
    }

    std::vector<qsizetype> seen(size_t(fieldCount), -1);
    qsizetype rowNumber = 0;
    bool pendingOriginal = false; // the last row kept carries RowState 1
    std::vector<int> present;     // fields the current row has, for RowState 8 rows

    int known = 0; // rows kept so far
    elementContent(element, packet.markup.rowData, known, [&](Span name, const char* tagAt) {
        if (!name.is("ROW"))
            fail(tagAt, QStringLiteral("unexpected element <%1> in <ROWDATA>").arg(text(name)));
        ++rowNumber;
        sink.beginRow();
        int rowState = 0;
        bool haveRowState = false;
        int expected = 0;
        present.clear();
        bool empty;
        for (;;) {
            const char* before = m_p;
            skipSpace();
            if (m_p >= m_end)
                fail(m_end, QStringLiteral("unexpected end of input in <ROW>"));
            if (*m_p == '>') {
                ++m_p;
                empty = false;
                break;
            }
            if (*m_p == '/') {
                if (m_p + 1 >= m_end)
                    fail(m_end, QStringLiteral("unexpected end of input in <ROW>"));
                if (m_p[1] != '>')
                    fail(m_p, QStringLiteral("'>' expected after '/'"));
                m_p += 2;
                empty = true;
                break;
            }
            if (m_p == before)
                fail(m_p, QStringLiteral("blank expected between attributes"));
            Span an;
            int idx = -1;
            // Rows usually list their attributes in field order, leaving out empty values:
            // try the next few fields first.
            for (int k = expected; k < fieldCount && k < expected + 3; ++k) {
                const QByteArray& n = names[size_t(k)];
                const qsizetype len = n.size();
                if (!plain[size_t(k)] || m_end - m_p <= len)
                    continue;
                // Names are short: compared here, without a call.
                const char* name = n.constData();
                qsizetype same = 0;
                while (same < len && name[same] == m_p[same])
                    ++same;
                if (same == len && !isNameChar(uchar(m_p[len]))) {
                    an = Span{m_p, m_p + len};
                    m_p += len;
                    idx = k;
                    break;
                }
            }
            if (idx < 0) {
                an = readName("<ROW>");
                idx = byName.value(QByteArray::fromRawData(an.begin, an.size()), -1);
            }
            const char* valueBegin = nullptr;
            const char* special = nullptr;
            const Span v = readValueSpan(valueBegin, special);
            if (idx < 0) {
                if (!rowStateIsField && an.is("RowState")) {
                    if (haveRowState)
                        fail(an.begin, QStringLiteral("duplicate attribute \"RowState\" in <ROW>"));
                    haveRowState = true;
                    bool ok = false;
                    rowState = decodeValue(v.begin, v.end).toInt(&ok);
                    if (!ok || rowState < 0)
                        fail(valueBegin, QStringLiteral("RowState is not a number"));
                    continue;
                }
                fail(an.begin, QStringLiteral("ROW attribute \"%1\" names no field").arg(text(an)));
            }
            if (seen[size_t(idx)] == rowNumber)
                fail(an.begin, QStringLiteral("duplicate attribute \"%1\" in <ROW>").arg(text(an)));
            seen[size_t(idx)] = rowNumber;
            expected = idx + 1;
            sink.setValue(idx, v.begin, v.end, special);
            present.push_back(idx);
        }
        if (!empty)
            keepContent(name, sink.content(), 0); // detail rows of nested fields

        if (rowState & 2) { // deleted
            pendingOriginal = false;
            return;
        }
        if (rowState & 8) { // modification of the original just read
            if (pendingOriginal) {
                // Detail rows of the modification follow those of the original, as a
                // change log of the nested table.
                sink.mergeIntoLast(present);
                pendingOriginal = false;
                return;
            }
            if (!(rowState & 4))
                fail(tagAt, QStringLiteral("modified row (RowState 8) without its original row"));
        }
        pendingOriginal = (rowState & 1) != 0;
        known = sink.pushRow();
    });
}

/// Rows as texts in the packet.
class PacketRowSink
{
public:
    PacketRowSink(const Parser& parser, DataPacket& packet, int fieldCount,
                  QString (Parser::*decode)(const char*, const char*) const)
        : m_parser(parser), m_packet(packet), m_fieldCount(fieldCount), m_decode(decode)
    {
    }
    void beginRow()
    {
        m_row = PacketRow();
        m_row.values.resize(m_fieldCount);
    }
    void setValue(int idx, const char* b, const char* e, const char* /*special*/)
    {
        m_row.values[idx] = (m_parser.*m_decode)(b, e);
    }
    XmlFragment& content() { return m_row.content; }
    void mergeIntoLast(const std::vector<int>& present)
    {
        PacketRow& target = m_packet.rows.back();
        for (int idx : present)
            target.values[idx] = m_row.values[idx];
        for (XmlPiece& piece : m_row.content)
            target.content.push_back(std::move(piece));
    }
    int pushRow()
    {
        m_packet.rows.push_back(std::move(m_row));
        return int(m_packet.rows.size());
    }

private:
    const Parser& m_parser;
    DataPacket& m_packet;
    int m_fieldCount;
    QString (Parser::*m_decode)(const char*, const char*) const;
    PacketRow m_row;
};

/// Rows as slices in a store.
class StoreRowSink
{
public:
    StoreRowSink(Parser& parser, PacketStore& store,
                 ValueSlice (Parser::*slice)(const char*, const char*, const char*, PacketStore&))
        : m_parser(parser), m_store(store), m_slice(slice), m_row(size_t(store.fieldCount()))
    {
    }
    void beginRow()
    {
        std::fill(m_row.begin(), m_row.end(), ValueSlice());
        m_content.clear();
    }
    void setValue(int idx, const char* b, const char* e, const char* special)
    {
        m_row[size_t(idx)] = (m_parser.*m_slice)(b, e, special, m_store);
    }
    XmlFragment& content() { return m_content; }
    void mergeIntoLast(const std::vector<int>& present)
    {
        const size_t last = m_store.rowCount() - 1;
        for (int idx : present)
            m_store.setSlice(last, idx, m_row[size_t(idx)]);
        if (!m_content.empty()) {
            XmlFragment& target = m_store.extra(last).content;
            for (XmlPiece& piece : m_content)
                target.push_back(std::move(piece));
        }
    }
    int pushRow()
    {
        m_store.appendRow(m_row.data(), RowChange::None, std::move(m_content));
        m_content = XmlFragment();
        return int(m_store.rowCount());
    }

private:
    Parser& m_parser;
    PacketStore& m_store;
    ValueSlice (Parser::*m_slice)(const char*, const char*, const char*, PacketStore&);
    std::vector<ValueSlice> m_row;
    XmlFragment m_content;
};

DataPacket Parser::run(PacketStore* store)
{
    // Byte order marks: UTF-8 is fine, UTF-16 is not supported.
    bool bom = false;
    if (m_end - m_p >= 3 && uchar(m_p[0]) == 0xEF && uchar(m_p[1]) == 0xBB &&
        uchar(m_p[2]) == 0xBF) {
        m_p += 3;
        bom = true;
    } else if (m_end - m_p >= 2 && ((uchar(m_p[0]) == 0xFF && uchar(m_p[1]) == 0xFE) ||
                                    (uchar(m_p[0]) == 0xFE && uchar(m_p[1]) == 0xFF))) {
        m_utf8 = false;
        fail(m_p, QStringLiteral("UTF-16 files are not supported"));
    }
    // "<?xml" followed by anything but a name character is the declaration, even when
    // the file ends there or the declaration is malformed.
    if (startsWith("<?xml") && (m_end - m_p == 5 || !isNameChar(uchar(m_p[5])))) {
        parseDeclaration();
    } else {
        chooseEncoding(bom ? QStringLiteral("UTF-8") : QString(), m_p);
    }
    if (bom && !m_utf8)
        fail(m_begin, QStringLiteral("declared encoding contradicts the UTF-8 byte order mark"));

    DataPacket packet;
    PacketMarkup& markup = packet.markup;
    keepMisc(markup.document, 0);
    if (m_p >= m_end)
        fail(m_end, QStringLiteral("unexpected end of input, no root element"));
    if (*m_p != '<')
        fail(m_p, QStringLiteral("text outside the root element"));
    ++m_p;
    const Span root = readName("the root element");
    if (!root.is("DATAPACKET"))
        fail(root.begin - 1,
             QStringLiteral("root element is <%1>, expected <DATAPACKET>").arg(text(root)));
    std::vector<Attribute> attrs;
    if (readAttributes(attrs, root))
        fail(m_p, QStringLiteral("DATAPACKET without METADATA"));
    markup.rootAttributes = keptAttributes(attrs);

    bool haveMetadata = false;
    bool haveRowData = false;
    int known = 0; // METADATA and ROWDATA
    elementContent(root, markup.root, known, [&](Span name, const char* tagAt) {
        if (name.is("METADATA")) {
            if (haveMetadata)
                fail(tagAt, QStringLiteral("second METADATA"));
            haveMetadata = true;
            if (readAttributes(attrs, name))
                fail(tagAt, QStringLiteral("METADATA without FIELDS"));
            markup.metadataAttributes = keptAttributes(attrs);
            parseMetadata(packet, name);
            ++known;
        } else if (name.is("ROWDATA")) {
            if (!haveMetadata)
                fail(tagAt, QStringLiteral("ROWDATA before METADATA"));
            if (haveRowData)
                fail(tagAt, QStringLiteral("second ROWDATA"));
            haveRowData = true;
            const bool empty = readAttributes(attrs, name);
            markup.rowDataAttributes = keptAttributes(attrs);
            if (store)
                store->reset(int(packet.fields.size()), m_data);
            if (!empty && store) {
                StoreRowSink sink(*this, *store, &Parser::sliceValue);
                parseRowData(packet, name, sink);
            } else if (!empty) {
                PacketRowSink sink(*this, packet, int(packet.fields.size()), &Parser::decodeValue);
                parseRowData(packet, name, sink);
            }
            ++known;
        } else {
            const bool empty = readAttributes(attrs, name);
            keepElement(name, attrs, empty, markup.root, known);
        }
    });
    if (!haveMetadata)
        fail(m_p, QStringLiteral("DATAPACKET without METADATA"));

    keepMisc(markup.document, 1);
    if (m_p < m_end) {
        fail(m_p, *m_p == '<' ? QStringLiteral("second root element")
                              : QStringLiteral("text after the root element"));
    }
    return packet;
}

} // namespace

DataPacket DataPacketReader::read(const QByteArray& data, const QString& name)
{
    try {
        Parser parser(data, name);
        return parser.run();
    } catch (const std::bad_alloc&) {
        throw VeltraError(QStringLiteral("\"%1\": not enough memory to read the file").arg(name));
    }
}

DataPacket DataPacketReader::readInto(QByteArray data, const QString& name, PacketStore& store)
{
    try {
        store.reset(0);
        Parser parser(std::move(data), name, true);
        DataPacket packet = parser.run(&store);
        if (store.fieldCount() != int(packet.fields.size()))
            store.reset(int(packet.fields.size())); // a packet without ROWDATA
        return packet;
    } catch (const std::bad_alloc&) {
        throw VeltraError(QStringLiteral("\"%1\": not enough memory to read the file").arg(name));
    }
}

} // namespace veltra
