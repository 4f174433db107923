// Fuzz target for filter expressions: the input, read as UTF-8, is set as the filter
// of a small fixed table, with and without the filter options.
#include "data/DataTable.h"
#include "util/VeltraError.h"

#include <cstddef>
#include <cstdint>

namespace {

const QByteArray kTable =
    "<?xml version=\"1.0\" standalone=\"yes\"?>"
    "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"PS\" fieldtype=\"string\" WIDTH=\"10\"/>"
    "<FIELD attrname=\"Sex\" fieldtype=\"string\" WIDTH=\"1\"/>"
    "<FIELD attrname=\"ID\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"R\" fieldtype=\"r8\"/>"
    "<FIELD attrname=\"Info\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
    "</FIELDS></METADATA><ROWDATA>"
    "<ROW PS=\"B1\" Sex=\"M\" ID=\"1\" R=\"1.5\" Info=\"Body weight&#013;&#010;of children\"/>"
    "<ROW PS=\"B2\" Sex=\"F\" ID=\"2\" Info=\"100% water, it&apos;s \xc3\xa9\"/>"
    "<ROW PS=\"b1\" Sex=\"A\" R=\"x\"/>"
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
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The order changes with the input too, so that sorting runs on every filter result.
    const QString orders[] = {QString(), QStringLiteral("R"), QStringLiteral("ID;PS"),
                              QStringLiteral("Info;Sex")};
    table.setIndexFieldNames(orders[size % 4]);
    for (int options = 0; options < 4; ++options) {
        table.setFiltered(false);
        table.setFilter(QString());
        table.setFilterOptions({(options & 1) != 0, (options & 2) != 0});
        try {
            table.setFilter(text);
            table.setFiltered(true);
        } catch (const veltra::VeltraError&) {
            // A rejected expression leaves the previous (empty) filter in force.
            if (table.filter() != QString() || table.recordCount() != 4)
                __builtin_trap();
            continue;
        }
        if (table.recordCount() > 4 || table.filter() != text)
            __builtin_trap();
        for (table.first(); !table.eof(); table.next())
            (void)table.fieldText(QStringLiteral("PS"));
    }
    return 0;
}
