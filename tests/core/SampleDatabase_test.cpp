// The bundled sample database: its tables load, its levels link up, the Info lines
// carry what the restriction panel and the search index read, and the statistics of
// every age group agree with the GF lines that the conversion turns into parameters.
#include "app/Restrictions.h"
#include "convert/ConvertParameterSets.h"
#include "convert/Distributions.h"
#include "data/DataTable.h"
#include "util/NumberFormat.h"
#include "util/RtfReader.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <cmath>

using namespace veltra;

namespace {

QString SamplePath(const QString& name)
{
    return QDir(QStringLiteral(VELTRA_SAMPLE_DIR)).filePath(name);
}

/// The value of the first Info line whose first word is label, from position 25 on,
/// without its carriage return; a null text when there is no such line.
QString LabelValue(const QStringList& infoLines, const QString& label)
{
    for (const QString& line : infoLines) {
        if (line.section(u' ', 0, 0) == label) {
            return line.mid(24).chopped(1);
        }
    }
    return QString();
}

/// The number after `key` in a converted parameter text ("Mean m=4.283, ...").
double ParameterAfter(const QString& row, const QString& key)
{
    const qsizetype at = row.indexOf(key);
    if (at < 0) {
        return std::nan("");
    }
    const QString rest = row.mid(at + key.size()).section(u',', 0, 0).trimmed();
    bool ok = false;
    const double value = rest.toDouble(&ok);
    return ok ? value : std::nan("");
}

} // namespace

class SampleDatabaseTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { SetDecimalSeparator(QChar(u'.')); }

    void hierarchyLinks();
    void infoLines_data();
    void infoLines();
    void ageGroups_data();
    void ageGroups();
    void fitsReproduceTheirQuantiles_data() { ageGroups_data(); }
    void fitsReproduceTheirQuantiles();
};

void SampleDatabaseTest::hierarchyLinks()
{
    DataTable heads, topics, params;
    heads.loadFromFile(SamplePath(QStringLiteral("topics.xml")));
    topics.loadFromFile(SamplePath(QStringLiteral("para1.xml")));
    params.loadFromFile(SamplePath(QStringLiteral("daten1a.xml")));

    QSet<QString> tops;
    for (heads.first(); !heads.eof(); heads.next()) {
        tops.insert(heads.fieldText(QStringLiteral("TOP")));
        QVERIFY(!heads.fieldText(QStringLiteral("STRC")).isEmpty());
    }
    QSet<QString> topicKeys;
    for (topics.first(); !topics.eof(); topics.next()) {
        const QString ps = topics.fieldText(QStringLiteral("PS"));
        QVERIFY2(tops.contains(topics.fieldText(QStringLiteral("Top"))), qPrintable(ps));
        QVERIFY2(!topicKeys.contains(ps), qPrintable(ps));
        topicKeys.insert(ps);
    }
    QSet<qint64> ids;
    QSet<QString> topicsWithRows;
    bool rowWithoutData = false;
    for (params.first(); !params.eof(); params.next()) {
        const qint64 id = params.fieldInt(QStringLiteral("ID"));
        const QString where = QStringLiteral("row ID %1").arg(id);
        QVERIFY2(id >= 0 && id <= 65535 && !ids.contains(id), qPrintable(where));
        ids.insert(id);
        const QString ps = params.fieldText(QStringLiteral("PS"));
        QVERIFY2(topicKeys.contains(ps), qPrintable(where));
        topicsWithRows.insert(ps);
        const QString sex = params.fieldText(QStringLiteral("Sex"));
        QVERIFY2(sex == u"A" || sex == u"M" || sex == u"F", qPrintable(where));
        const QString file = params.fieldText(QStringLiteral("DATAFILE"));
        rowWithoutData = rowWithoutData || file.isEmpty();
        QVERIFY2(file.isEmpty() || QFileInfo::exists(SamplePath(file)), qPrintable(where));
    }
    QCOMPARE(topicsWithRows, topicKeys);
    QVERIFY(rowWithoutData);
}

