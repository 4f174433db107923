// Fuzz target for search terms turned into a filter: the input, read as UTF-8 and split
// at NUL bytes, gives up to four terms (the first byte picks the operators and the German
// cut). The expression of the search window must always parse and apply to a small
// parameter table, and a single term must find exactly the rows whose Info text holds
// it as typed (ignoring case, in normal form C): no term text is a wildcard or changes
// the expression's logic.
#include "data/DataTable.h"
#include "search/SearchFilter.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <cstddef>
#include <cstdint>

namespace {

const QByteArray kTable =
    "<?xml version=\"1.0\" standalone=\"yes\"?>"
    "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"ID\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"Info\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
    "</FIELDS></METADATA><ROWDATA>"
    "<ROW ID=\"1\" Info=\"Body weight of children&#013;&#010;\"/>"
    "<ROW ID=\"2\" Info=\"100% water, it&apos;s 50_50 a\\b \xc3\xa9t\xc3\xa9\"/>"
    "<ROW ID=\"3\" Info=\"K\x6f\xcc\x88rper \xf0\x9f\x99\x82 %_\\ ''\"/>"
    "<ROW ID=\"4\"/>"
    "</ROWDATA></DATAPACKET>";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static veltra::DataTable table;
    static bool loaded = false;
    if (!loaded) {
        table.loadFromData(kTable, QStringLiteral("fixed"));
        veltra::FilterOptions options;
        options.ignoreCase = true;
        options.partialCompare = true;
        table.setFilterOptions(options);
        loaded = true;
    }
    if (size < 1)
        return 0;
    const QStringList parts =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1))
            .split(QChar(u'\0'));
    veltra::SearchTerms terms;
    terms.term1 = parts.value(0);
    terms.term2 = parts.value(1);
    terms.term3 = parts.value(2);
    terms.exclude = parts.value(3);
    terms.op1 = (data[0] & 1) != 0 ? QStringLiteral("OR") : QStringLiteral("AND");
    terms.op2 = (data[0] & 2) != 0 ? QStringLiteral("OR") : QStringLiteral("AND");
    terms.german = (data[0] & 4) != 0;
    // Every term the user may type gives an expression the table accepts.
    table.setFiltered(false);
    table.setFilter(SearchFilterExpression(terms));
    table.setFiltered(true);
    if (parts.size() != 1 || terms.german)
        return 0;
    // One term: the rows found are those whose Info text holds it.
    const QString term = terms.term1.normalized(QString::NormalizationForm_C);
    const int info = table.fieldIndex(QStringLiteral("Info"));
    int expected = 0;
    table.setFiltered(false);
    for (int row = 0; row < table.recordCount(); ++row) {
        const QString text = table.value(row, info).normalized(QString::NormalizationForm_C);
        if (veltra::TrimBlanks(term).isEmpty() || text.contains(term, Qt::CaseInsensitive))
            ++expected;
    }
    table.setFiltered(true);
    if (table.recordCount() != expected)
        __builtin_trap();
    return 0;
}
