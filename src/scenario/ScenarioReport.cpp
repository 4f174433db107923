#include "scenario/ScenarioReport.h"

#include "reports/DocumentationReport.h"
#include "reports/PdfExport.h"
#include "scenario/SimulationOutput.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace veltra {

namespace {

const QString DashLine(71, QLatin1Char('-'));

QString Short(double value)
{
    if (std::isnan(value))
        return QStringLiteral("undefined");
    return QString::number(value, 'g', 6);
}

// Appends paragraphs, each marked with its kind and block number as the documentation
// report marks its own, so the writers keep headers with their blocks and tables whole.
class Writer
{
public:
    explicit Writer(QTextDocument& document) : m_cursor(&document) {}

    void line(const QString& text, ReportBlockKind kind = ReportBlockKind::Line)
    {
        lines({text}, kind);
    }

    void header(const QString& title)
    {
        lines({DashLine, title}, ReportBlockKind::Header);
        line(QString());
    }

    // Lines of one block: a table keeps its columns and its first line is its heading.
    void lines(const QStringList& texts, ReportBlockKind kind)
    {
        if (texts.isEmpty())
            return;
        if (m_started)
            m_cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        m_started = true;
        const int first = m_cursor.block().blockNumber();
        m_cursor.insertText(texts.join(QLatin1Char('\n')), QTextCharFormat());
        MarkReportBlock(*m_cursor.document(), first, m_cursor.block().blockNumber(), kind,
                        ++m_group);
    }

    // A table of columns separated by two blanks; columns after the first `left` ones are
    // right-aligned (numbers).
    void table(const QStringList& head, const QList<QStringList>& rows, int left = 1)
    {
        QList<qsizetype> widths(head.size(), 0);
        for (qsizetype c = 0; c < head.size(); ++c)
            widths[c] = head.at(c).size();
        for (const QStringList& row : rows)
            for (qsizetype c = 0; c < row.size() && c < widths.size(); ++c)
                widths[c] = std::max(widths[c], row.at(c).size());
        auto format = [&](const QStringList& cells) {
            QString text;
            for (qsizetype c = 0; c < widths.size(); ++c) {
                const QString cell = cells.value(c);
                if (c > 0)
                    text += QStringLiteral("  ");
                text += c < left ? cell.leftJustified(widths[c]) : cell.rightJustified(widths[c]);
            }
            return text.trimmed().isEmpty() ? QString() : QString(text).remove(trailing);
        };
        QStringList texts{format(head)};
        for (const QStringList& row : rows)
            texts << format(row);
        lines(texts, ReportBlockKind::Table);
    }

private:
    static inline const QRegularExpression trailing{QStringLiteral("\\s+$")};
    QTextCursor m_cursor;
    bool m_started = false;
    int m_group = 0;
};

QString AgeRange(double low, double high)
{
    if (std::isnan(low) || std::isnan(high))
        return QString();
    return Short(low) + QStringLiteral(" - ") + Short(high);
}

// What a user input or constant draws from, as the scenario gives it.
QString UserSource(const ScenarioInput& input)
{
    if (input.kind == ScenarioInput::Kind::Constant)
        return QStringLiteral("constant ") + Short(input.constant);
    QStringList parameters;
    for (const QStringList& set : DistributionParameterSets(input.distribution))
        for (const QString& key : set)
            if (input.parameters.contains(key))
                parameters << key + QStringLiteral(" = ") + Short(input.parameters.value(key));
    QString text = input.distribution + u'(' + parameters.join(QStringLiteral(", ")) + u')';
    if (input.truncate)
        text += QStringLiteral(" truncated to [%1, %2]")
                    .arg(Short(input.truncate->first), Short(input.truncate->second));
    return text;
}

// The first origin any run found for input i.
const InputOrigin* FirstOrigin(const SimulationResult& result, qsizetype i)
{
    for (const RunResult& run : result.runs)
        if (run.origins.size() > i && run.origins.at(i))
            return &*run.origins.at(i);
    return nullptr;
}

} // namespace

