// Fuzz target for the format language of the formatted table generator: the input,
// read as UTF-8 lines (the first byte picks the decimal separator), is parsed as format
// lines and run over a small fixed data file. Parsing may fail only with VeltraError; a
// run may stop, never throw, and then names its row and reason; a complete run has the
// header line and one line per visible row.
#include "data/DataTable.h"
#include "tables/FormatLanguage.h"
#include "util/NumberFormat.h"
#include "util/VeltraError.h"

#include <cstddef>
#include <cstdint>

namespace {

const QByteArray kTable =
    "<?xml version=\"1.0\" standalone=\"yes\"?>"
    "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"AGEGRP\" fieldtype=\"string\" WIDTH=\"10\"/>"
    "<FIELD attrname=\"NOBS\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"MEAN\" fieldtype=\"r8\"/>"
    "<FIELD attrname=\"P95\" fieldtype=\"string\" WIDTH=\"12\"/>"
    "<FIELD attrname=\"GENERALF\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
    "</FIELDS></METADATA><ROWDATA>"
    "<ROW AGEGRP=\"0-1\" NOBS=\"12\" MEAN=\"1.5\" P95=\"3,25\" GENERALF=\"a&#013;&#010;b\"/>"
    "<ROW AGEGRP=\"\xc3\xa4lter\" NOBS=\"-2147483648\" MEAN=\"1e308\" P95=\"x\"/>"
    "<ROW/>"
    "</ROWDATA></DATAPACKET>";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static veltra::DataTable table;
    static bool loaded = false;
    if (!loaded) {
        table.loadFromData(kTable, QStringLiteral("fixed"));
        loaded = true;
    }
    if (size < 1)
        return 0;
    veltra::SetDecimalSeparator((data[0] & 1) != 0 ? QChar(u',') : QChar(u'.'));
    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1))
            .split(u'\n');
    try {
        (void)veltra::ParseFormatLines(lines);
    } catch (const veltra::VeltraError&) {
    }
    const veltra::GeneratorResult result = veltra::RunFormattedTable(lines, table);
    if (!result.complete() && result.error.isEmpty())
        __builtin_trap();
    if (result.complete() && result.lines.size() != table.recordCount() + 1)
        __builtin_trap();
    return 0;
}
