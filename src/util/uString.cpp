#include "util/uString.h"

#include "util/LocaleText.h"
#include "util/NumberFormat.h"
#include "util/VeltraError.h"

#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace veltra {

namespace {

constexpr char16_t kBlank = u' ';

// The decimal digits of a non-negative finite value: value = 0.d1d2d3... x
// 10^exponent, so exponent is the number of integer digits when it is
// positive. An empty digit string means zero.
struct DecimalDigits
{
    std::string digits;
    int exponent = 0;
};

// The digits of |x| rounded to 18 significant digits, taken from the exact
// binary value (std::to_chars rounds correctly). False when the conversion
// fails.
bool ToDecimalDigits(double x, DecimalDigits& out)
{
    out = {};
    x = std::fabs(x);
    if (x == 0.0)
        return true;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 17);
    if (res.ec != std::errc())
        return false;
    const std::string text(buf, res.ptr);
    // Form: d.ddddddddddddddddde[+-]xx
    const auto ePos = text.find('e');
    if (ePos == std::string::npos || ePos < 3)
        return false;
    out.digits = text.substr(0, 1) + text.substr(2, ePos - 2);
    int sciExp = 0;
    const char* expBegin = text.data() + ePos + 1;
    if (*expBegin == '+')
        ++expBegin;
    const auto expRes = std::from_chars(expBegin, text.data() + text.size(), sciExp);
    if (expRes.ec != std::errc())
        return false;
    out.exponent = sciExp + 1;
    return true;
}

void DropTrailingZeros(DecimalDigits& d)
{
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.exponent = 0;
}

// Rounds half away from zero so that at most keep significant digits remain
// (keep may be zero or negative: the value then rounds to the unit 10^exponent
// or to zero), then drops trailing zeros. Digits are decimal text, so a
// halfway case is decided on the exact digit, never in binary.
void RoundToDigits(DecimalDigits& d, long long keep)
{
    if (keep < 0) {
        d = {};
        return;
    }
    if (keep < static_cast<long long>(d.digits.size())) {
        const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
        d.digits.resize(static_cast<std::size_t>(keep));
        if (up) {
            auto i = d.digits.size();
            while (i > 0 && d.digits[i - 1] == '9') {
                d.digits[i - 1] = '0';
                --i;
            }
            if (i == 0) {
                d.digits.insert(d.digits.begin(), '1');
                ++d.exponent;
            } else {
                ++d.digits[i - 1];
            }
        }
    }
    DropTrailingZeros(d);
}

// The exponent digits of the scientific forms: zero-filled to minDigits when
// minDigits is at most 4, as few as needed otherwise.
QString ExponentDigits(int exponent, int minDigits)
{
    QString text = QString::number(exponent < 0 ? -static_cast<long long>(exponent) : exponent);
    if (minDigits <= 4 && text.size() < minDigits)
        text.prepend(QString(minDigits - text.size(), QChar(u'0')));
    return text;
}

QString SpecialValueText(double x)
{
    if (std::isnan(x))
        return QStringLiteral("NAN");
    return x > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
}

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool IsNumberText(const QString& s, QChar decimalChar)
{
    for (QChar c : s) {
        if (!(IsAsciiDigit(c) || c == u'+' || c == u'-' || c == u'E' || c == decimalChar))
            return false;
    }
    if (CountOccurrences(s, QString(decimalChar)) > 1)
        return false;
    const qsizetype minus = s.indexOf(u'-');
    return minus <= 0;
}

// Reads a digit string holding a whole number (the fallback of
// ExtractWordValue); overflows to infinity.
double WholeNumberValue(const std::string& digits)
{
    if (digits.empty())
        return 0.0;
    double value = 0.0;
    const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (res.ec == std::errc::result_out_of_range)
        return std::numeric_limits<double>::infinity();
    return value;
}

} // namespace

QString TextAfterChar(const QString& s, QChar ch)
{
    const qsizetype pos = s.indexOf(ch);
    return pos < 0 ? QString() : s.mid(pos + 1);
}

