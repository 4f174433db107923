#include "convert/FitAnalysis.h"

#include "convert/AgeGroup.h"
#include "data/DataTable.h"
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

int MinimumObservations(double level)
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
    return int(std::ceil(181 * 0.025 / tail - LevelTolerance));
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

std::optional<double> MaxRelativeDeviation(const FitDistribution& fit,
                                           const QList<ObservedQuantile>& observed)
{
    std::optional<double> largest;
    for (const ObservedQuantile& point : observed) {
        if (point.level < 0.05 - LevelTolerance || point.level > 0.95 + LevelTolerance ||
            point.value == 0)
            continue;
        const double deviation = std::abs(fit.quantile(point.level) / point.value - 1);
        if (!largest || deviation > *largest)
            largest = deviation;
    }
    return largest;
}

QString ReliabilityLine(std::optional<int> n)
{
    QStringList parts;
    for (double level : ReportedPercentiles) {
        const int needed = MinimumObservations(level);
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
    if (const std::optional<double> n = Number(FieldValue(dataFile, row, QStringLiteral("NOBS"))))
        result.n = int(*n);
    const std::optional<double> low = Number(FieldValue(dataFile, row, QStringLiteral("AGEMin")));
    const std::optional<double> high = Number(FieldValue(dataFile, row, QStringLiteral("AGEMax")));
    result.ageMidpoint =
        low && high ? (*low + *high) / 2 : std::numeric_limits<double>::quiet_NaN();

    QList<GfFit> fits;
    try {
        fits = ReadGfFits(texts.gfLines);
    } catch (const VeltraError& error) {
        throw VeltraError(texts.caption + QStringLiteral(": ") + error.message());
    }
    if (fits.isEmpty())
        throw VeltraError(texts.caption + QStringLiteral(": no fit in GENERALF"));
    for (const GfFit& fit : fits)
        result.fits << FitDistribution(fit);

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
    for (const FitDistribution& fit : result.fits)
        result.deviations << MaxRelativeDeviation(fit, result.observed);
    return result;
}

} // namespace veltra