void SampleDatabaseTest::infoLines_data()
{
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("rstrc");
    DataTable params;
    params.loadFromFile(SamplePath(QStringLiteral("daten1a.xml")));
    for (params.first(); !params.eof(); params.next()) {
        QTest::addRow("ID %s", qPrintable(params.fieldText(QStringLiteral("ID"))))
            << params.fieldText(QStringLiteral("Info"))
            << params.fieldText(QStringLiteral("Variable"))
            << params.fieldText(QStringLiteral("RSTRC"));
    }
}

// Rich and plain Info texts alike must give lines with the value in column 25, so the
// restriction flags, the variable names and the keywords are where they are read.
void SampleDatabaseTest::infoLines()
{
    QFETCH(QString, info);
    QFETCH(QString, variable);
    QFETCH(QString, rstrc);
    const QStringList lines = InfoLines(info);
    QVERIFY(lines.size() >= 4);
    QVERIFY(!lines.first().startsWith(u'{'));

    // The sort key is the number of set flags followed by the flags themselves.
    const QString code = RestrictionCode(lines);
    if (rstrc.isEmpty()) {
        QVERIFY(code.isEmpty());
    } else {
        QCOMPARE(code, rstrc.mid(1));
        QCOMPARE(rstrc.left(1), QString::number(code.count(u'1')));
    }
    QCOMPARE(LabelValue(lines, QStringLiteral("Variable")).section(u',', 0, 0), variable);
    const QString keywords = LabelValue(lines, QStringLiteral("Additional"));
    QVERIFY(!keywords.isEmpty() && !keywords.startsWith(u' '));
}

void SampleDatabaseTest::ageGroups_data()
{
    QTest::addColumn<QString>("file");
    DataTable params;
    params.loadFromFile(SamplePath(QStringLiteral("daten1a.xml")));
    for (params.first(); !params.eof(); params.next()) {
        const QString file = params.fieldText(QStringLiteral("DataFile"));
        if (!file.isEmpty()) {
            QTest::newRow(qPrintable(file)) << file;
        }
    }
}

// Every group converts; the lognormal parameters shown agree with the group's
// statistics: mean m = ln(GM) for any lognormal line (drawn or fitted on the log
// scale), and m = ln(median) where the group drew a lognormal.
void SampleDatabaseTest::ageGroups()
{
    QFETCH(QString, file);
    DataTable table;
    table.loadFromFile(SamplePath(file));
    QVERIFY(table.recordCount() >= 5 && table.recordCount() <= 15);
    const QStringList order = {QStringLiteral("MIN"), QStringLiteral("P05"), QStringLiteral("P25"),
                               QStringLiteral("P50"), QStringLiteral("P75"), QStringLiteral("P95"),
                               QStringLiteral("MAX")};
    static const QRegularExpression drawnPattern(QStringLiteral("Drawn distribution: (\\w+)"));
    for (table.first(); !table.eof(); table.next()) {
        const QString group = file + u' ' + table.fieldText(QStringLiteral("AGEGRP"));
        double previous = 0.0;
        for (const QString& field : order) {
            if (table.hasField(field)) {
                const double value = table.fieldText(field).toDouble();
                QVERIFY2(value > previous, qPrintable(group + u' ' + field));
                previous = value;
            }
        }

        const GeneratorResult converted =
            ConvertParameterSets(table.fieldText(QStringLiteral("GENERALF"))
                                     .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts));
        QVERIFY2(converted.complete(), qPrintable(group + u' ' + converted.error));
        const QStringList& lines = converted.lines;
        QVERIFY2(lines.size() >= 4, qPrintable(group));
        QVERIFY2(lines.at(1).startsWith(QStringLiteral("     0       GeneralF")),
                 qPrintable(group));
        const QString drawn =
            drawnPattern.match(table.fieldText(QStringLiteral("MOMENTS"))).captured(1);
        QVERIFY2(!drawn.isEmpty(), qPrintable(group));
        bool drawnListed = false;
        for (const QString& row : lines.mid(2)) {
            const QString name = row.mid(6, 15).trimmed();
            drawnListed = drawnListed || name == drawn;
            if (name != QStringLiteral("Lognormal")) {
                continue;
            }
            const double m = ParameterAfter(row, QStringLiteral("Mean m="));
            if (table.hasField(QStringLiteral("GM"))) {
                const double gm = table.fieldText(QStringLiteral("GM")).toDouble();
                QVERIFY2(std::abs(m - std::log(gm)) < 0.0011, qPrintable(group + u' ' + row));
            }
            if (drawn == name) {
                const double median = table.fieldText(QStringLiteral("P50")).toDouble();
                QVERIFY2(std::abs(m - std::log(median)) < 0.0011, qPrintable(group + u' ' + row));
            }
        }
        QVERIFY2(drawnListed, qPrintable(group));
    }
}