QString TextBeforeChar(const QString& s, QChar ch)
{
    const qsizetype pos = s.indexOf(ch);
    return pos < 0 ? QString() : s.left(pos);
}

bool IsIdentifierText(const QString& s)
{
    const QString t = TrimBlanks(s);
    if (t.isEmpty())
        return false;
    return std::all_of(t.begin(), t.end(), [](QChar c) {
        return IsAsciiDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    });
}

bool IsNumberTextPoint(const QString& s)
{
    return IsNumberText(s, QChar(u'.'));
}

bool IsNumberTextComma(const QString& s)
{
    return IsNumberText(s, QChar(u','));
}

QString FormatFixedWidth(double x, int width, int decimals)
{
    const int p = std::clamp(width, 2, 18);
    const int d = std::clamp(decimals, 0, 18);
    if (!std::isfinite(x))
        return PadLeftTo(SpecialValueText(x), width);

    DecimalDigits dec;
    if (!ToDecimalDigits(x, dec))
        return PadLeftTo(QStringLiteral("NAN"), width);
    RoundToDigits(dec, std::min<long long>(p, static_cast<long long>(dec.exponent) + d));

    const QChar sep = DecimalSeparator();
    QString text;
    if (dec.digits.empty()) {
        // A value that rounds to zero carries no sign.
        text = QStringLiteral("0");
        if (d > 0)
            text += sep + QString(d, QChar(u'0'));
    } else if (dec.exponent > p) {
        if (x < 0)
            text += u'-';
        text += QLatin1Char(dec.digits[0]);
        if (dec.digits.size() > 1) {
            text += sep;
            text += QString::fromLatin1(dec.digits.data() + 1,
                                        static_cast<qsizetype>(dec.digits.size() - 1));
        }
        const int exponent = dec.exponent - 1;
        text += u'E';
        if (exponent < 0)
            text += u'-';
        text += ExponentDigits(exponent, d);
    } else {
        if (x < 0)
            text += u'-';
        // Digit at place i (0 = first integer digit): digits[i] when present.
        auto digitAt = [&dec](long long index) {
            return index >= 0 && index < static_cast<long long>(dec.digits.size())
                       ? QLatin1Char(dec.digits[static_cast<std::size_t>(index)])
                       : QChar(u'0');
        };
        if (dec.exponent <= 0) {
            text += u'0';
        } else {
            for (int i = 0; i < dec.exponent; ++i)
                text += digitAt(i);
        }
        if (d > 0) {
            text += sep;
            for (int i = 0; i < d; ++i)
                text += digitAt(static_cast<long long>(dec.exponent) + i);
        }
    }
    return PadLeftTo(text, width);
}

QString FormatIntWidth(qint32 n, int width)
{
    return PadLeftTo(QString::number(n), width);
}

QString FormatExponentSigned(double x, int precision, int expDigits)
{
    const int p = std::clamp(precision, 2, 18);
    QString text;
    if (!std::isfinite(x)) {
        text = SpecialValueText(x);
    } else {
        DecimalDigits dec;
        if (!ToDecimalDigits(x, dec)) {
            text = QStringLiteral("NAN");
        } else {
            RoundToDigits(dec, p);
            if (x < 0 && !dec.digits.empty())
                text += u'-';
            dec.digits.resize(static_cast<std::size_t>(p), '0');
            const int exponent = dec.digits[0] == '0' ? 0 : dec.exponent - 1;
            text += QLatin1Char(dec.digits[0]);
            text += DecimalSeparator();
            text += QString::fromLatin1(dec.digits.data() + 1, p - 1);
            text += u'E';
            text += exponent < 0 ? u'-' : u'+';
            text += ExponentDigits(exponent, expDigits);
        }
    }
    return (text.startsWith(u'-') ? QStringLiteral(" ") : QStringLiteral("  ")) + text;
}

qsizetype CountOccurrences(const QString& s, const QString& sub)
{
    if (sub.isEmpty())
        return s.size() + 1;
    qsizetype count = 0;
    for (qsizetype pos = s.indexOf(sub); pos >= 0; pos = s.indexOf(sub, pos + 1))
        ++count;
    return count;
}

