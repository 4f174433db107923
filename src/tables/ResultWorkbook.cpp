#include "tables/ResultWorkbook.h"

#include "data/DataTable.h"
#include "data/FieldDef.h"
#include "data/FieldDisplay.h"
#include "util/RtfReader.h"
#include "util/VeltraError.h"
#include "util/uString.h"

namespace veltra {

namespace {

WorkbookSheet TableSheet(const DataTable& dataFile, const ResultTableOptions& options)
{
    const QList<int> columns = ResultTableColumns(dataFile, options);
    const QList<FieldDef>& fields = dataFile.fields();
    WorkbookSheet sheet;
    sheet.name = ResultSheetName;
    sheet.decimals = options.decimals;
    QList<QVariant> header;
    for (const int i : columns)
        header << QVariant(options.fieldNames.at(i).trimmed());
    sheet.rows << header;
    const int rows = dataFile.recordCount();
    sheet.rows.reserve(rows + 1);
    for (int row = 0; row < rows; ++row) {
        QList<QVariant> cells;
        cells.reserve(columns.size());
        for (const int i : columns) {
            const QString stored = dataFile.value(row, i);
            bool isNumber = false;
            // A number field's stored text is the number itself ("." and an exponent in any
            // form); other values are numbers by the result tables' rule.
            const double number = fields.at(i).kind() == FieldKind::Number
                                      ? stored.trimmed().toDouble(&isNumber)
                                      : 0.0;
            const QString value = FieldDisplayText(fields.at(i), stored);
            if (value.isEmpty())
                cells << QVariant();
            else if (isNumber)
                cells << QVariant(number);
            else if (const std::optional<double> read = ResultCellNumber(value))
                cells << QVariant(*read);
            else
                cells << QVariant(value);
        }
        sheet.rows << cells;
    }
    return sheet;
}

WorkbookSheet SourceSheet(const ResultWorkbookSource& source)
{
    WorkbookSheet sheet;
    sheet.name = SourceSheetName;
    sheet.headerRows = 0;
    auto add = [&sheet](const QString& label, const QString& value) {
        sheet.rows << QList<QVariant>{label, value};
    };
    add(QStringLiteral("Variable"), source.variable);
    add(QStringLiteral("DataSource"), source.dataSource);
    add(QStringLiteral("Data file"), source.dataFileName);
    QString label = QStringLiteral("Info");
    for (QString line : InfoLines(source.info)) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        add(label, line);
        label.clear();
    }
    label = QStringLiteral("Restrictions");
    for (const QString& line : source.restrictionLines) {
        add(label, line.trimmed());
        label.clear();
    }
    add(QStringLiteral("Written"), source.written.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    return sheet;
}

} // namespace

QList<WorkbookSheet> ResultWorkbookSheets(const DataTable& dataFile,
                                          const ResultTableOptions& options,
                                          const ResultWorkbookSource& source)
{
    if (!dataFile.isOpen())
        throw VeltraError(QStringLiteral("No selected data set."));
    return {TableSheet(dataFile, options), SourceSheet(source)};
}

void WriteResultWorkbook(const QString& path, const DataTable& dataFile,
                         const ResultTableOptions& options, const ResultWorkbookSource& source)
{
    WriteWorkbookFile(path, ResultWorkbookSheets(dataFile, options, source));
}

} // namespace veltra
