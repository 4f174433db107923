// Reads words of arbitrary text as numbers and formats the results. Checks
// that ExtractWordValue never yields NaN, agrees with the C library for words
// the C library reads completely, and that the 18-digit scientific text of
// every finite value reads back to the same double.
#include "util/NumberFormat.h"
#include "util/uString.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace veltra;

namespace {

bool OnlyNumberCharacters(const QString& word)
{
    for (QChar c : word) {
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'+' || c == u'-' || c == u'e' ||
              c == u'E'))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const int n = data[0] % 6;
    const CharSet& delims = (data[1] & 1) != 0 ? ListDelimiters : StandardWordDelimiters;
    const int width = data[1] % 24 - 2;
    const int decimals = data[2] % 24 - 2;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 3),
                                           static_cast<qsizetype>(size - 3));

    const double value = ExtractWordValue(text, n, delims);
    if (std::isnan(value))
        __builtin_trap();

    const QString word = ExtractWord(text, n, delims);
    if (!word.isEmpty() && OnlyNumberCharacters(word)) {
        const std::string bytes = word.toStdString();
        char* end = nullptr;
        const double expected = std::strtod(bytes.c_str(), &end);
        if (end == bytes.c_str() + bytes.size() && expected != value)
            __builtin_trap();
    }

    SetDecimalSeparator(QChar(u'.'));
    FormatFixedWidth(value, width, decimals);
    if (std::isfinite(value)) {
        const std::string sci = FormatExponentSigned(value, 18, 4).trimmed().toStdString();
        if (std::strtod(sci.c_str(), nullptr) != value)
            __builtin_trap();
    }
    return 0;
}
