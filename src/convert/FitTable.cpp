#include "convert/FitTable.h"

#include "convert/FitSummary.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "util/NumberFormat.h"
#include "util/RtfReader.h"
#include "util/VeltraError.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace veltra {

namespace {

constexpr double Nan = std::numeric_limits<double>::quiet_NaN();

bool HasOwnColumn(const QString& key)
{
    return key == u"q" || key == u"median" || key == u"mean" || key == u"sd";
}

FitParameter Named(const QList<FitParameter>& parameters, const char* key,
                   const std::optional<double>& value)
{
    for (const FitParameter& parameter : parameters)
        if (parameter.key == QLatin1String(key))
            return parameter;
    return FitParameter{QLatin1String(key), value, value ? QString() : QStringLiteral("undefined")};
}

// A number for the CSV: every digit a double holds, with the user's decimal separator;
// "infinity" for an infinite value.
QString CsvNumber(double value)
{
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("infinity") : QStringLiteral("-infinity");
    return LocalNumberText(FormulaNumber(value));
}

QString CsvNumber(const std::optional<double>& value, const QString& undefinedText)
{
    return value ? CsvNumber(*value)
                 : (undefinedText.isEmpty() ? QStringLiteral("undefined") : undefinedText);
}

QString CsvCell(const QString& text)
{
    for (const QChar c : text) {
        if (c == u';' || c == u'"' || c == u'\r' || c == u'\n') {
            QString quoted = text;
            quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
            return u'"' + quoted + u'"';
        }
    }
    return text;
}

} // namespace

QString DeviationClassName(DeviationClass deviationClass)
{
    switch (deviationClass) {
    case DeviationClass::None:
        return QString();
    case DeviationClass::Close:
        return QStringLiteral("close");
    case DeviationClass::Moderate:
        return QStringLiteral("moderate");
    case DeviationClass::Far:
        return QStringLiteral("far");
    }
    return QString();
}

FitTable BuildFitTable(const AgeGroupFits& group, bool byRank)
{
    FitTable table;
    for (int i = 0; i < group.fits.size(); ++i) {
        const FitDistribution& distribution = group.fits.at(i);
        const GfFit& fit = distribution.fit();
        FitTableRow row;
        row.fit = i;
        row.position = fit.position;
        row.typeName = fit.typeName;
        row.statisticName = fit.fitLabel;
        row.statistic = fit.fitLabel.isEmpty() ? Nan : fit.fitStatistic;
        row.q = fit.q;
        const QList<FitParameter> parameters = FitParameters(distribution);
        for (const FitParameter& parameter : parameters)
            if (!HasOwnColumn(parameter.key))
                row.parameters << parameter;
        row.median = distribution.median();
        row.mean = Named(parameters, "mean", distribution.mean());
        row.sd = Named(parameters, "sd", distribution.sd());
        row.deviation = group.deviations.value(i);
        row.deviationClass = ClassOf(row.deviation);
        table.parameterColumns = std::max(table.parameterColumns, int(row.parameters.size()));
        table.rows << row;
    }
    for (const FailedFit& failed : group.failed) {
        FitTableRow row;
        row.position = failed.fit.position;
        row.typeName = failed.fit.typeName;
        row.statisticName = failed.fit.fitLabel;
        row.statistic = failed.fit.fitLabel.isEmpty() ? Nan : failed.fit.fitStatistic;
        row.q = failed.fit.q;
        row.error = failed.error;
        table.rows << row;
    }
    std::stable_sort(
        table.rows.begin(), table.rows.end(),
        [](const FitTableRow& a, const FitTableRow& b) { return a.position < b.position; });

    // Ranks: by the largest absolute log ratio, the fits without a deviation after them
    // in stored order.
    QList<int> order;
    for (int i = 0; i < table.rows.size(); ++i)
        if (table.rows.at(i).error.isEmpty())
            order << i;
    std::stable_sort(order.begin(), order.end(), [&table](int a, int b) {
        const std::optional<FitDeviation>& x = table.rows.at(a).deviation;
        const std::optional<FitDeviation>& y = table.rows.at(b).deviation;
        if (x && y)
            return x->logRatio < y->logRatio;
        return x.has_value() && !y.has_value();
    });
    for (int rank = 0; rank < order.size(); ++rank)
        table.rows[order.at(rank)].rank = rank + 1;
    if (byRank)
        std::stable_sort(table.rows.begin(), table.rows.end(),
                         [](const FitTableRow& a, const FitTableRow& b) {
                             // The fits that cannot be computed go last.
                             if ((a.rank == 0) != (b.rank == 0))
                                 return b.rank == 0;
                             return a.rank < b.rank;
                         });
    return table;
}