std::unique_ptr<QTextDocument> BuildScenarioReport(const SimulationResult& result)
{
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(ReportFont());
    QTextOption textOption = document->defaultTextOption();
    textOption.setTabStopDistance(DefaultTabStopDistance());
    document->setDefaultTextOption(textOption);
    Writer report(*document);
    const Scenario& s = result.scenario;

    report.line(QStringLiteral("Exposure Scenario : ") + s.name);
    report.line(QString());
    QString lead;
    for (const ScenarioInput& input : s.inputs)
        if (input.kind == ScenarioInput::Kind::Database && !input.group) {
            lead = input.name;
            break;
        }
    QStringList groups;
    for (int group : s.ages)
        groups << QString::number(group);
    const QString ages =
        lead.isEmpty() ? QStringLiteral("one run (no input follows the age)")
        : s.ages.isEmpty()
            ? QStringLiteral("every age group of ") + lead
            : QStringLiteral("age groups %1 of %2").arg(groups.join(QStringLiteral(", ")), lead);
    report.lines(
        {QStringLiteral("Formula    : ") + s.outputName + QStringLiteral(" = ") + s.formula,
         QStringLiteral("Unit       : ") + s.outputUnit,
         QStringLiteral("Iterations : %1").arg(s.iterations),
         QStringLiteral("Seed       : %1").arg(s.seed),
         QStringLiteral("Sampling   : ") + (s.sampling == Sampling::LatinHypercube
                                                ? QStringLiteral("Latin hypercube")
                                                : QStringLiteral("random")),
         QStringLiteral("Ages       : ") + ages},
        ReportBlockKind::Line);
    report.line(QString());

    report.header(QStringLiteral("INPUTS"));
    QList<QStringList> inputRows;
    QStringList parameters;
    for (qsizetype i = 0; i < s.inputs.size(); ++i) {
        const ScenarioInput& input = s.inputs.at(i);
        if (input.kind != ScenarioInput::Kind::Database) {
            inputRows << QStringList{input.name, QStringLiteral("user"), UserSource(input)};
            continue;
        }
        const QString which = input.group ? QStringLiteral("age group %1").arg(*input.group)
                                          : QStringLiteral("the age group of each run");
        const InputOrigin* origin = FirstOrigin(result, i);
        inputRows << QStringList{
            input.name, QStringLiteral("database"),
            QStringLiteral("parameter ID %1%2, %3, fit %4")
                .arg(input.parameterId)
                .arg(origin ? QStringLiteral(" (%1)").arg(origin->variable) : QString())
                .arg(which, input.fit)};
        // The parameter as the documentation report names it, as running text that wraps.
        if (origin)
            parameters << QStringLiteral("%1, parameter ID %2: %3. Data file %4, source %5.")
                              .arg(input.name)
                              .arg(input.parameterId)
                              .arg(origin->title, origin->dataFile, origin->dataSource);
    }
    report.table({QStringLiteral("Input"), QStringLiteral("Kind"), QStringLiteral("Drawn from")},
                 inputRows, 3);
    report.line(QString());
    for (const QString& text : parameters) {
        report.line(text, ReportBlockKind::Prose);
        report.line(QString());
    }
    if (!s.correlations.isEmpty()) {
        QList<QStringList> rows;
        for (const ScenarioCorrelation& c : s.correlations)
            rows << QStringList{c.a, c.b, Short(c.rank)};
        report.table({QStringLiteral("Input a"), QStringLiteral("Input b"),
                      QStringLiteral("Rank correlation")},
                     rows, 2);
        report.line(QString());
    }

    // The result table, split in two so each half fits a portrait page.
    report.header(QStringLiteral("RESULTS"));
    QStringList first{QStringLiteral("Run"), QStringLiteral("Ages"), QStringLiteral("N"),
                      QStringLiteral("Mean"), QStringLiteral("SD")};
    QStringList second{QStringLiteral("Run")};
    const qsizetype half = SimulationLevels.indexOf(0.5) + 1;
    for (qsizetype k = 0; k < SimulationLevels.size(); ++k)
        (k < half ? first : second) << LevelLabel(SimulationLevels.at(k));
    second << QStringLiteral("P95 95 % CI") << QStringLiteral("P99 95 % CI");
    QList<QStringList> firstRows, secondRows;
    for (const RunResult& run : result.runs) {
        const QString name =
            run.group ? QStringLiteral("Group %1").arg(*run.group) : QStringLiteral("Run");
        if (!run.error.isEmpty()) {
            firstRows << QStringList{name, AgeRange(run.ageMin, run.ageMax),
                                     QStringLiteral("not run")};
            secondRows << QStringList{name};
            continue;
        }
        QStringList a{name, AgeRange(run.ageMin, run.ageMax), QString::number(run.n),
                      Short(run.mean), Short(run.sd)};
        QStringList b{name};
        for (qsizetype k = 0; k < run.percentiles.size(); ++k)
            (k < half ? a : b) << Short(run.percentiles.at(k));
        for (const OrderInterval& interval : run.intervals)
            b << Short(interval.low) + QStringLiteral(" - ") + Short(interval.high);
        firstRows << a;
        secondRows << b;
    }
    report.table(first, firstRows, 2);
    report.line(QString());
    report.table(second, secondRows, 1);
    report.line(QString());

    for (const RunResult& run : result.runs) {
        report.header(run.group ? QStringLiteral("Group %1: %2").arg(*run.group).arg(run.caption)
                                : QStringLiteral("Run"));
        if (!run.error.isEmpty()) {
            report.line(QStringLiteral("Not run: ") + run.error);
            report.line(QString());
            continue;
        }
        QList<QStringList> rows;
        for (qsizetype i = 0; i < run.sources.size() && i < s.inputs.size(); ++i) {
            QString source = run.sources.at(i);
            source.remove(0, s.inputs.at(i).name.size() + 2); // "NAME: "
            rows << QStringList{s.inputs.at(i).name, source};
            if (run.origins.size() > i && run.origins.at(i)) {
                const InputOrigin& origin = *run.origins.at(i);
                rows << QStringList{QString(), QStringLiteral("%1 group %2: %3")
                                                   .arg(origin.dataFile)
                                                   .arg(origin.group)
                                                   .arg(origin.caption)};
            }
        }
        report.table({QStringLiteral("Input"), QStringLiteral("Drawn from")}, rows, 2);
        report.line(QString());
        QList<QStringList> sensitivity;
        for (const auto& [name, rho] : run.sensitivity)
            sensitivity << QStringList{name, Short(rho)};
        if (!sensitivity.isEmpty()) {
            report.table({QStringLiteral("Input"), QStringLiteral("Sensitivity (Spearman)")},
                         sensitivity, 1);
            report.line(QString());
        }
        QList<QStringList> achieved;
        for (const ScenarioCorrelation& c : run.achieved)
            achieved << QStringList{c.a, c.b, Short(c.rank)};
        if (!achieved.isEmpty()) {
            report.table({QStringLiteral("Input a"), QStringLiteral("Input b"),
                          QStringLiteral("Achieved rank correlation")},
                         achieved, 2);
            report.line(QString());
        }
    }
    return document;
}

void WriteScenarioReport(const SimulationResult& result, const QString& path, PaperSize paper)
{
    const std::unique_ptr<QTextDocument> document = BuildScenarioReport(result);
    WriteReportFile(*document, path, paper);
}

} // namespace veltra