// Each fit's quantiles, computed from its GF line, give the fit's column of the QUANTILES
// text to its printed precision (five significant digits); and the GF approximation
// itself is on the scale of the group: its median within 10 % of P50.
void SampleDatabaseTest::fitsReproduceTheirQuantiles()
{
    QFETCH(QString, file);
    DataTable table;
    table.loadFromFile(SamplePath(file));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (table.first(); !table.eof(); table.next()) {
        const QString group = file + u' ' + table.fieldText(QStringLiteral("AGEGRP"));
        const QList<GfFit> fits =
            ReadGfFits(table.fieldText(QStringLiteral("GENERALF")).split(QStringLiteral("\r\n")));
        QVERIFY2(fits.size() >= 3 && fits.first().family == FitFamily::GeneralF, qPrintable(group));
        const double median = table.fieldText(QStringLiteral("P50")).toDouble();
        const double gfMedian = FitDistribution(fits.first()).median();
        QVERIFY2(
            std::abs(gfMedian / median - 1) < 0.1,
            qPrintable(group + QStringLiteral(": GF median %1, P50 %2").arg(gfMedian).arg(median)));

        const QStringList lines = table.fieldText(QStringLiteral("QUANTILES"))
                                      .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QVERIFY2(lines.size() > 2, qPrintable(group));
        // The header names the fits after the GF line, in their stored order.
        const QStringList names = lines.at(1).trimmed().split(blanks).mid(2);
        QCOMPARE(names.size(), fits.size() - 1);
        int checked = 0;
        for (const QString& line : lines.mid(2)) {
            const QStringList words = line.trimmed().split(blanks);
            QCOMPARE(words.size(), names.size() + 2);
            const double level = words.at(0).chopped(1).toDouble() / 100;
            for (int i = 0; i < names.size(); ++i) {
                const GfFit& fit = fits.at(i + 1);
                QCOMPARE(fit.typeName, names.at(i));
                const double printed = words.at(i + 2).toDouble();
                const double computed = FitDistribution(fit).quantile(level);
                // Half a unit in the fifth significant digit, and a little for the
                // eight digits of the stored parameters.
                const double unit = std::pow(10.0, std::floor(std::log10(std::abs(computed))) - 4);
                QVERIFY2(std::abs(computed - printed) <= 0.5 * unit + 1e-7 * std::abs(computed),
                         qPrintable(group + QStringLiteral(": %1 at %2: %3 printed, %4 computed")
                                                .arg(fit.typeName)
                                                .arg(level)
                                                .arg(words.at(i + 2))
                                                .arg(computed, 0, 'g', 10)));
                ++checked;
            }
        }
        QVERIFY(checked > 0);
    }
}

QTEST_GUILESS_MAIN(SampleDatabaseTest)
#include "SampleDatabase_test.moc"
