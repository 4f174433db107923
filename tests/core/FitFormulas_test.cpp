// The quantile formulas for R, Python, @RISK and Excel evaluated as written, against the
// program's own quantiles: every fit of the sample database and a table of hard cases.
// R runs in one Rscript process; Python, and @RISK and Excel through a translator of
// their functions to scipy, in one python3 process.
#include "convert/AgeGroup.h"
#include "convert/FitFormulas.h"
#include "data/DataTable.h"
#include "util/NumberFormat.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <cmath>

using namespace veltra;

namespace {

const QList<double> Levels{0.001, 0.01, 0.5, 0.99, 0.999};
constexpr double Tolerance = 1e-9;
constexpr double Inf = std::numeric_limits<double>::infinity();

GfFit Fit(FitFamily family, double q, double m1, double m2, double lambda, double p)
{
    GfFit fit;
    fit.family = family;
    fit.typeName = FamilyName(family);
    fit.q = q;
    fit.m1 = m1;
    fit.m2 = m2;
    fit.lambda = lambda;
    fit.p = p;
    return fit;
}

// The edges: GF next to the lognormal (m1 = m2 = 1e6), log-logistic shapes at or below 1
// and 2, m2 * p just above 1 and 2, q != 0, heavy tails, every family shifted.
const QList<GfFit> HardCases{
    Fit(FitFamily::GeneralF, 0, 1e6, 1e6, 0.0153, 0.0305),
    Fit(FitFamily::GeneralF, 5, 1e6, 1e6, 0.0153, 0.0305),
    Fit(FitFamily::LogLogistic, 0, 1, 1, 0.1, 0.8),
    Fit(FitFamily::LogLogistic, 2, 1, 1, 0.1, 1.5),
    Fit(FitFamily::LogLogistic, 0, 1, 1, 0.1, 1),
    Fit(FitFamily::GeneralF, 0, 2, 2, 0.2, 0.505),
    Fit(FitFamily::GeneralF, 0, 1.5, 2, 0.2, 1.01),
    Fit(FitFamily::GeneralF, 5, 3, 0.8, 1.2, 4),
    Fit(FitFamily::GeneralF, -3.5, 0.4, 0.3, 2.5, 0.7),
    Fit(FitFamily::GeneralF, 0, 100, 100, 0.0863584, 0.877209),
    Fit(FitFamily::Lognormal, 3.5, Inf, Inf, 0.5, 1.2),
    Fit(FitFamily::Lognormal, 0, Inf, Inf, 0.0153, 0.02),
    Fit(FitFamily::Gamma, 1, 0.6, Inf, 2, 1),
    Fit(FitFamily::Gamma, 0, 37.784942, Inf, 0.0852, 1),
    Fit(FitFamily::Weibull, -2, 1, Inf, 0.05, 0.4),
    Fit(FitFamily::Exponential, 2, 1, Inf, 0.25, 1),
};

struct Formula
{
    QString language;
    QString text;
    int fit = 0;
};

QList<GfFit> SampleFits()
{
    QList<GfFit> fits;
    const QDir dir(QStringLiteral(VELTRA_SAMPLE_DIR));
    for (const QString& name : dir.entryList({QStringLiteral("ef*.xml")}, QDir::Files)) {
        DataTable table;
        table.loadFromFile(dir.filePath(name));
        if (!table.hasField(QStringLiteral("GENERALF")))
            continue;
        for (int row = 0; row < table.recordCount(); ++row)
            for (const GfFitEntry& entry : ReadGfFitEntries(AgeGroupAt(table, row).gfLines))
                if (entry.error.isEmpty())
                    fits << entry.fit;
    }
    return fits;
}

QByteArray Run(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        qFatal("%s does not start (tools/install-deps.sh installs it)", qPrintable(program));
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(300000) || process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    return process.readAllStandardOutput();
}

// The R script: one line of 17-digit values per formula, "NA" where it fails.
QByteArray RScript(const QList<Formula>& formulas)
{
    QStringList levels;
    for (double level : Levels)
        levels << QString::number(level, 'g', 17);
    QString script = QStringLiteral("u <- c(") + levels.join(u',') +
                     QStringLiteral(")\nshow <- function(f) cat(sprintf('%.17g', "
                                    "tryCatch(f(u), error = function(e) rep(NA, length(u)))), "
                                    "'\\n')\n");
    for (const Formula& formula : formulas)
        script += QStringLiteral("show(function(u) ") + formula.text + QStringLiteral(")\n");
    return script.toUtf8();
}

} // namespace

class FitFormulasTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { SetDecimalSeparator(u'.'); }

    void formulasReproduceTheQuantiles_data()
    {
        QTest::addColumn<bool>("sample");
        QTest::newRow("hard cases") << false;
        QTest::newRow("every fit of the sample") << true;
    }
    void formulasReproduceTheQuantiles()
    {
        QFETCH(bool, sample);
        const QList<GfFit> fits = sample ? SampleFits() : HardCases;
        QVERIFY(!fits.isEmpty());

        QList<Formula> rFormulas;
        QList<Formula> others;
        QList<QList<double>> expected;
        for (int i = 0; i < fits.size(); ++i) {
            const FitDistribution distribution(fits.at(i));
            QList<double> values;
            for (double level : Levels)
                values << distribution.quantile(level);
            expected << values;
            rFormulas << Formula{QStringLiteral("r"), RFormula(fits.at(i)), i};
            others << Formula{QStringLiteral("python"), PythonFormula(fits.at(i)), i}
                   << Formula{QStringLiteral("atrisk"), AtRiskFormula(distribution), i}
                   << Formula{QStringLiteral("excel"), ExcelFormula(fits.at(i)), i};
            SetDecimalSeparator(u',');
            others << Formula{QStringLiteral("excel_local"),
                              ExcelFormula(fits.at(i), ExcelForm::Local), i};
            SetDecimalSeparator(u'.');
        }

        QJsonArray formulas;
        for (const Formula& formula : std::as_const(others))
            formulas << QJsonObject{{"language", formula.language}, {"text", formula.text}};
        QJsonArray u;
        for (double level : Levels)
            u << level;
        const QJsonArray translated =
            QJsonDocument::fromJson(
                Run(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(VELTRA_TEST_DATA_DIR "/../core/formula_translator.py")},
                    QJsonDocument(QJsonObject{{"u", u}, {"formulas", formulas}}).toJson()))
                .array();
        QCOMPARE(translated.size(), others.size());
        const QStringList rLines = QString::fromUtf8(Run(QStringLiteral("Rscript"),
                                                         {QStringLiteral("-")}, RScript(rFormulas)))
                                       .split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(rLines.size(), rFormulas.size());

        auto check = [&](const Formula& formula, const QList<std::optional<double>>& values) {
            const QList<double>& ours = expected.at(formula.fit);
            for (int j = 0; j < Levels.size(); ++j) {
                const bool agrees = values.at(j) ? std::abs(*values.at(j) - ours.at(j)) <=
                                                       Tolerance * std::abs(ours.at(j))
                                                 : !std::isfinite(ours.at(j));
                if (!agrees)
                    return formula.language + QStringLiteral(" at u = %1: %2 gives %3, not %4")
                                                  .arg(Levels.at(j))
                                                  .arg(formula.text)
                                                  .arg(values.at(j)
                                                           ? QString::number(*values.at(j), 'g', 17)
                                                           : QStringLiteral("nothing"))
                                                  .arg(ours.at(j), 0, 'g', 17);
            }
            return QString();
        };
        for (int i = 0; i < others.size(); ++i) {
            const QJsonValue result = translated.at(i);
            QVERIFY2(result.isArray(),
                     qPrintable(others.at(i).text + QStringLiteral(": ") + result.toString()));
            QList<std::optional<double>> values;
            for (const QJsonValue& value : result.toArray())
                values << (value.isNull() ? std::nullopt : std::optional(value.toDouble()));
            const QString fault = check(others.at(i), values);
            QVERIFY2(fault.isEmpty(), qPrintable(fault));
        }
        for (int i = 0; i < rFormulas.size(); ++i) {
            QList<std::optional<double>> values;
            for (const QString& word : rLines.at(i).split(u' ', Qt::SkipEmptyParts)) {
                bool ok = false;
                const double value = word.toDouble(&ok);
                values << (ok && std::isfinite(value) ? std::optional(value) : std::nullopt);
            }
            QCOMPARE(values.size(), Levels.size());
            const QString fault = check(rFormulas.at(i), values);
            QVERIFY2(fault.isEmpty(), qPrintable(fault));
        }
    }

    // A parameter whose formula number is not finite gives the reason, never "inf".
    void noFormulaHoldsAnInfiniteNumber()
    {
        const GfFit fit = Fit(FitFamily::Weibull, 0, 1, Inf, 1e-320, 2);
        const FitDistribution distribution(fit);
        for (const QString& formula :
             {RFormula(fit), PythonFormula(fit), AtRiskFormula(distribution), ExcelFormula(fit)}) {
            QCOMPARE(formula, QStringLiteral("no formula: the scale is too large for a number"));
            QVERIFY(IsMissingFormula(formula));
        }
    }

    void excelLocalForm()
    {
        const GfFit fit = Fit(FitFamily::Lognormal, 1.5, Inf, Inf, 0.5, 4);
        QCOMPARE(ExcelFormula(fit),
                 QStringLiteral("=1.5 + LOGNORM.INV(u, 0.6931471805599453, 0.25)"));
        SetDecimalSeparator(u',');
        QCOMPARE(ExcelFormula(fit, ExcelForm::Local),
                 QStringLiteral("=1,5 + LOGNORM.INV(u; 0,6931471805599453; 0,25)"));
        QCOMPARE(ExcelFormula(fit, ExcelForm::English),
                 QStringLiteral("=1.5 + LOGNORM.INV(u, 0.6931471805599453, 0.25)"));
    }
};

QTEST_MAIN(FitFormulasTest)
#include "FitFormulas_test.moc"
