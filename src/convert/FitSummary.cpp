#include "convert/FitSummary.h"

#include "convert/FitFormulas.h"
#include "util/NumberFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace veltra {

namespace {

QJsonValue Json(const std::optional<double>& value)
{
    if (!value || !std::isfinite(*value))
        return QJsonValue::Null;
    return *value;
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
    for (int i = 0; i < group.fits.size(); ++i) {
        const FitDistribution& distribution = group.fits.at(i);
        const GfFit& fit = distribution.fit();
        lines << QString();
        QString title = QString::number(i + 1) + QStringLiteral(". ") + fit.typeName;
        if (!fit.fitLabel.isEmpty())
            title += QStringLiteral(" (") + fit.fitLabel + QStringLiteral(" = ") +
                     ShownNumber(fit.fitStatistic) + u')';
        if (fit.q != 0)
            title += QStringLiteral(", shifted by q = ") + ShownNumber(fit.q);
        lines << title;

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
        const std::optional<double> deviation = group.deviations.value(i);
        lines << QStringLiteral("   largest deviation from the observed P05 to P95: ") +
                     (deviation ? ShownNumber(*deviation * 100) + QStringLiteral(" %")
                                : QStringLiteral("no observed quantile there"));
        lines << QStringLiteral("   R:      ") + RFormula(fit);
        lines << QStringLiteral("   Python: ") + PythonFormula(fit);
        lines << QStringLiteral("   @RISK:  ") + AtRiskFormula(distribution);
    }
    return lines;
}

QByteArray FitSummaryJson(const QString& id, int groupNo, const AgeGroupFits& group)
{
    QJsonArray fits;
    for (int i = 0; i < group.fits.size(); ++i) {
        const FitDistribution& distribution = group.fits.at(i);
        const GfFit& fit = distribution.fit();
        QJsonObject parameters;
        for (const FitParameter& parameter : FitParameters(distribution))
            parameters.insert(parameter.key, Json(parameter.value));
        QJsonObject quantiles;
        for (double level : SummaryLevels)
            quantiles.insert(LevelKey(level), Json(distribution.quantile(level)));
        fits << QJsonObject{
            {"type", fit.typeName},
            {"fit",
             Json(fit.fitLabel.isEmpty() ? std::nullopt : std::optional<double>(fit.fitStatistic))},
            {"fit_statistic", fit.fitLabel.isEmpty() ? QJsonValue::Null : QJsonValue(fit.fitLabel)},
            {"q", fit.q},
            {"params", parameters},
            {"quantiles", quantiles},
            {"mean", Json(distribution.mean())},
            {"sd", Json(distribution.sd())},
            {"max_rel_dev", Json(group.deviations.value(i))},
            {"r", RFormula(fit)},
            {"python", PythonFormula(fit)},
            {"atrisk", AtRiskFormula(distribution)},
        };
    }
    QJsonObject reliable;
    for (double level : ReportedPercentiles)
        reliable.insert(PercentileLabel(level), group.n && *group.n >= MinimumObservations(level));
    const QJsonObject summary{{"id", id},
                              {"group", groupNo},
                              {"n", group.n ? QJsonValue(*group.n) : QJsonValue::Null},
                              {"fits", fits},
                              {"reliable", reliable}};
    return QJsonDocument(summary).toJson(QJsonDocument::Indented);
}

} // namespace veltra
