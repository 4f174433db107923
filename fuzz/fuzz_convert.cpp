// Converts arbitrary text as GF lines. The conversion may fail with a
// FloatingPointError or another VeltraError, never with anything else, and
// the caller's list always starts with the header line.
#include "convert/ConvertParameterSets.h"
#include "util/NumberFormat.h"
#include "util/VeltraError.h"

#include <QString>
#include <QStringList>
#include <cstdint>

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    SetDecimalSeparator((data[0] & 1) != 0 ? QChar(u',') : QChar(u'.'));
    QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1))
            .split(u'\n');
    try {
        ConvertParameterSets(lines);
    } catch (const VeltraError&) {
    }
    if (lines.isEmpty() ||
        lines.front() != QStringLiteral("  Rank   Distribution   KS/AP    Parameter"))
        __builtin_trap();
    return 0;
}