namespace {

// Calls onWord(start, length) for each word of s, from the first until the first word
// that is empty or a single blank: what ExtractWord gives for word 1, 2, ... in one pass.
template <typename OnWord> void ScanWords(const QString& s, const CharSet& delims, OnWord onWord)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        while (i < n && delims.contains(s.at(i)))
            ++i;
        if (i == n)
            break;
        const qsizetype start = i;
        while (i < n && !delims.contains(s.at(i)))
            ++i;
        if (i - start == 1 && s.at(start) == kBlank)
            break;
        onWord(start, i - start);
    }
}

} // namespace

qsizetype WordCount(const QString& s, const CharSet& delims)
{
    qsizetype count = 0;
    ScanWords(s, delims, [&count](qsizetype, qsizetype) { ++count; });
    return count;
}

QStringList Words(const QString& s, const CharSet& delims)
{
    QStringList words;
    ScanWords(s, delims,
              [&s, &words](qsizetype start, qsizetype length) { words << s.mid(start, length); });
    return words;
}

QString Blanks(qsizetype n)
{
    return n <= 0 ? QString() : QString(n, QChar(kBlank));
}

QString ExtractWord(const QString& s, qsizetype n, const CharSet& delims)
{
    if (s.isEmpty() || n < 0)
        return {};
    qsizetype count = 0;
    qsizetype start = -1;
    const qsizetype len = s.size();
    for (qsizetype i = 0; i < len; ++i) {
        const bool isDelim = delims.contains(s.at(i));
        if (!isDelim && (i == 0 || delims.contains(s.at(i - 1))))
            ++count;
        if (count == n && start < 0)
            start = i;
        if (count == n && isDelim && n > 0)
            return s.mid(start, i - start);
        if (count > n)
            return start < 0 ? QString() : s.mid(start, i - start);
    }
    return start < 0 ? QString() : s.mid(start);
}

double ExtractWordValue(const QString& s, qsizetype n, const CharSet& delims)
{
    const QString word = ExtractWord(s, n, delims);
    const qsizetype len = word.size();
    qsizetype i = 0;
    while (i < len && word.at(i) == kBlank)
        ++i;
    bool negative = false;
    if (i < len && (word.at(i) == u'+' || word.at(i) == u'-')) {
        negative = word.at(i) == u'-';
        ++i;
    }
    std::string intDigits;
    std::string fracDigits;
    while (i < len && IsAsciiDigit(word.at(i)))
        intDigits += static_cast<char>(word.at(i++).unicode());
    if (i < len && word.at(i) == u'.') {
        ++i;
        while (i < len && IsAsciiDigit(word.at(i)))
            fracDigits += static_cast<char>(word.at(i++).unicode());
    }
    bool valid = true;
    bool expNegative = false;
    std::string expDigits;
    if (i < len && (word.at(i) == u'E' || word.at(i) == u'e')) {
        ++i;
        if (i < len && (word.at(i) == u'+' || word.at(i) == u'-')) {
            expNegative = word.at(i) == u'-';
            ++i;
        }
        while (i < len && IsAsciiDigit(word.at(i)))
            expDigits += static_cast<char>(word.at(i++).unicode());
        valid = !expDigits.empty();
    }
    if (i < len)
        valid = false;
    if (!valid)
        return WholeNumberValue(intDigits + fracDigits);

    // Normalise to significant digits and the decimal exponent of the first
    // one, so that out-of-range exponents are decided here, not by the parser.
    std::string mantissa = intDigits + fracDigits;
    const auto firstNonZero = mantissa.find_first_not_of('0');
    const double zero = negative ? -0.0 : 0.0;
    if (firstNonZero == std::string::npos)
        return zero;
    // Decimal exponent (scientific) of the first significant digit, before
    // the written exponent is added.
    long long exponent =
        static_cast<long long>(intDigits.size()) - 1 - static_cast<long long>(firstNonZero);
    mantissa.erase(0, firstNonZero);
    long long written = 0;
    for (char c : expDigits) {
        written = written * 10 + (c - '0');
        if (written > 100000) // far beyond the range of doubles either way
            break;
    }
    exponent += expNegative ? -written : written;
    const double infinity = std::numeric_limits<double>::infinity();
    if (exponent > 400)
        return negative ? -infinity : infinity;
    if (exponent < -400)
        return zero;

    const std::string text =
        mantissa.substr(0, 1) + "." + mantissa.substr(1) + "e" + std::to_string(exponent);
    double value = 0.0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec == std::errc::result_out_of_range)
        value = exponent > 0 ? infinity : 0.0;
    return negative ? -value : value;
}

