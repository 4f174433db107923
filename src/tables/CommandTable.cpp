#include "tables/CommandTable.h"

#include "data/ReferenceDatabase.h"

#include "convert/AgeGroup.h"
#include "convert/ConvertParameterSets.h"
#include "data/DataTable.h"
#include "util/RtfReader.h"

namespace veltra {

CommandTableSource CurrentCommandTableSource(const DataTable& parameters)
{
    auto field = [&parameters](const char* name) {
        return ReferenceDatabase::CurrentText(parameters, QLatin1String(name));
    };
    return {field("DataSource"), field("Variable"), field("SEX"), field("Info")};
}

GeneratorResult GenerateCommandTable(const CommandTableSource& source, const DataTable& dataFile,
                                     const CommandTableOptions& options)
{
    GeneratorResult result;
    if (!dataFile.isOpen()) {
        result.fail(QStringLiteral("No data set selected."));
        return result;
    }
    // The four labels are 13 characters each, the colon in column 12.
    result.lines << QStringLiteral("Source     : ") + source.dataSource
                 << QStringLiteral("Variable   : ") + source.variable
                 << QStringLiteral("Sex/Gender : ") + source.sex
                 << QStringLiteral("Current    : ") + FirstInfoLine(source.info);

    const int rows = dataFile.recordCount();
    for (int row = 0; row < rows; ++row) {
        const AgeGroupTexts group = AgeGroupAt(dataFile, row);
        if (group.gfLines.isEmpty())
            continue;
        const GeneratorResult converted = ConvertParameterSets(group.gfLines);
        if (!converted.complete()) {
            // A conversion fails only while reading a GF line, so it names one.
            const int gfLine = converted.stopRow.value();
            result.stop(row, QStringLiteral("Age group %1 (%2), GF line %3 \"%4\": %5")
                                 .arg(row + 1)
                                 .arg(group.caption)
                                 .arg(gfLine + 1)
                                 .arg(group.gfLines.value(gfLine), converted.error));
            return result;
        }
        result.lines << group.caption;
        // Line 0 is the header, line 1 the GF approximation (rank 0), line k + 1 rank k.
        // A group with fewer distributions than Top lists the lines it has.
        const qsizetype last = std::min<qsizetype>(options.top + 1, converted.lines.size() - 1);
        for (qsizetype i = 0; i <= last; ++i) {
            if (i == 1 && options.excludeGf)
                continue;
            result.lines << converted.lines.at(i);
        }
        result.lines << QString();
    }
    return result;
}

} // namespace veltra
