// The fitted distributions against scipy as an independent reference: quantiles,
// distribution function, mean and SD of every family, with the edge cases of existence
// and of the limits; the Python formulas evaluated as written; the reading of GF
// blocks and the messages for parameters outside their domain.
#include "convert/Distributions.h"
#include "convert/FitFormulas.h"
#include "util/VeltraError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <cmath>

using namespace veltra;

namespace {

const QList<double> Levels{0.001, 0.01, 0.05, 0.25, 0.5, 0.75, 0.95, 0.99, 0.999};

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

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double Nan = std::numeric_limits<double>::quiet_NaN();

// Parameter sets of every family, with the edges: log-logistic shapes at or below 1 and
// 2, m2 * p just above 1 and 2, GF with m1 = m2 = 1e6 (close to the lognormal), q != 0.
const QList<GfFit> Cases{
    Fit(FitFamily::Lognormal, 0, Inf, Inf, 0.0153, 21),
    Fit(FitFamily::Lognormal, 3.5, Inf, Inf, 0.5, 1.2),
    Fit(FitFamily::Gamma, 0, 2.5, Inf, 0.4, 1),
    Fit(FitFamily::Gamma, 1, 0.6, Inf, 2, 1),
    Fit(FitFamily::Weibull, 0, 1, Inf, 0.05, 1.8),
    Fit(FitFamily::LogLogistic, 0, 1, 1, 0.1, 3),
    Fit(FitFamily::LogLogistic, 2, 1, 1, 0.1, 1.5),
    Fit(FitFamily::LogLogistic, 0, 1, 1, 0.1, 0.8),
    Fit(FitFamily::Exponential, 2, 1, Inf, 0.25, 1),
    Fit(FitFamily::GeneralF, 0, 2, 3, 0.05, 1.5),
    Fit(FitFamily::GeneralF, 0, 2, 2, 0.2, 0.55),
    Fit(FitFamily::GeneralF, 0, 1.5, 2, 0.2, 1.05),
    Fit(FitFamily::GeneralF, 5, 1e6, 1e6, 0.0153, 0.0305),
    Fit(FitFamily::GeneralF, 5, 3, 0.8, 1.2, 4),
};

bool Close(double actual, double expected, double relative)
{
    return std::abs(actual - expected) <= relative * std::max(1.0, std::abs(expected));
}

} // namespace

class DistributionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void agreesWithScipy()
    {
        QJsonArray request;
        for (const GfFit& fit : Cases) {
            const FitDistribution distribution(fit);
            QJsonArray u;
            QJsonArray x;
            for (double level : Levels) {
                u << level;
                x << distribution.quantile(level);
            }
            auto number = [](double v) {
                return std::isinf(v) ? QJsonValue(1e308) : QJsonValue(v);
            };
            request << QJsonObject{{"family", FamilyName(fit.family)},
                                   {"q", fit.q},
                                   {"m1", number(fit.m1)},
                                   {"m2", number(fit.m2)},
                                   {"lambda", fit.lambda},
                                   {"p", fit.p},
                                   {"u", u},
                                   {"x", x},
                                   {"python", PythonFormula(fit)}};
        }
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(VELTRA_TEST_DATA_DIR "/../core/scipy_reference.py")});
        QVERIFY2(python.waitForStarted(), "no /usr/bin/python3 (tools/install-deps.sh)");
        python.write(QJsonDocument(request).toJson());
        python.closeWriteChannel();
        QVERIFY(python.waitForFinished(120000));
        QVERIFY2(python.exitCode() == 0,
                 qPrintable(QString::fromUtf8(python.readAllStandardError()) +
                            "\n(python3-scipy is installed by tools/install-deps.sh)"));
        const QJsonArray results = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        QCOMPARE(results.size(), Cases.size());

        for (int i = 0; i < Cases.size(); ++i) {
            const FitDistribution distribution(Cases.at(i));
            const QJsonObject result = results.at(i).toObject();
            const QString name =
                FamilyName(Cases.at(i).family) + QStringLiteral(" case ") + QString::number(i);
            for (int j = 0; j < Levels.size(); ++j) {
                const double ours = distribution.quantile(Levels.at(j));
                const double scipy = result["quantiles"].toArray().at(j).toDouble();
                const double formula = result["formula"].toArray().at(j).toDouble();
                QVERIFY2(Close(ours, scipy, 1e-9),
                         qPrintable(name + QStringLiteral(": quantile %1: %2 vs scipy %3")
                                               .arg(Levels.at(j))
                                               .arg(ours, 0, 'g', 17)
                                               .arg(scipy, 0, 'g', 17)));
                QVERIFY2(Close(formula, ours, 1e-9),
                         qPrintable(name + QStringLiteral(": the Python formula gives %1, not %2")
                                               .arg(formula, 0, 'g', 17)
                                               .arg(ours, 0, 'g', 17)));
                // The distribution function inverts the quantile.
                QVERIFY2(
                    std::abs(distribution.cdf(ours) - Levels.at(j)) < 1e-10,
                    qPrintable(name + QStringLiteral(": cdf(quantile(%1))").arg(Levels.at(j))));
                // scipy's F distribution function is accurate to about 4e-7 only at a
                // million degrees of freedom: at the median of F(2e6, 2e6), exactly 1, it
                // gives 0.49999961. Our own inversion above is held to 1e-10.
                QVERIFY2(std::abs(result["cdf"].toArray().at(j).toDouble() - Levels.at(j)) < 1e-6,
                         qPrintable(
                             name +
                             QStringLiteral(": scipy's cdf at our quantile %1").arg(Levels.at(j))));
            }
            for (const auto& [key, ours] :
                 {std::pair{"mean", distribution.mean()}, std::pair{"sd", distribution.sd()}}) {
                const QJsonValue scipy = result[QLatin1String(key)];
                QVERIFY2(scipy.isNull() == !ours.has_value(),
                         qPrintable(name + QStringLiteral(": %1 exists here: %2, in scipy: %3")
                                               .arg(key)
                                               .arg(ours.has_value())
                                               .arg(!scipy.isNull())));
                if (ours)
                    QVERIFY2(Close(*ours, scipy.toDouble(), 1e-7),
                             qPrintable(name + QStringLiteral(": %1 %2 vs scipy %3")
                                                   .arg(key)
                                                   .arg(*ours, 0, 'g', 17)
                                                   .arg(scipy.toDouble(), 0, 'g', 17)));
            }
        }
    }

    void densityIsTheSlopeOfTheDistributionFunction()
    {
        for (const GfFit& fit : Cases) {
            const FitDistribution distribution(fit);
            for (double level : {0.1, 0.5, 0.9}) {
                const double x = distribution.quantile(level);
                const double h = 1e-6 * std::max(1.0, std::abs(x));
                const double slope = (distribution.cdf(x + h) - distribution.cdf(x - h)) / (2 * h);
                QVERIFY2(Close(distribution.density(x), slope, 1e-4 * std::max(1.0, slope)),
                         qPrintable(FamilyName(fit.family) + QStringLiteral(" at %1").arg(level)));
            }
            QCOMPARE(distribution.cdf(fit.q), 0.0);
            QCOMPARE(distribution.density(fit.q - 1), 0.0);
            QCOMPARE(distribution.quantile(0), fit.q);
            QVERIFY(std::isinf(distribution.quantile(1)));
        }
    }

    void drawnCurvesFollowTheExactFunction()
    {
        // The curves' double arithmetic stays within a billionth of the printed values
        // (far below a pixel), at the ends and in both tails too; the largest difference,
        // 6e-11, is a GF fit with a million degrees of freedom.
        for (const GfFit& fit : Cases) {
            const FitDistribution distribution(fit);
            QCOMPARE(distribution.drawnCdf(fit.q), 0.0);
            QCOMPARE(distribution.drawnCdf(std::numeric_limits<double>::infinity()), 1.0);
            for (double level : {1e-6, 0.01, 0.3, 0.5, 0.7, 0.99, 1 - 1e-6}) {
                const double x = distribution.quantile(level);
                const double exact = distribution.cdf(x);
                QVERIFY2(std::abs(distribution.drawnCdf(x) - exact) <= 1e-9 * exact,
                         qPrintable(FamilyName(fit.family) +
                                    QStringLiteral(" at %1: %2 vs %3")
                                        .arg(level)
                                        .arg(distribution.drawnCdf(x), 0, 'g', 17)
                                        .arg(exact, 0, 'g', 17)));
            }
        }
    }

    void readsTheFitsOfABlock()
    {
        const QList<GfFit> fits =
            ReadGfFits({"TYPE=GeneralF;", "PT= 0 200 200 0.0153 21;", "KS=0.0502;",
                        "TYPE=Lognormal;", "PT=1.5 0.0153 21;", "KS=0.0600;", "TYPE=Unknown;",
                        "PT=1 2 3;", "KS=0.9;", "TYPE=Gamma;", "PT=0 2.5 0.4;", "AP=1.25;",
                        "TYPE=Exponential;", "PT=0 0.25;", "KS=0.3;"});
        QCOMPARE(fits.size(), 4);
        QCOMPARE(fits.at(0).family, FitFamily::GeneralF);
        QCOMPARE(fits.at(0).m1, 200.0);
        QCOMPARE(fits.at(0).p, 21.0);
        QCOMPARE(fits.at(0).fitLabel, QStringLiteral("KS"));
        QCOMPARE(fits.at(0).fitStatistic, 0.0502);
        QCOMPARE(fits.at(1).q, 1.5);
        QCOMPARE(fits.at(1).lambda, 0.0153);
        QCOMPARE(fits.at(2).family, FitFamily::Gamma);
        QCOMPARE(fits.at(2).m1, 2.5);
        QCOMPARE(fits.at(2).lambda, 0.4);
        QCOMPARE(fits.at(2).fitLabel, QStringLiteral("AP"));
        QCOMPARE(fits.at(3).lambda, 0.25);
    }

    // Parameters at the ends of the range: every value is computed in bounded time, a
    // moment beyond the range of a double is infinite (its SD too, never 0), and what the
    // numerical library cannot compute is a VeltraError naming the fit and its parameters.
    void extremeParameters_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<double>("mean"); // NaN: an error
        QTest::addColumn<double>("sd");
        QTest::addColumn<QString>("error");
        QTest::newRow("GF with p = 1e-9") << "GeneralF|PT= 0 1 1e10 1 1e-9;" << Inf << Inf << "";
        QTest::newRow("lognormal, sdlog 50") << "Lognormal|PT=0 1 0.02;" << Inf << Inf << "";
        QTest::newRow("Weibull shape 1e-3")
            << "Weibull|PT=0 1 1e-3;" << Nan << Nan
            << "Weibull, line 2 (q = 0, lambda = 1, p = 0.001): the mean is too large for a number";
        QTest::newRow("m1 = m2 = 1e308")
            << "GeneralF|PT=0 1e308 1e308 1 1;" << Nan << Nan
            << "GeneralF, line 2 (q = 0, m1 = 1e+308, m2 = 1e+308, lambda = 1, p = 1): m1 is "
               "above 1e15, beyond which its quantiles cannot be computed";
    }
    void extremeParameters()
    {
        QFETCH(QString, line);
        QFETCH(double, mean);
        QFETCH(double, sd);
        QFETCH(QString, error);
        const QStringList parts = line.split(u'|');
        const QList<GfFit> fits = ReadGfFits(
            {QStringLiteral("TYPE=") + parts.at(0) + u';', parts.at(1), QStringLiteral("KS=0.1;")});
        QCOMPARE(fits.size(), 1);
        try {
            const FitDistribution distribution(fits.first());
            const std::optional<double> m = distribution.mean();
            const std::optional<double> s = distribution.sd();
            QVERIFY2(error.isEmpty(), "no error");
            QVERIFY(m && s);
            QVERIFY2(Close(*m, mean, 1e-9) || *m == mean, qPrintable(QString::number(*m)));
            QCOMPARE(*s, sd);
        } catch (const VeltraError& failure) {
            QCOMPARE(failure.message(), error);
        }
    }

    // A description that cannot be read becomes an entry with its reason; the block's
    // other fits are read.
    void badDescriptionLeavesTheOthers()
    {
        const QList<GfFitEntry> entries =
            ReadGfFitEntries({"TYPE=Weibull;", "PT=0 0.08;", "KS=0.05;", "TYPE=GeneralF;",
                              "PT= 0 200 200 0.0153 21;", "AP=0.0502;"});
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).error, QStringLiteral("Weibull, line 2: p is missing"));
        QCOMPARE(entries.at(0).fit.fitLabel, QStringLiteral("KS"));
        QCOMPARE(entries.at(1).error, QString());
        QCOMPARE(entries.at(1).fit.m1, 200.0);
        QCOMPARE(entries.at(1).fit.line, 5);
        QCOMPARE(entries.at(1).fit.position, 1);
        QVERIFY_THROWS_EXCEPTION(VeltraError, ReadGfFits({"TYPE=Weibull;", "PT=0 0.08;"}));
    }

    void parametersOutsideTheirDomain_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("message");
        QTest::newRow("lambda 0")
            << QStringList{"TYPE=Weibull;", "PT=0 0 2;", "KS=0.1;"}
            << "Weibull: the parameter lambda must be greater than 0, not 0 (line 2)";
        QTest::newRow("p negative")
            << QStringList{"TYPE=Lognormal;", "PT=0 0.5 -2;"}
            << "Lognormal: the parameter p must be greater than 0, not -2 (line 2)";
        QTest::newRow("m2 zero")
            << QStringList{"TYPE=GeneralF;", "PT=0 1 0 1 1;"}
            << "GeneralF: the parameter m2 must be greater than 0, not 0 (line 2)";
        QTest::newRow("m1 negative")
            << QStringList{"TYPE=Gamma;", "PT=0 -1 1;"}
            << "Gamma: the parameter m1 must be greater than 0, not -1 (line 2)";
        QTest::newRow("not a number") << QStringList{"KS=1;", "TYPE=Gamma;", "PT=0 2,5x 1;"}
                                      << "Gamma, line 3: lambda is not a number: \"5x\"";
        QTest::newRow("missing word") << QStringList{"TYPE=Exponential;", "PT=0;"}
                                      << "Exponential, line 2: lambda is missing";
    }
    void parametersOutsideTheirDomain()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, message);
        try {
            ReadGfFits(lines);
            QFAIL("no error");
        } catch (const VeltraError& error) {
            QCOMPARE(error.message(), message);
        }
    }
};

QTEST_MAIN(DistributionsTest)
#include "Distributions_test.moc"
