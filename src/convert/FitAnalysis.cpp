#include "convert/FitAnalysis.h"

#include "convert/AgeGroup.h"
#include "data/DataTable.h"
#include "util/NumberFormat.h"
#include "util/VeltraError.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace veltra {

namespace {

// Level comparisons allow for the rounding of printed percentages.
constexpr double LevelTolerance = 1e-9;

std::optional<double> Number(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString FieldValue(const DataTable& table, int row, const QString& field)
{
    const int index = table.fieldIndex(field);
    return index < 0 ? QString() : table.value(row, index);
}

} // namespace

std::optional<qint64> AgeGroupObservations(const DataTable& dataFile, int row)
{
    if (row < 0 || row >= dataFile.recordCount())
        return std::nullopt;
    return ObservationCount(FieldValue(dataFile, row, QStringLiteral("NOBS")));
}

std::optional<int> MinimumObservations(double level)
{
    const double tail = std::min(level, 1.0 - level);
    struct Rule
    {
        double tail;
        int n;
    };
    static const Rule rules[] = {{0.5, 0}, {0.25, 12}, {0.10, 30}, {0.05, 61}, {0.025, 181}};
    for (const Rule& rule : rules)
        if (tail >= rule.tail - LevelTolerance)
            return rule.n;
    return std::nullopt;
}

std::optional<qint64> ObservationCount(const QString& text)
{
    const std::optional<double> value = Number(text);
    if (!value || *value < 0 || *value > 1e15 || std::floor(*value) != *value)
        return std::nullopt;
    return qint64(*value);
}

bool IsSupportedPercentile(const ObservedQuantile& point, std::optional<qint64> n)
{
    if (point.source == u"MIN" || point.source == u"MAX")
        return false;
    const std::optional<int> needed = MinimumObservations(point.level);
    return needed && (*needed == 0 || (n && *n >= *needed));
}

DeviationClass ClassOf(const std::optional<FitDeviation>& deviation)
{
    if (!deviation)
        return DeviationClass::None;
    const double apart = std::expm1(deviation->logRatio);
    if (apart < 0.05)
        return DeviationClass::Close;
    if (apart < 0.15)
        return DeviationClass::Moderate;
    return DeviationClass::Far;
}

QString DeviationText(const std::optional<FitDeviation>& deviation)
{
    if (!deviation)
        return QStringLiteral("-");
    if (!std::isfinite(deviation->relative))
        return deviation->label + QStringLiteral(" infinite");
    QString percent = QString::number(deviation->relative * 100, 'f', 1);
    // A sign only where the rounded value has one: "+6.0 %", "-0.4 %", "0.0 %".
    if (percent == u"-0.0")
        percent = QStringLiteral("0.0");
    else if (percent != u"0.0" && !percent.startsWith(u'-'))
        percent.prepend(u'+');
    return deviation->label + u' ' + LocalNumberText(percent) + QStringLiteral(" %");
}

QString PercentileLabel(double level)
{
    const double percent = level * 100;
    QString number = QString::number(percent, 'g', 6);
    if (percent < 10 && !number.contains(u'.'))
        number.prepend(u'0');
    return QStringLiteral("P") + number;
}

QList<ObservedQuantile> ReadObservedQuantiles(const QString& quantilesText)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    static const QRegularExpression percent(QStringLiteral("^(\\d+(?:\\.\\d+)?)%$"));
    QList<ObservedQuantile> observed;
    bool underHeader = false;
    for (const QString& line :
         quantilesText.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")))) {
        const QStringList words = line.trimmed().split(blanks, Qt::SkipEmptyParts);
        if (words.size() >= 2 && words.at(1).compare(u"observed", Qt::CaseInsensitive) == 0) {
            underHeader = true;
            continue;
        }
        if (!underHeader || words.size() < 2)
            continue;
        const QRegularExpressionMatch match = percent.match(words.at(0));
        const std::optional<double> value = Number(words.at(1));
        if (!match.hasMatch() || !value)
            continue;
        const double level = match.captured(1).toDouble() / 100;
        if (level <= 0 || level >= 1)
            continue;
        observed << ObservedQuantile{PercentileLabel(level), level, *value,
                                     QStringLiteral("QUANTILES")};
    }
    return observed;
}

std::optional<FitDeviation> WorstDeviation(const FitDistribution& fit,
                                           const QList<ObservedQuantile>& observed,
                                           std::optional<qint64> n)
{
    std::optional<FitDeviation> worst;
    for (const ObservedQuantile& point : observed) {
        if (!IsSupportedPercentile(point, n) || !(point.value > 0))
            continue;
        const double quantile = fit.quantile(point.level);
        if (!(quantile > 0))
            continue;
        const double logRatio = std::abs(std::log(quantile / point.value));
        if (!worst || logRatio > worst->logRatio)
            worst = FitDeviation{point.label, quantile / point.value - 1, logRatio};
    }
    return worst;
}