QString ReplaceFirst(const QString& s, const QString& oldText, const QString& newText)
{
    if (oldText.isEmpty())
        return s;
    const qsizetype pos = s.indexOf(oldText);
    if (pos < 0)
        return s;
    QString result = s;
    result.replace(pos, oldText.size(), newText);
    return result;
}

QString ReplaceAll(const QString& s, const QString& oldText, const QString& newText)
{
    if (oldText.isEmpty() || oldText == newText)
        return s;
    QString result = s;
    if (newText.contains(oldText))
        return result.replace(oldText, newText);
    // Searching again from the very start after each replacement is the
    // rule; the text before the last replacement minus the length of oldText
    // is unchanged and held no occurrence, so the search may resume there.
    qsizetype pos = result.indexOf(oldText);
    while (pos >= 0) {
        result.replace(pos, oldText.size(), newText);
        pos = result.indexOf(oldText, std::max<qsizetype>(0, pos - oldText.size() + 1));
    }
    return result;
}

void UpperCaseLines(QStringList& lines)
{
    for (QString& line : lines) {
        for (QChar& c : line) {
            if (c >= u'a' && c <= u'z')
                c = QChar(c.unicode() - (u'a' - u'A'));
        }
    }
}

QString ReplaceExtension(const QString& path, const QString& ext)
{
    const QString cut = ext.left(3);
    const qsizetype dot = path.indexOf(u'.');
    return dot < 0 ? path + cut : path.left(dot + 1) + cut;
}

QString ReplaceFileExtension(const QString& path, const QString& ext)
{
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    return path.left(nameStart) + ReplaceExtension(path.mid(nameStart), ext);
}

QString PadLeftTo(const QString& s, qsizetype width)
{
    return s.size() >= width ? s : Blanks(width - s.size()) + s;
}

QString TrimLeftText(const QString& s)
{
    qsizetype i = 0;
    while (i < s.size() && s.at(i).unicode() <= 32)
        ++i;
    return s.mid(i);
}

QString TrimRightBlanks(const QString& s)
{
    qsizetype end = s.size();
    while (end > 0 && s.at(end - 1) == kBlank)
        --end;
    return s.left(end);
}

QString TrimBlanks(const QString& s)
{
    return TrimRightBlanks(TrimLeftText(s));
}

QString CollapseBlanks(const QString& s)
{
    if (s.size() == 1)
        return s;
    const QString t = TrimBlanks(s);
    QString result;
    result.reserve(t.size());
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (i > 0 && t.at(i) == kBlank && t.at(i - 1) == kBlank)
            continue;
        result += t.at(i);
    }
    return result;
}

QString BlanksToTabs(const QString& s)
{
    QString result =
        TrimLeftText(CollapseBlanks(ReplaceAll(s, QStringLiteral(","), QStringLiteral(" "))));
    result.replace(QChar(kBlank), QChar(u'\t'));
    return result;
}

void BlanksToTabsLines(QStringList& lines)
{
    for (QString& line : lines)
        line = BlanksToTabs(line);
}

void GetFileInfo(const QString& fileName, QString& dateText, bool& readOnly, bool& archive,
                 bool& system, bool& hidden)
{
    const QFileInfo info(fileName);
    if (!info.exists()) {
        throw VeltraError(
            QStringLiteral("Cannot read the modification date of \"%1\": the file does not exist")
                .arg(fileName));
    }
    dateText = DateTimeText(info.lastModified());
    readOnly = !info.isWritable();
    hidden = info.fileName().startsWith(u'.');
    archive = false;
    system = false;
}

} // namespace veltra