QList<QStringList> FitTableCells(const FitTable& table)
{
    QStringList header{QStringLiteral("Rank"), QStringLiteral("Type"), QStringLiteral("KS/AP"),
                       QStringLiteral("q")};
    for (int i = 1; i <= table.parameterColumns; ++i)
        header << QStringLiteral("Parameter %1").arg(i);
    header << QStringLiteral("Median") << QStringLiteral("Mean") << QStringLiteral("SD")
           << QStringLiteral("Deviation");
    QList<QStringList> cells{header};
    for (const FitTableRow& row : table.rows) {
        QStringList line{row.rank > 0 ? QString::number(row.rank) : QString(), row.typeName,
                         row.statisticName.isEmpty()
                             ? QString()
                             : row.statisticName + u' ' + ShownNumber(row.statistic)};
        if (!row.error.isEmpty()) {
            line << QStringLiteral("not computable: ") + row.error;
            while (line.size() < header.size())
                line << QString();
            cells << line;
            continue;
        }
        line << ShownNumber(row.q);
        for (const FitParameter& parameter : row.parameters)
            line << parameter.key + QStringLiteral(" = ") +
                        ShownNumber(parameter.value, parameter.undefinedText);
        for (qsizetype i = row.parameters.size(); i < table.parameterColumns; ++i)
            line << QString();
        line << ShownNumber(row.median) << ShownNumber(row.mean.value, row.mean.undefinedText)
             << ShownNumber(row.sd.value, row.sd.undefinedText) << DeviationText(row.deviation);
        cells << line;
    }
    return cells;
}

QStringList FitTableCsvLines(const FitTable& table)
{
    QStringList header{QStringLiteral("Rank"), QStringLiteral("Type"),
                       QStringLiteral("Statistic name"), QStringLiteral("Statistic"),
                       QStringLiteral("q")};
    for (int i = 1; i <= table.parameterColumns; ++i)
        header << QStringLiteral("Parameter %1").arg(i) << QStringLiteral("Value %1").arg(i);
    header << QStringLiteral("Median") << QStringLiteral("Mean") << QStringLiteral("SD")
           << QStringLiteral("Deviation at") << QStringLiteral("Deviation %")
           << QStringLiteral("Deviation class") << QStringLiteral("Error");
    QStringList lines{header.join(u';')};
    for (const FitTableRow& row : table.rows) {
        QStringList line{
            row.rank > 0 ? QString::number(row.rank) : QString(), row.typeName, row.statisticName,
            row.statisticName.isEmpty() ? QString() : CsvNumber(row.statistic), CsvNumber(row.q)};
        if (row.error.isEmpty()) {
            for (const FitParameter& parameter : row.parameters)
                line << parameter.key << CsvNumber(parameter.value, parameter.undefinedText);
            for (qsizetype i = row.parameters.size(); i < table.parameterColumns; ++i)
                line << QString() << QString();
            line << CsvNumber(row.median, {}) << CsvNumber(row.mean.value, row.mean.undefinedText)
                 << CsvNumber(row.sd.value, row.sd.undefinedText);
            if (row.deviation)
                line << row.deviation->label << CsvNumber(row.deviation->relative * 100);
            else
                line << QString() << QString();
            line << DeviationClassName(row.deviationClass) << QString();
        } else {
            for (int i = 0; i < 2 * table.parameterColumns + 6; ++i)
                line << QString();
            line << row.error;
        }
        QStringList cells;
        for (const QString& text : std::as_const(line))
            cells << CsvCell(text);
        lines << cells.join(u';');
    }
    return lines;
}

