// Text routines shared by every part of the program: searching, cutting,
// filling with blanks, trimming, word splitting, number text checks and
// fixed-width number formatting. The column layouts of all text tables rest on
// the exact filling and number formats given here.
//
// Conventions: positions and word numbers count from 1; "blank" means the
// character with code 32 only; the empty text is a valid argument everywhere.
// The routines keep no state and never show messages. Counts and scan positions
// are qsizetype, so texts of any length QString holds are handled (there is no
// 65535-character limit).
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <initializer_list>

namespace veltra {

/// A set of 8-bit characters with a constant-time membership test. Characters
/// with codes of 256 and above are never members.
class CharSet
{
public:
    constexpr CharSet() = default;
    constexpr CharSet(std::initializer_list<char16_t> members)
    {
        for (char16_t c : members) {
            if (c < 256)
                m_bits[c >> 6] |= std::uint64_t{1} << (c & 63);
        }
    }

    constexpr bool contains(QChar c) const noexcept
    {
        const char16_t u = c.unicode();
        return u < 256 && ((m_bits[u >> 6] >> (u & 63)) & 1) != 0;
    }

private:
    std::array<std::uint64_t, 4> m_bits{};
};

/// TAB, LF, CR, blank, comma and vertical bar: the word delimiters of GF lines,
/// format files, the search index and the quality restrictions.
inline constexpr CharSet StandardWordDelimiters{u'\t', u'\n', u'\r', u' ', u',', u'|'};
/// Comma and semicolon: the delimiters of keyword lists.
inline constexpr CharSet ListDelimiters{u',', u';'};

/// All characters of s after the first occurrence of ch (later occurrences
/// included); empty when ch does not occur.
QString TextAfterChar(const QString& s, QChar ch);
/// The characters of s before the first occurrence of ch; empty when ch does
/// not occur.
QString TextBeforeChar(const QString& s, QChar ch);

/// True when TrimBlanks(s) is not empty and holds only 0-9, A-Z, a-z and "_".
bool IsIdentifierText(const QString& s);
/// Quick check whether s is a number written with a decimal point: only
/// "+-.0123456789E", at most one ".", and a "-" only as the first character.
/// The empty text gives true.
bool IsNumberTextPoint(const QString& s);
/// As IsNumberTextPoint, with "," as the decimal character instead of ".".
bool IsNumberTextComma(const QString& s);

/// The fixed-point text of x with at most P = width (2..18) significant digits
/// and exactly D = decimals (0..18) decimals, rounded half away from zero,
/// filled with blanks on the left to width characters and never cut. Values
/// with more than P integer digits use a scientific form whose exponent is
/// zero-filled to D digits when D <= 4. NaN and infinities give "NAN", "INF"
/// and "-INF". Uses DecimalSeparator(); never a thousands separator.
QString FormatFixedWidth(double x, int width, int decimals);
/// The decimal text of n ("-" for negatives), filled with blanks on the left to
/// width characters; never cut.
QString FormatIntWidth(qint32 n, int width);
/// The scientific text of x with exactly P = precision (2..18) significant
/// digits and a signed exponent zero-filled to expDigits digits when expDigits
/// <= 4, preceded by one blank for negative values and two blanks otherwise so
/// that the digits line up. Uses DecimalSeparator().
QString FormatExponentSigned(double x, int precision, int expDigits);

/// The number of positions at which sub occurs in s, overlapping occurrences
/// included; 0 when sub is longer than s; length(s) + 1 when sub is empty.
qsizetype CountOccurrences(const QString& s, const QString& sub);
/// The number of words of s: words are counted from the first until the first
/// word that is empty or a single blank.
qsizetype WordCount(const QString& s, const CharSet& delims);
/// The words WordCount counts, in order: ExtractWord(s, i, delims) for i from 1 to
/// WordCount(s, delims), in one pass.
QStringList Words(const QString& s, const CharSet& delims);
/// A text of n blanks; empty when n <= 0.
QString Blanks(qsizetype n);
/// The n-th word (1-based) of s, a word being a maximal run of characters not
/// in delims. Empty when s has fewer than n words; with n = 0 the run of
/// delimiters before the first word.
QString ExtractWord(const QString& s, qsizetype n, const CharSet& delims);
/// ExtractWord(s, n, delims) read as a decimal number with "." as decimal
/// point whatever the user's settings: optional leading blanks, optional sign,
/// digits, optional "." and digits, optional "E"/"e" with optional sign and at
/// least one digit. An empty word gives 0. A word that does not follow this
/// form to its end gives the mantissa digits read before the first offending
/// character as a whole number without sign and point (12a -> 12, -3x -> 3,
/// 1.5x -> 15, abc -> 0). Values beyond the range of doubles give plus or minus
/// infinity, values too small for a double give (signed) zero; never an error.
double ExtractWordValue(const QString& s, qsizetype n, const CharSet& delims);

/// s with its first occurrence of oldText replaced by newText; unchanged when
/// oldText is empty or does not occur.
QString ReplaceFirst(const QString& s, const QString& oldText, const QString& newText);
/// Replaces the first occurrence of oldText and searches again from the start,
/// until oldText no longer occurs. Unchanged when oldText is empty or equals
/// newText. When newText itself contains oldText that repetition would never
/// end; then every occurrence in s is replaced once, left to right.
QString ReplaceAll(const QString& s, const QString& oldText, const QString& newText);
/// Replaces every line by its upper-case form; only "a"-"z" change.
void UpperCaseLines(QStringList& lines);
/// When path contains ".", path up to and including its first "." followed by
/// ext; otherwise path followed directly by ext. ext is cut to 3 characters.
QString ReplaceExtension(const QString& path, const QString& ext);
/// ReplaceExtension applied to the file name part of path only, so that a folder name
/// with a "." ("/home/ana/.local/db/ef0001.xml") stays whole.
QString ReplaceFileExtension(const QString& path, const QString& ext);
/// Blanks(width - length(s)) followed by s; s unchanged when at least width long.
QString PadLeftTo(const QString& s, qsizetype width);
/// s without its leading characters with codes 0 to 32.
QString TrimLeftText(const QString& s);
/// s without its trailing blanks (code 32 only; TAB, CR and LF stay).
QString TrimRightBlanks(const QString& s);
/// TrimRightBlanks(TrimLeftText(s)).
QString TrimBlanks(const QString& s);
/// A text of one character unchanged; otherwise TrimBlanks(s) with every run
/// of blanks shrunk to one blank (other characters, TAB included, stay).
QString CollapseBlanks(const QString& s);
/// Turns a blank-separated table line into a TAB-separated one: commas become
/// blanks, runs of blanks shrink to one, leading control characters go, and
/// every remaining blank becomes a TAB.
QString BlanksToTabs(const QString& s);
/// Replaces every line by BlanksToTabs of it.
void BlanksToTabsLines(QStringList& lines);

/// Reads the last modification time and attributes of fileName (used as it
/// is; relative names refer to the current directory). dateText is
/// DateTimeText of the modification time; readOnly is true when the user may
/// not write the file; hidden is true when the file name starts with "."; the
/// platform has no archive or system attributes, so both are false.
/// Throws VeltraError naming the file when it does not exist.
void GetFileInfo(const QString& fileName, QString& dateText, bool& readOnly, bool& archive,
                 bool& system, bool& hidden);

} // namespace veltra
