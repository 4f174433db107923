#include "tables/FormatLanguage.h"

#include "data/DataTable.h"
#include "data/FieldDisplay.h"
#include "tables/NumberReading.h"
#include "util/IEEE754.h"
#include "util/NumberFormat.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <limits>

namespace veltra {

namespace {

/// Reads one number of a format word: the characters [from, to) of spec, an optional
/// sign and decimal digits, within the range of 32-bit integers. Only the low 8 bits are
/// kept (300 gives 44, -1 gives 255), as the format stores them. Positions in messages
/// count from 1.
quint8 SpecNumber(const QString& spec, qsizetype from, qsizetype to, const char* what)
{
    qsizetype i = from;
    bool negative = false;
    if (i < to && (spec.at(i) == u'+' || spec.at(i) == u'-')) {
        negative = spec.at(i) == u'-';
        ++i;
    }
    if (i == to)
        throw VeltraError(QStringLiteral("format \"%1\" has no %2 at position %3")
                              .arg(spec, QLatin1String(what))
                              .arg(i + 1));
    const qsizetype digitsStart = i;
    qint64 value = 0;
    for (; i < to; ++i) {
        const QChar c = spec.at(i);
        if (c < u'0' || c > u'9')
            throw VeltraError(QStringLiteral("format \"%1\": \"%2\" at position %3 is not a digit "
                                             "of the %4")
                                  .arg(spec, QString(c))
                                  .arg(i + 1)
                                  .arg(QLatin1String(what)));
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + (negative ? 1 : 0))
            throw VeltraError(QStringLiteral("format \"%1\": the %2 at position %3 is too large")
                                  .arg(spec, QLatin1String(what))
                                  .arg(digitsStart + 1));
    }
    return static_cast<quint8>(static_cast<quint64>(negative ? -value : value) & 0xFF);
}

/// A message about a format line as it can be shown: a NUL character, which would end
/// the text in many places, appears as \0.
QString Shown(QString message)
{
    return message.replace(QChar(u'\0'), QLatin1String("\\0"));
}

} // namespace

rForm ParseFormatSpec(const QString& spec)
{
    rForm form;
    if (spec.isEmpty())
        return form;
    // Only "a" to "z" change case: "ı" (dotless i) is no I.
    QChar letter = spec.at(0);
    if (letter >= u'a' && letter <= u'z')
        letter = QChar(letter.unicode() - u'a' + u'A');
    if (letter == u'F' || letter == u'S') {
        form.Kind = letter == u'F' ? FormatF : FormatS;
        const qsizetype point = spec.indexOf(u'.', 1);
        if (point < 0)
            throw VeltraError(
                QStringLiteral("format \"%1\" has no \".\" and decimals after the width at "
                               "position %2")
                    .arg(spec)
                    .arg(spec.size() + 1));
        form.Width = SpecNumber(spec, 1, point, "width");
        form.Decimals = SpecNumber(spec, point + 1, spec.size(), "decimals");
    } else if (letter == u'I' || letter == u'C') {
        form.Kind = letter == u'I' ? FormatI : FormatC;
        form.Width = SpecNumber(spec, 1, spec.size(), "width");
        form.Decimals = 0;
    }
    // Any other first character keeps F, 9, 2.
    return form;
}

double TextToNumber(const QString& text)
{
    if (text.isEmpty())
        return NaNValue();
    const QChar separator = DecimalSeparator();
    const bool point = IsNumberTextPoint(text);
    const bool comma = IsNumberTextComma(text);
    std::optional<double> number;
    if (point && separator == u'.')
        number = ReadNumber(text, separator);
    else if (comma && separator == u',')
        number = ReadNumber(text, separator);
    else if (point && separator == u',')
        number =
            ReadNumber(ReplaceFirst(text, QStringLiteral("."), QStringLiteral(",")), separator);
    else if (comma && separator == u'.')
        number =
            ReadNumber(ReplaceFirst(text, QStringLiteral(","), QStringLiteral(".")), separator);
    // A text that passes the quick test but does not read ("E", "+") is no number.
    return number ? *number : NaNValue();
}

bool IsFormatCommentLine(const QString& line)
{
    const QString text = TrimLeftText(line);
    return text.isEmpty() || text.startsWith(QStringLiteral("//"));
}

QStringList WithoutCommentLines(const QStringList& formatLines)
{
    QStringList lines;
    for (const QString& line : formatLines) {
        if (!IsFormatCommentLine(line))
            lines << line;
    }
    return lines;
}

QList<rForm> ParseFormatLines(const QStringList& formatLines)
{
    QList<rForm> forms;
    forms.reserve(formatLines.size());
    for (qsizetype i = 0; i < formatLines.size(); ++i) {
        const QString& line = formatLines.at(i);
        if (IsFormatCommentLine(line)) {
            forms << rForm{};
            continue;
        }
        try {
            rForm form = ParseFormatSpec(ExtractWord(line, 2, StandardWordDelimiters));
            form.VarName = ExtractWord(line, 1, StandardWordDelimiters);
            form.Alias = ExtractWord(line, 3, StandardWordDelimiters);
            forms << form;
        } catch (const VeltraError& error) {
            throw VeltraError(Shown(
                QStringLiteral("Format line %1 \"%2\": %3").arg(i + 1).arg(line, error.message())));
        }
    }
    return forms;
}

GeneratorResult RunFormattedTable(const QStringList& formatLines, const DataTable& dataFile)
{
    GeneratorResult result;
    QList<rForm> forms;
    try {
        forms = ParseFormatLines(formatLines);
    } catch (const VeltraError& error) {
        result.fail(error.message());
        return result;
    }

    struct Column
    {
        rForm form;
        qsizetype line; // 0-based format line
        int field;      // -1: no such field in the data file
    };
    QList<Column> columns;
    QString header;
    for (qsizetype i = 0; i < forms.size(); ++i) {
        if (IsFormatCommentLine(formatLines.at(i)))
            continue;
        const rForm& form = forms.at(i);
        columns << Column{form, i, dataFile.fieldIndex(form.VarName)};
        // The caption of an S column is 3 characters wider than its data cells.
        const int width = form.Width + (form.Kind == FormatS ? 3 : 0);
        header += PadLeftTo(form.Alias.isEmpty() ? form.VarName : form.Alias, width);
        result.headerWidths << width;
        result.columnWidths << form.Width;
    }
    result.lines << header;

    if (!dataFile.isOpen()) {
        result.fail(QStringLiteral("Cannot read the rows: the data file is not open"));
        return result;
    }
    const QList<FieldDef>& fields = dataFile.fields();
    const int rows = dataFile.recordCount();
    for (int row = 0; row < rows; ++row) {
        QString line;
        for (const Column& column : std::as_const(columns)) {
            if (column.field < 0) {
                result.stop(row,
                            Shown(QStringLiteral("Format line %1: unknown field \"%2\" in \"%3\"")
                                      .arg(column.line + 1)
                                      .arg(column.form.VarName, dataFile.fileName())));
                return result;
            }
            const QString value =
                FieldDisplayText(fields.at(column.field), dataFile.value(row, column.field));
            const double number = TextToNumber(value);
            line += IsNaNValue(number)
                        ? PadLeftTo(value, column.form.Width)
                        : FormatFixedWidth(number, column.form.Width, column.form.Decimals);
        }
        result.lines << line;
    }
    return result;
}

} // namespace veltra
