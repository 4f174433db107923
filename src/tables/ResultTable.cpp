#include "tables/ResultTable.h"

#include "data/DataTable.h"
#include "data/FieldDef.h"
#include "data/FieldDisplay.h"
#include "tables/NumberReading.h"
#include "util/NumberFormat.h"
#include "util/uString.h"

namespace veltra {

namespace {

QString UpperCaseAscii(const QString& text)
{
    QStringList lines{text};
    UpperCaseLines(lines);
    return lines.first();
}

} // namespace

QString SeparatedCell(const QString& text, QChar separator)
{
    for (const QChar c : text) {
        if (c == separator || c == u'"' || c == u'\r' || c == u'\n') {
            QString quoted = text;
            quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
            return u'"' + quoted + u'"';
        }
    }
    return text;
}

const QStringList& DefaultSectionFieldNames()
{
    static const QStringList names = {QStringLiteral("QUANTILES"), QStringLiteral("MOMENTS"),
                                      QStringLiteral("GENERALF"),  QStringLiteral("CORRELATIO"),
                                      QStringLiteral("COVAR"),     QStringLiteral("FORMULA"),
                                      QStringLiteral("FX")};
    return names;
}

bool IsExcludedField(const QString& name, const QStringList& sectionFieldNames)
{
    return sectionFieldNames.contains(UpperCaseAscii(TrimBlanks(name)));
}

std::optional<double> ResultCellNumber(const QString& value)
{
    // The test looks at a copy with the first "," read as ".", but the reading starts
    // from the value itself: under a "," separator both notations are read, under "."
    // a value written with "," is not.
    const QString test = IsNumberTextComma(value)
                             ? ReplaceFirst(value, QStringLiteral(","), QStringLiteral("."))
                             : value;
    if (!IsNumberTextPoint(test))
        return std::nullopt;
    const QChar separator = DecimalSeparator();
    if (const std::optional<double> number = ReadNumber(value, separator))
        return number;
    return ReadNumber(ReplaceFirst(value, QStringLiteral("."), QStringLiteral(",")), separator);
}

QList<int> ResultTableColumns(const DataTable& dataFile, const ResultTableOptions& options)
{
    const QList<FieldDef>& fields = dataFile.fields();
    QList<int> columns;
    for (int i = 0; i < options.fieldNames.size(); ++i) {
        const QString& name = options.fieldNames.at(i);
        if (i >= options.checked.size() || !options.checked.at(i) ||
            IsExcludedField(name, options.sectionFieldNames))
            continue;
        if (i >= fields.size())
            throw VeltraError(QStringLiteral("Field %1 \"%2\" of the field list is not in \"%3\", "
                                             "which has %4 fields")
                                  .arg(i + 1)
                                  .arg(name, dataFile.fileName())
                                  .arg(fields.size()));
        if (options.form == ResultTableForm::TabDelimited && fields.at(i).kind() == FieldKind::Memo)
            continue;
        columns << i;
    }
    return columns;
}

GeneratorResult GenerateResultTable(const DataTable& dataFile, const ResultTableOptions& options)
{
    GeneratorResult result;
    if (!dataFile.isOpen()) {
        result.fail(QStringLiteral("No selected data set."));
        return result;
    }
    const bool formatted = options.form == ResultTableForm::Formatted;
    const QChar separator = options.form == ResultTableForm::Csv ? QChar(u';') : QChar(u'\t');
    const int digits = options.digits;
    const int decimals = options.decimals;
    const QList<FieldDef>& fields = dataFile.fields();

    QList<int> columns;
    try {
        columns = ResultTableColumns(dataFile, options);
    } catch (const VeltraError& error) {
        result.fail(error.message());
        return result;
    }

    if (formatted)
        result.columnWidths = QList<int>(columns.size(), digits);

    // A separated line ends every cell with the separator and drops the last one.
    auto finish = [formatted, &result](QString& line) {
        if (!formatted)
            line.chop(1);
        result.lines << line;
    };

    QString header;
    for (const int i : std::as_const(columns)) {
        const QString& name = options.fieldNames.at(i);
        if (formatted) {
            const std::optional<double> number =
                IsNumberTextPoint(name) ? ReadNumber(name, DecimalSeparator()) : std::nullopt;
            header +=
                number ? FormatFixedWidth(*number, digits, decimals) : PadLeftTo(name, digits);
        } else if (IsNumberTextPoint(name)) {
            header += u'N' + QString::number(i) + separator;
        } else {
            header += SeparatedCell(TrimLeftText(name), separator) + separator;
        }
    }
    finish(header);

    const int rows = dataFile.recordCount();
    for (int row = 0; row < rows; ++row) {
        QString line;
        for (const int i : std::as_const(columns)) {
            const QString value = FieldDisplayText(fields.at(i), dataFile.value(row, i));
            if (value.isEmpty()) {
                line += formatted ? PadLeftTo(QStringLiteral("."), digits) : QString(separator);
            } else if (const std::optional<double> number = ResultCellNumber(value)) {
                const QString cell = FormatFixedWidth(*number, digits, decimals);
                line += formatted ? cell : SeparatedCell(TrimLeftText(cell), separator) + separator;
            } else {
                line += formatted ? PadLeftTo(value, digits)
                                  : SeparatedCell(TrimLeftText(value), separator) + separator;
            }
        }
        finish(line);
    }
    return result;
}

} // namespace veltra