QString ReliabilityLine(std::optional<qint64> n)
{
    QStringList parts;
    for (double level : ReportedPercentiles) {
        const int needed = MinimumObservations(level).value_or(0);
        const bool reliable = n && *n >= needed;
        parts << PercentileLabel(level) +
                     (reliable ? QStringLiteral(" yes")
                               : QStringLiteral(" no (N < ") + QString::number(needed) + u')');
    }
    return QStringLiteral("Percentile reliability (N = ") +
           (n ? QString::number(*n) : QStringLiteral("unknown")) + QStringLiteral("): ") +
           parts.join(QStringLiteral(", "));
}

QString NoAgeGroupMessage(qint64 groupNo, int groups)
{
    return QStringLiteral("There is no age group %1; the data file has %2")
        .arg(groupNo)
        .arg(groups);
}

AgeGroupFits AnalyseAgeGroup(const DataTable& dataFile, int row)
{
    if (!dataFile.hasField(QStringLiteral("GENERALF")))
        throw VeltraError(
            QStringLiteral("The data file \"%1\" has no field GENERALF").arg(dataFile.fileName()));
    if (row < 0 || row >= dataFile.recordCount())
        throw VeltraError(NoAgeGroupMessage(qint64(row) + 1, dataFile.recordCount()));
    const AgeGroupTexts texts = AgeGroupAt(dataFile, row);
    AgeGroupFits result;
    result.caption = texts.caption;
    result.n = AgeGroupObservations(dataFile, row);
    const std::optional<double> low = Number(FieldValue(dataFile, row, QStringLiteral("AGEMin")));
    const std::optional<double> high = Number(FieldValue(dataFile, row, QStringLiteral("AGEMax")));
    result.ageMidpoint =
        low && high ? (*low + *high) / 2 : std::numeric_limits<double>::quiet_NaN();

    struct Field
    {
        const char* name;
        double level; // < 0: MIN, > 1: MAX
    };
    static const Field fields[] = {{"MIN", -1},   {"P05", 0.05}, {"P25", 0.25}, {"P50", 0.5},
                                   {"P75", 0.75}, {"P95", 0.95}, {"MAX", 2}};
    for (const Field& field : fields) {
        const std::optional<double> value =
            Number(FieldValue(dataFile, row, QLatin1String(field.name)));
        if (!value)
            continue;
        double level = field.level;
        if (level < 0 || level > 1) {
            // The expected position of a sample's extreme values.
            if (!result.n || *result.n < 1)
                continue;
            level = level < 0 ? 1.0 / (*result.n + 1) : *result.n / (*result.n + 1.0);
        }
        result.observed << ObservedQuantile{QLatin1String(field.name), level, *value,
                                            QLatin1String(field.name)};
    }
    for (const ObservedQuantile& point : ReadObservedQuantiles(texts.quantiles)) {
        const bool known =
            std::any_of(result.observed.cbegin(), result.observed.cend(),
                        [&point](const ObservedQuantile& other) {
                            return other.source != u"MIN" && other.source != u"MAX" &&
                                   std::abs(other.level - point.level) < LevelTolerance;
                        });
        if (!known)
            result.observed << point;
    }
    std::stable_sort(
        result.observed.begin(), result.observed.end(),
        [](const ObservedQuantile& a, const ObservedQuantile& b) { return a.level < b.level; });
    const QList<GfFitEntry> entries = ReadGfFitEntries(texts.gfLines);
    if (entries.isEmpty())
        throw VeltraError(texts.caption + QStringLiteral(": no fit in GENERALF"));
    for (const GfFitEntry& entry : entries) {
        QString error = entry.error;
        if (error.isEmpty()) {
            // The values every view shows are computed once here, so that a fit the
            // numerical library cannot handle is known before any view draws it.
            try {
                const FitDistribution distribution(entry.fit);
                for (double level :
                     {0.001, 0.005, 0.01, 0.05, 0.25, 0.5, 0.75, 0.95, 0.99, 0.995, 0.999})
                    distribution.quantile(level);
                distribution.sd();
                const std::optional<FitDeviation> deviation =
                    WorstDeviation(distribution, result.observed, result.n);
                result.fits << distribution;
                result.deviations << deviation;
                continue;
            } catch (const VeltraError& failure) {
                error = failure.message();
            }
        }
        result.failed << FailedFit{entry.fit, texts.caption + QStringLiteral(": ") + error};
    }

    if (result.fits.isEmpty()) {
        QStringList reasons;
        for (const FailedFit& failed : std::as_const(result.failed))
            reasons << failed.error;
        throw VeltraError(reasons.join(u'\n'));
    }
    return result;
}

} // namespace veltra