QList<WorkbookSheet> FitTableWorkbook(const FitTable& table, const AgeGroupFits& group)
{
    // The header of the CSV lines, and the same columns with numbers as numbers.
    WorkbookSheet fits{QStringLiteral("Fits"), {}, 1, -1};
    QList<QVariant> header;
    for (const QString& name :
         FitTableCsvLines(FitTable{{}, table.parameterColumns}).first().split(u';'))
        header << name;
    fits.rows << header;
    auto number = [](const std::optional<double>& value, const QString& undefinedText) {
        return value ? QVariant(*value)
                     : QVariant(undefinedText.isEmpty() ? QStringLiteral("undefined")
                                                        : undefinedText);
    };
    WorkbookSheet formulas{
        QStringLiteral("Formulas"),
        {{QStringLiteral("Rank"), QStringLiteral("Type"), QStringLiteral("R"),
          QStringLiteral("Python"), QStringLiteral("@RISK"), QStringLiteral("Excel")}},
        1,
        -1};
    for (const FitTableRow& row : table.rows) {
        QList<QVariant> line{
            row.rank > 0 ? QVariant(row.rank) : QVariant(), row.typeName, row.statisticName,
            row.statisticName.isEmpty() ? QVariant() : QVariant(row.statistic), row.q};
        if (row.error.isEmpty()) {
            for (const FitParameter& parameter : row.parameters)
                line << parameter.key << number(parameter.value, parameter.undefinedText);
            for (qsizetype i = row.parameters.size(); i < table.parameterColumns; ++i)
                line << QVariant() << QVariant();
            line << number(row.median, {}) << number(row.mean.value, row.mean.undefinedText)
                 << number(row.sd.value, row.sd.undefinedText);
            if (row.deviation)
                line << row.deviation->label << row.deviation->relative * 100;
            else
                line << QVariant() << QVariant();
            line << DeviationClassName(row.deviationClass) << QVariant();
            const FitDistribution& distribution = group.fits.at(row.fit);
            formulas.rows << QList<QVariant>{row.rank,
                                             row.typeName,
                                             RFormula(distribution.fit()),
                                             PythonFormula(distribution.fit()),
                                             AtRiskFormula(distribution),
                                             ExcelFormula(distribution.fit(), ExcelForm::English)};
        } else {
            for (int i = 0; i < 2 * table.parameterColumns + 6; ++i)
                line << QVariant();
            line << row.error;
        }
        fits.rows << line;
    }
    return {fits, formulas};
}

AgeProfile BuildAgeProfile(const DataTable& dataFile)
{
    AgeProfile profile;
    profile.groupCount = dataFile.recordCount();
    auto finite = [](double value) {
        return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    };
    for (int row = 0; row < dataFile.recordCount(); ++row) {
        try {
            const AgeGroupFits group = AnalyseAgeGroup(dataFile, row);
            if (!std::isfinite(group.ageMidpoint) || group.fits.first().fit().position != 0) {
                ++profile.leftOut;
                continue;
            }
            const FitDistribution& gf = group.fits.first();
            const std::optional<double> mean = gf.mean();
            AgeProfilePoint point{row,
                                  group.ageMidpoint,
                                  finite(gf.quantile(0.05)),
                                  finite(gf.quantile(0.5)),
                                  finite(gf.quantile(0.95)),
                                  mean ? finite(*mean) : std::nullopt};
            if (!point.p05 || !point.p50 || !point.p95 || (mean && !point.mean))
                ++profile.withGaps;
            profile.points << point;
        } catch (const VeltraError&) {
            // The group's own message is shown when it becomes current.
            ++profile.leftOut;
        }
    }
    std::stable_sort(
        profile.points.begin(), profile.points.end(),
        [](const AgeProfilePoint& a, const AgeProfilePoint& b) { return a.midpoint < b.midpoint; });
    profile.note = QStringLiteral("Click a group to make it current.");
    if (profile.leftOut > 0)
        profile.note +=
            QStringLiteral(" %1 of %2 age groups left out (no age range or no computable GF fit).")
                .arg(profile.leftOut)
                .arg(profile.groupCount);
    if (profile.withGaps > 0)
        profile.note += QStringLiteral(" %1 of %2 age groups have an infinite percentile or mean: "
                                       "the lines have a gap there.")
                            .arg(profile.withGaps)
                            .arg(profile.groupCount);
    return profile;
}

