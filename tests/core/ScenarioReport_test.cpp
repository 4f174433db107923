// The scenario report written as RTF and PDF and read back by independent readers
// (unrtf, pdftotext, pdfinfo): the scenario's settings, its inputs with their sources, the
// correlations, and every number of the text output's result lines, on either paper.
#include "scenario/ScenarioReport.h"
#include "scenario/SimulationOutput.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace veltra;

namespace {

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60'000) || process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Blanks and line breaks collapsed, so a wrapped line reads as one.
QString Collapsed(const QString& text)
{
    return text.simplified();
}

} // namespace

class ScenarioReportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readersFindTheScenarioAndItsResults_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("paper");
        QTest::newRow("rtf a4") << QStringLiteral("report.rtf") << QStringLiteral("a4");
        QTest::newRow("pdf a4") << QStringLiteral("report.pdf") << QStringLiteral("a4");
        QTest::newRow("pdf letter") << QStringLiteral("report.PDF") << QStringLiteral("letter");
    }

    void readersFindTheScenarioAndItsResults()
    {
        QFETCH(QString, file);
        QFETCH(QString, paper);
        const bool pdf = file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
        const QString reader = pdf ? QStringLiteral("pdftotext") : QStringLiteral("unrtf");
        if (QStandardPaths::findExecutable(reader).isEmpty())
            QSKIP(qPrintable(reader + QStringLiteral(" is not installed")));

        // Group 1 has no intake group for its age (the intake data start at 18): its run
        // is reported with the reason.
        const Scenario scenario = ReadScenario(R"j({"schema": 1, "name": "Intake per weight",
            "formula": "IR * C / BW", "output": {"name": "dose", "unit": "mg/(kg d)"},
            "iterations": 3000, "seed": 5, "ages": [1, 13, 15], "inputs": [
            {"name": "BW", "parameter": 1001, "fit": "GeneralF"},
            {"name": "IR", "parameter": 1004, "fit": "empirical"},
            {"name": "C", "distribution": "lognormal", "gm": 30, "gsd": 2, "truncate": [5, 200]}],
            "correlations": [{"a": "BW", "b": "IR", "rank": 0.4}]})j",
                                               QStringLiteral("test"));
        RunOptions options;
        options.databaseDir = QStringLiteral(VELTRA_SAMPLE_DIR);
        const SimulationResult result = RunScenario(scenario, options);
        QCOMPARE(result.runs.size(), 3);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(file);
        WriteScenarioReport(result, path, paper == u"a4" ? PaperSize::A4 : PaperSize::Letter);
        const QString text =
            Collapsed(pdf ? Run(reader, {QStringLiteral("-layout"), path, QStringLiteral("-")})
                          : Run(reader, {QStringLiteral("--text"), path}));

        QStringList expected{
            QStringLiteral("Exposure Scenario : Intake per weight"),
            QStringLiteral("dose = IR * C / BW"),
            QStringLiteral("mg/(kg d)"),
            QStringLiteral("Iterations : 3000"),
            QStringLiteral("Seed : 5"),
            QStringLiteral("Latin hypercube"),
            QStringLiteral("parameter ID 1001 (BW_kg)"),
            QStringLiteral("fit GeneralF"),
            QStringLiteral("parameter ID 1004"),
            QStringLiteral("fit empirical"),
            QStringLiteral("Data file ef0001.xml"),
            QStringLiteral("Data file ef0004.xml"),
            QStringLiteral("Body weight (kg) of males and females aged 0 to 80 years"),
            QStringLiteral("lognormal(gm = 30, gsd = 2) truncated to [5, 200]"),
            QStringLiteral("BW IR 0.4"),
            QStringLiteral("IR: ID 1004 has no age group for age 0.5")};
        // Every number of the text output's result lines: N, mean, SD, the percentiles,
        // the intervals' bounds and the sensitivities.
        static const QRegularExpression number(QStringLiteral("= (-?[0-9.e+-]+)"));
        static const QRegularExpression interval(QStringLiteral("(\\S+) to (\\S+) \\(order"));
        for (const QString& line : SimulationLines(result)) {
            if (line.startsWith(QStringLiteral("  input ")))
                continue;
            for (const auto& match : number.globalMatch(line))
                expected << match.captured(1);
            for (const auto& match : interval.globalMatch(line))
                expected << match.captured(1) + QStringLiteral(" - ") + match.captured(2);
        }
        for (const QString& piece : expected)
            QVERIFY2(text.contains(piece), qPrintable(QStringLiteral("not found: ") + piece));

        if (pdf) {
            const QString info = Run(QStringLiteral("pdfinfo"), {path});
            QVERIFY2(
                info.contains(paper == u"a4" ? QStringLiteral("(A4)") : QStringLiteral("(letter)")),
                qPrintable(info));
        } else {
            QVERIFY(text.contains(QStringLiteral("RESULTS")));
        }
    }
};

QTEST_MAIN(ScenarioReportTest)
#include "ScenarioReport_test.moc"
