#include "scenario/SimulationOutput.h"

#include "convert/FitAnalysis.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace veltra {

namespace {

QString Short(double value)
{
    if (std::isnan(value))
        return QStringLiteral("undefined");
    return QString::number(value, 'g', 6);
}

// Full precision for files other programs read.
QString Exact(double value)
{
    if (!std::isfinite(value))
        return QString();
    return QString::number(value, 'g', 17);
}

QJsonValue JsonNumber(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QString LevelKey(double level)
{
    return QString::number(level, 'g', 6);
}

QString SamplingName(Sampling sampling)
{
    return sampling == Sampling::LatinHypercube ? QStringLiteral("lhs") : QStringLiteral("random");
}

QString CsvCell(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

QString LevelLabel(double level)
{
    return PercentileLabel(level);
}

QStringList SimulationLines(const SimulationResult& result)
{
    const Scenario& s = result.scenario;
    QStringList lines;
    QString head = QStringLiteral("Scenario \"%1\": %2 = %3").arg(s.name, s.outputName, s.formula);
    if (!s.outputUnit.isEmpty())
        head += QStringLiteral(" [") + s.outputUnit + u']';
    lines << head;
    lines << QStringLiteral("iterations %1, seed %2, sampling %3")
                 .arg(s.iterations)
                 .arg(s.seed)
                 .arg(SamplingName(s.sampling));
    for (const RunResult& run : result.runs) {
        lines << QString();
        if (run.group)
            lines << QStringLiteral("Group %1: %2").arg(*run.group).arg(run.caption);
        else
            lines << QStringLiteral("Run");
        if (!run.error.isEmpty()) {
            lines << QStringLiteral("  not run: ") + run.error;
            continue;
        }
        for (const QString& source : run.sources)
            lines << QStringLiteral("  input ") + source;
        lines << QStringLiteral("  N = %1, mean = %2, SD = %3")
                     .arg(run.n)
                     .arg(Short(run.mean), Short(run.sd));
        QStringList cells;
        for (qsizetype i = 0; i < SimulationLevels.size(); ++i)
            cells << LevelLabel(SimulationLevels.at(i)) + QStringLiteral(" = ") +
                         Short(run.percentiles.value(i));
        lines << QStringLiteral("  ") + cells.join(QStringLiteral(", "));
        for (const OrderInterval& interval : run.intervals)
            lines << QStringLiteral("  95 % interval of %1: %2 to %3 (order statistics %4 and %5)")
                         .arg(LevelLabel(interval.level), Short(interval.low), Short(interval.high))
                         .arg(interval.lowRank)
                         .arg(interval.highRank);
        QStringList sensitivity;
        for (const auto& [name, rho] : run.sensitivity)
            sensitivity << name + QStringLiteral(" = ") + Short(rho);
        if (!sensitivity.isEmpty())
            lines << QStringLiteral("  sensitivity (Spearman): ") +
                         sensitivity.join(QStringLiteral(", "));
        QStringList achieved;
        for (const ScenarioCorrelation& c : run.achieved)
            achieved << c.a + u'-' + c.b + QStringLiteral(" = ") + Short(c.rank);
        if (!achieved.isEmpty())
            lines << QStringLiteral("  achieved rank correlations: ") +
                         achieved.join(QStringLiteral(", "));
        lines << QStringLiteral("  time: %1 s").arg(run.seconds, 0, 'f', 3);
    }
    if (result.cancelled)
        lines << QString() << QStringLiteral("cancelled");
    return lines;
}

QByteArray SimulationJson(const SimulationResult& result)
{
    const Scenario& s = result.scenario;
    QJsonObject top;
    top.insert(QStringLiteral("schema"), Scenario::SchemaVersion);
    top.insert(QStringLiteral("name"), s.name);
    top.insert(QStringLiteral("seed"), double(s.seed));
    top.insert(QStringLiteral("iterations"), double(s.iterations));
    top.insert(QStringLiteral("sampling"), SamplingName(s.sampling));
    if (result.cancelled)
        top.insert(QStringLiteral("cancelled"), true);
    QJsonArray runs;
    for (const RunResult& run : result.runs) {
        QJsonObject object;
        object.insert(QStringLiteral("group"),
                      run.group ? QJsonValue(*run.group) : QJsonValue(QJsonValue::Null));
        object.insert(QStringLiteral("age_min"), JsonNumber(run.ageMin));
        object.insert(QStringLiteral("age_max"), JsonNumber(run.ageMax));
        if (!run.error.isEmpty()) {
            object.insert(QStringLiteral("error"), run.error);
            runs << object;
            continue;
        }
        object.insert(QStringLiteral("n"), double(run.n));
        object.insert(QStringLiteral("mean"), JsonNumber(run.mean));
        object.insert(QStringLiteral("sd"), JsonNumber(run.sd));
        QJsonObject percentiles;
        for (qsizetype i = 0; i < SimulationLevels.size(); ++i)
            percentiles.insert(LevelKey(SimulationLevels.at(i)),
                               JsonNumber(run.percentiles.value(i)));
        object.insert(QStringLiteral("percentiles"), percentiles);
        QJsonObject ci;
        for (const OrderInterval& interval : run.intervals)
            ci.insert(LevelKey(interval.level),
                      QJsonObject{{QStringLiteral("low"), JsonNumber(interval.low)},
                                  {QStringLiteral("high"), JsonNumber(interval.high)},
                                  {QStringLiteral("low_rank"), double(interval.lowRank)},
                                  {QStringLiteral("high_rank"), double(interval.highRank)}});
        object.insert(QStringLiteral("ci"), ci);
        QJsonObject sensitivity;
        for (const auto& [name, rho] : run.sensitivity)
            sensitivity.insert(name, JsonNumber(rho));
        object.insert(QStringLiteral("sensitivity"), sensitivity);
        QJsonArray achieved;
        for (const ScenarioCorrelation& c : run.achieved)
            achieved << QJsonObject{{QStringLiteral("a"), c.a},
                                    {QStringLiteral("b"), c.b},
                                    {QStringLiteral("rank"), JsonNumber(c.rank)}};
        object.insert(QStringLiteral("achieved"), achieved);
        object.insert(QStringLiteral("sources"), QJsonArray::fromStringList(run.sources));
        runs << object;
    }
    top.insert(QStringLiteral("runs"), runs);
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

QStringList SimulationTableHeader()
{
    QStringList header{QStringLiteral("group"),   QStringLiteral("age group"),
                       QStringLiteral("age_min"), QStringLiteral("age_max"),
                       QStringLiteral("n"),       QStringLiteral("mean"),
                       QStringLiteral("sd")};
    for (double level : SimulationLevels)
        header << LevelLabel(level);
    header << QStringLiteral("P95 low") << QStringLiteral("P95 high") << QStringLiteral("P99 low")
           << QStringLiteral("P99 high") << QStringLiteral("error");
    return header;
}

QList<QStringList> SimulationTableRows(const SimulationResult& result)
{
    QList<QStringList> rows;
    for (const RunResult& run : result.runs) {
        QStringList row{run.group ? QString::number(*run.group) : QString(), run.caption,
                        Exact(run.ageMin), Exact(run.ageMax)};
        if (run.error.isEmpty()) {
            row << QString::number(run.n) << Exact(run.mean) << Exact(run.sd);
            for (double value : run.percentiles)
                row << Exact(value);
            for (const OrderInterval& interval : run.intervals)
                row << Exact(interval.low) << Exact(interval.high);
            row << QString();
        } else {
            for (int i = 0; i < 3 + SimulationLevels.size() + 4; ++i)
                row << QString();
            row << run.error;
        }
        rows << row;
    }
    return rows;
}

QList<WorkbookSheet> SimulationWorkbook(const SimulationResult& result)
{
    WorkbookSheet results;
    results.name = QStringLiteral("Results");
    QList<QVariant> header;
    for (const QString& title : SimulationTableHeader())
        header << title;
    results.rows << header;
    WorkbookSheet inputs;
    inputs.name = QStringLiteral("Inputs");
    inputs.rows << QList<QVariant>{QStringLiteral("group"), QStringLiteral("input")};
    auto number = [](double value) { return std::isnan(value) ? QVariant() : QVariant(value); };
    for (const RunResult& run : result.runs) {
        const QVariant group = run.group ? QVariant(*run.group) : QVariant();
        QList<QVariant> row{group, run.caption, number(run.ageMin), number(run.ageMax)};
        if (run.error.isEmpty()) {
            row << QVariant(run.n) << run.mean << run.sd;
            for (double value : run.percentiles)
                row << value;
            for (const OrderInterval& interval : run.intervals)
                row << interval.low << interval.high;
            row << QVariant();
        } else {
            for (int i = 0; i < 3 + SimulationLevels.size() + 4; ++i)
                row << QVariant();
            row << run.error;
        }
        results.rows << row;
        for (const QString& source : run.sources)
            inputs.rows << QList<QVariant>{group, source};
    }
    return {results, inputs};
}

QByteArray SimulationCsv(const SimulationResult& result)
{
    QString text;
    auto line = [&text](const QStringList& cells) {
        QStringList quoted;
        for (const QString& cell : cells)
            quoted << CsvCell(cell);
        text += quoted.join(u',') + u'\n';
    };
    line(SimulationTableHeader());
    for (const QStringList& row : SimulationTableRows(result))
        line(row);
    return text.toUtf8();
}

} // namespace veltra