QList<QList<QPointF>> AgeProfileRuns(const AgeProfile& profile, ProfileLine line)
{
    QList<QList<QPointF>> runs;
    QList<QPointF> run;
    for (const AgeProfilePoint& point : profile.points) {
        const bool band = line == ProfileLine::P05 || line == ProfileLine::P95;
        std::optional<double> value;
        switch (line) {
        case ProfileLine::P05:
            value = point.p05;
            break;
        case ProfileLine::P50:
            value = point.p50;
            break;
        case ProfileLine::P95:
            value = point.p95;
            break;
        case ProfileLine::Mean:
            value = point.mean;
            break;
        }
        if (value && (!band || (point.p05 && point.p95))) {
            run << QPointF(point.midpoint, *value);
        } else if (!run.isEmpty()) {
            runs << run;
            run.clear();
        }
    }
    if (!run.isEmpty())
        runs << run;
    return runs;
}

QString FitCurveName(const GfFit& fit)
{
    if (fit.fitLabel.isEmpty())
        return fit.typeName;
    return fit.typeName + QStringLiteral(" (") + fit.fitLabel + QStringLiteral(" = ") +
           ShownNumber(fit.fitStatistic) + u')';
}

QList<QqPoint> QuantileQuantilePoints(const AgeGroupFits& group, int fit)
{
    QList<QqPoint> points;
    if (fit < 0 || fit >= group.fits.size())
        return points;
    const FitDistribution& distribution = group.fits.at(fit);
    for (const ObservedQuantile& observed : group.observed) {
        const double fitted = distribution.quantile(observed.level);
        if (!std::isfinite(fitted) || !std::isfinite(observed.value))
            continue;
        points << QqPoint{observed.label, observed.level, observed.value, fitted,
                          IsSupportedPercentile(observed, group.n)};
    }
    return points;
}

QString ValueAxisTitle(const QString& variable, const QString& variableLabels)
{
    const QString name = variable.trimmed();
    if (name.isEmpty())
        return QStringLiteral("Value");
    const QString of = QStringLiteral(" of ") + name;
    // Labels are short: a few hundred lines at most are looked at.
    const QStringList lines =
        variableLabels.split(QRegularExpression(QStringLiteral("[\\r\\n]+")), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < std::min<qsizetype>(lines.size(), 500); ++i) {
        const QString line = lines.at(i).trimmed();
        if (!line.endsWith(of))
            continue;
        const qsizetype open = line.indexOf(u'[');
        const qsizetype close = open < 0 ? -1 : line.indexOf(u']', open + 1);
        const QString unit =
            close > open + 1 ? line.mid(open + 1, close - open - 1).trimmed() : QString();
        // "[-]" marks a ratio such as the geometric SD, not the variable's unit.
        if (!unit.isEmpty() && unit != u"-")
            return name + QStringLiteral(" [") + unit + u']';
    }
    return name;
}

QString CurrentValueAxisTitle(const ReferenceDatabase& database)
{
    const DataTable& parameters = database.parameters();
    if (!parameters.isOpen() || parameters.recNo() == 0)
        return ValueAxisTitle({}, {});
    auto field = [&parameters](const QString& name) {
        return parameters.hasField(name) ? ReferenceDatabase::CurrentText(parameters, name)
                                         : QString();
    };
    QString labels = field(QStringLiteral("VARLABELS"));
    if (IsRtfText(labels))
        labels = RtfToPlainText(labels);
    return ValueAxisTitle(field(QStringLiteral("Variable")), labels);
}

} // namespace veltra
