// Converts arbitrary text as GF lines. The conversion may stop with an error, never
// throw, and its lines always start with the header line; a stopped result names
// a line of the input and a message.
#include "convert/ConvertParameterSets.h"
#include "util/NumberFormat.h"

#include <QString>
#include <QStringList>
#include <cstdint>

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    SetDecimalSeparator((data[0] & 1) != 0 ? QChar(u',') : QChar(u'.'));
    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1))
            .split(u'\n');
    const GeneratorResult result = ConvertParameterSets(lines);
    if (result.lines.isEmpty() ||
        result.lines.front() != QStringLiteral("  Rank   Distribution   KS/AP    Parameter"))
        __builtin_trap();
    if (!result.complete() && (result.stopRow >= lines.size() || result.error.isEmpty()))
        __builtin_trap();
    return 0;
}
