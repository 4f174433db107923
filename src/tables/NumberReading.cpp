#include "tables/NumberReading.h"

#include <charconv>
#include <string>
#include <system_error>

namespace veltra {

namespace {

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<double> ReadNumber(const QString& text, QChar decimalSeparator)
{
    // The text is checked against the grammar here and handed to from_chars in its
    // "C" form ("." as decimal point, no "+"), which rounds correctly.
    std::string normal;
    normal.reserve(static_cast<std::size_t>(text.size()));
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        if (text.at(i) == u'-')
            normal += '-';
        ++i;
    }
    int mantissaDigits = 0;
    while (i < n && IsDigit(text.at(i))) {
        normal += static_cast<char>(text.at(i++).unicode());
        ++mantissaDigits;
    }
    if (i < n && text.at(i) == decimalSeparator) {
        normal += '.';
        ++i;
        while (i < n && IsDigit(text.at(i))) {
            normal += static_cast<char>(text.at(i++).unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (text.at(i) == u'E' || text.at(i) == u'e')) {
        normal += 'e';
        ++i;
        if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
            if (text.at(i) == u'-')
                normal += '-';
            ++i;
        }
        int exponentDigits = 0;
        while (i < n && IsDigit(text.at(i))) {
            normal += static_cast<char>(text.at(i++).unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i < n)
        return std::nullopt;

    double value = 0.0;
    const char* end = normal.data() + normal.size();
    const auto [ptr, ec] = std::from_chars(normal.data(), end, value);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

} // namespace veltra
