#include "convert/FitSummary.h"

#include "convert/FitFormulas.h"
#include "convert/FitTable.h"
#include "util/NumberFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace veltra {

namespace {

// A number of the JSON: itself when finite; otherwise null, with a sibling
// "<key>_status" saying why.
void InsertNumber(QJsonObject& object, const QString& key, const std::optional<double>& value)
{
    if (value && std::isfinite(*value)) {
        object.insert(key, *value);
        return;
    }
    object.insert(key, QJsonValue::Null);
    object.insert(key + QStringLiteral("_status"), value && std::isinf(*value)
                                                       ? QStringLiteral("infinite")
                                                       : QStringLiteral("undefined"));
}

QString LevelKey(double level)
{
    return QString::number(level, 'g', 6);
}

} // namespace

QString ShownNumber(double value)
{
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("infinity") : QStringLiteral("-infinity");
    return LocalNumberText(QString::number(value, 'g', 6));
}

QString ShownNumber(const std::optional<double>& value, const QString& undefinedText)
{
    return value ? ShownNumber(*value)
                 : (undefinedText.isEmpty() ? QStringLiteral("undefined") : undefinedText);
}

QStringList FitSummaryLines(const QString& id, int groupNo, int groupCount,
                            const AgeGroupFits& group)
{
    QStringList lines{QStringLiteral("ID %1, age group %2 of %3: %4")
                          .arg(id)
                          .arg(groupNo)
                          .arg(groupCount)
                          .arg(group.caption),
                      ReliabilityLine(group.n)};
    const FitTable table = BuildFitTable(group, false);
    for (const FitTableRow& row : table.rows) {
        lines << QString();
        QString title = QString::number(row.position + 1) + QStringLiteral(". ") + row.typeName;
        if (!row.statisticName.isEmpty())
            title += QStringLiteral(" (") + row.statisticName + QStringLiteral(" = ") +
                     ShownNumber(row.statistic) + u')';
        if (row.q != 0)
            title += QStringLiteral(", shifted by q = ") + ShownNumber(row.q);
        lines << title;
        if (!row.error.isEmpty()) {
            lines << QStringLiteral("   not computable: ") + row.error;
            continue;
        }
        const FitDistribution& distribution = group.fits.at(row.fit);
        const GfFit& fit = distribution.fit();

        QStringList parameters;
        for (const FitParameter& parameter : FitParameters(distribution))
            parameters << parameter.key + QStringLiteral(" = ") +
                              ShownNumber(parameter.value, parameter.undefinedText);
        lines << QStringLiteral("   parameters: ") + parameters.join(QStringLiteral(", "));

        QStringList quantiles;
        for (double level : SummaryLevels)
            quantiles << PercentileLabel(level) + QStringLiteral(" = ") +
                             ShownNumber(distribution.quantile(level));
        lines << QStringLiteral("   quantiles:  ") + quantiles.join(QStringLiteral(", "));
        lines << QStringLiteral("   deviation from the percentiles N supports: ") +
                     (row.deviation
                          ? DeviationText(row.deviation) + QStringLiteral(" (") +
                                DeviationClassName(row.deviationClass) + QStringLiteral(", rank ") +
                                QString::number(row.rank) + u')'
                          : QStringLiteral("no supported observed percentile"));
        lines << QStringLiteral("   R:      ") + RFormula(fit);
        lines << QStringLiteral("   Python: ") + PythonFormula(fit);
        lines << QStringLiteral("   @RISK:  ") + AtRiskFormula(distribution);
        lines << QStringLiteral("   Excel:  ") + ExcelFormula(fit, ExcelForm::Local);
    }
    return lines;
}

QByteArray FitSummaryJson(const QString& id, int groupNo, const AgeGroupFits& group)
{
    QJsonArray fits;
    const FitTable table = BuildFitTable(group, false);
    for (const FitTableRow& row : table.rows) {
        QJsonObject object{{"type", row.typeName},
                           {"statistic_name", row.statisticName.isEmpty()
                                                  ? QJsonValue(QJsonValue::Null)
                                                  : QJsonValue(row.statisticName)}};
        if (row.statisticName.isEmpty())
            object.insert(QStringLiteral("statistic"), QJsonValue::Null);
        else
            InsertNumber(object, QStringLiteral("statistic"), row.statistic);
        InsertNumber(object, QStringLiteral("q"), row.q);
        if (!row.error.isEmpty()) {
            object.insert(QStringLiteral("error"), row.error);
            fits << object;
            continue;
        }
        const FitDistribution& distribution = group.fits.at(row.fit);
        const GfFit& fit = distribution.fit();
        object.insert(QStringLiteral("family"), FamilyName(fit.family));
        object.insert(QStringLiteral("rank"), row.rank);
        QJsonObject parameters;
        for (const FitParameter& parameter : FitParameters(distribution))
            InsertNumber(parameters, parameter.key, parameter.value);
        object.insert(QStringLiteral("params"), parameters);
        QJsonObject quantiles;
        for (double level : SummaryLevels)
            InsertNumber(quantiles, LevelKey(level), distribution.quantile(level));
        object.insert(QStringLiteral("quantiles"), quantiles);
        InsertNumber(object, QStringLiteral("median"), row.median);
        InsertNumber(object, QStringLiteral("mean"), row.mean.value);
        InsertNumber(object, QStringLiteral("sd"), row.sd.value);
        if (row.deviation) {
            QJsonObject deviation{{"percentile", row.deviation->label},
                                  {"class", DeviationClassName(row.deviationClass)}};
            InsertNumber(deviation, QStringLiteral("relative"), row.deviation->relative);
            InsertNumber(deviation, QStringLiteral("log_ratio"), row.deviation->logRatio);
            object.insert(QStringLiteral("deviation"), deviation);
        } else {
            object.insert(QStringLiteral("deviation"), QJsonValue::Null);
        }
        object.insert(QStringLiteral("r"), RFormula(fit));
        object.insert(QStringLiteral("python"), PythonFormula(fit));
        object.insert(QStringLiteral("atrisk"), AtRiskFormula(distribution));
        object.insert(QStringLiteral("excel"), ExcelFormula(fit, ExcelForm::English));
        fits << object;
    }
    QJsonObject reliable;
    for (double level : ReportedPercentiles)
        reliable.insert(PercentileLabel(level),
                        group.n && *group.n >= MinimumObservations(level).value_or(0));
    const QJsonObject summary{
        {"schema", 2},
        {"id", id},
        {"group", groupNo},
        {"n", group.n ? QJsonValue(double(*group.n)) : QJsonValue(QJsonValue::Null)},
        {"fits", fits},
        {"reliable", reliable}};
    return QJsonDocument(summary).toJson(QJsonDocument::Indented);
}

} // namespace veltra
