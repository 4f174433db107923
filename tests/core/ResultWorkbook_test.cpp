// The workbook of a result table, read back with openpyxl: the checked columns with
// numeric cells at full precision, the Source sheet, and veltra-cli's workbook of the
// sample's ef0010.xml.
#include "data/DataTable.h"
#include "tables/ResultWorkbook.h"
#include "util/VeltraError.h"

#include "../common/TestDatabase.h"
#include "../common/WorkbookReader.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace veltra;

namespace {

QList<QVariant> RowValues(const QJsonObject& sheet, int row)
{
    QList<QVariant> values;
    for (const QJsonValue& cell : sheet[QStringLiteral("rows")].toArray().at(row).toArray())
        values << (cell[QStringLiteral("value")].isNull()
                       ? QVariant()
                       : cell[QStringLiteral("value")].toVariant());
    return values;
}

} // namespace

class ResultWorkbookTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void tableSheet_data();
    void tableSheet();
    void sourceSheet();
    void closedDataFile();
    void cliWorkbookOfTheSample();

private:
    QTemporaryDir m_dir;
    QJsonObject m_book;
};

void ResultWorkbookTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    DataTable table;
    table.loadFromData(
        fixture::Packet({{"AGEGRP", "string"},
                         {"NOBS", "i4"},
                         {"MEAN", "r8"},
                         {"NOTE", "string"},
                         {"QUANTILES", "string"},
                         {"MEMO", "bin.hex"}},
                        {{"0 - <1 years", "132", "65.583333333333329", "n", "q", "two\nlines"},
                         {"1 - <2 years", "", "1.25E-7", "n", "q", "1,5"},
                         {"all", "7", "", "n", "q", "12.5"}}),
        QStringLiteral("cells.xml"));
    ResultTableOptions options;
    options.decimals = 3;
    options.fieldNames = table.fieldNames();
    options.checked = {true, true, true, false, true, true};
    options.sectionFieldNames = DefaultSectionFieldNames();
    ResultWorkbookSource source;
    source.variable = QStringLiteral("BW");
    source.dataSource = QStringLiteral("Survey 1998");
    source.dataFileName = QStringLiteral("cells.xml");
    source.info = QStringLiteral("Body weight\r\nSurvey:\tnationwide");
    source.restrictionLines = {QStringLiteral("Restrictions in Quality:"),
                               QStringLiteral("        Survey quality not clear.")};
    source.written = QDateTime(QDate(2026, 12, 11), QTime(3, 4, 5));
    const QString path = m_dir.filePath(QStringLiteral("table.xlsx"));
    WriteResultWorkbook(path, table, options, source);
    QString error;
    m_book = fixture::ReadWorkbook(path, &error);
    QVERIFY2(!m_book.isEmpty(), qPrintable(error));
}

void ResultWorkbookTest::tableSheet_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("bold");
    QTest::newRow("header") << 0 << 0 << "s" << QVariant("AGEGRP") << "General" << true;
    QTest::newRow("memo column kept") << 0 << 3 << "s" << QVariant("MEMO") << "General" << true;
    QTest::newRow("text with blanks")
        << 1 << 0 << "s" << QVariant("0 - <1 years") << "General" << false;
    QTest::newRow("integer") << 1 << 1 << "n" << QVariant(132.0) << "0.000" << false;
    QTest::newRow("full precision")
        << 1 << 2 << "n" << QVariant(65.583333333333329) << "0.000" << false;
    QTest::newRow("memo text") << 1 << 3 << "s" << QVariant("two\nlines") << "General" << false;
    QTest::newRow("empty value") << 2 << 1 << "n" << QVariant() << "General" << false;
    QTest::newRow("number field with an exponent")
        << 2 << 2 << "n" << QVariant(1.25e-7) << "0.000" << false;
    QTest::newRow("decimal comma is text here")
        << 2 << 3 << "s" << QVariant("1,5") << "General" << false;
    QTest::newRow("number in a memo") << 3 << 3 << "n" << QVariant(12.5) << "0.000" << false;
}

void ResultWorkbookTest::tableSheet()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, type);
    QFETCH(QVariant, value);
    QFETCH(QString, format);
    QFETCH(bool, bold);
    const QJsonObject sheet = m_book[QStringLiteral("sheets")].toArray().at(0).toObject();
    QCOMPARE(sheet[QStringLiteral("name")].toString(), QStringLiteral("Table"));
    QCOMPARE(sheet[QStringLiteral("freeze")].toString(), QStringLiteral("A2"));
    // The unchecked NOTE and the section field QUANTILES are no columns.
    QCOMPARE(RowValues(sheet, 0), QList<QVariant>({"AGEGRP", "NOBS", "MEAN", "MEMO"}));
    const QJsonObject cell = fixture::WorkbookCell(sheet, row, column);
    QCOMPARE(cell[QStringLiteral("type")].toString(), type);
    const QJsonValue read = cell[QStringLiteral("value")];
    if (value.typeId() == QMetaType::Double)
        QVERIFY2(std::abs(read.toDouble() - value.toDouble()) <= 1e-15 * value.toDouble(),
                 qPrintable(QString::number(read.toDouble(), 'g', 17)));
    else if (!value.isValid())
        QVERIFY(read.isNull());
    else
        QCOMPARE(read.toVariant(), value);
    QCOMPARE(cell[QStringLiteral("format")].toString(), format);
    QCOMPARE(cell[QStringLiteral("bold")].toBool(), bold);
}

void ResultWorkbookTest::sourceSheet()
{
    const QJsonObject sheet = m_book[QStringLiteral("sheets")].toArray().at(1).toObject();
    QCOMPARE(sheet[QStringLiteral("name")].toString(), QStringLiteral("Source"));
    const QList<QList<QVariant>> expected{
        {"Variable", "BW"},
        {"DataSource", "Survey 1998"},
        {"Data file", "cells.xml"},
        {"Info", "Body weight"},
        {QVariant(), "Survey:\tnationwide"},
        {"Restrictions", "Restrictions in Quality:"},
        {QVariant(), "Survey quality not clear."},
        {"Written", "2026-12-11 03:04:05"},
    };
    const QJsonArray rows = sheet[QStringLiteral("rows")].toArray();
    QCOMPARE(rows.size(), expected.size());
    for (int r = 0; r < expected.size(); ++r)
        QCOMPARE(RowValues(sheet, r), expected[r]);
}

void ResultWorkbookTest::closedDataFile()
{
    DataTable closed;
    try {
        ResultWorkbookSheets(closed, ResultTableOptions(), ResultWorkbookSource());
        QFAIL("no error");
    } catch (const VeltraError& error) {
        QCOMPARE(error.message(), QStringLiteral("No selected data set."));
    }
}

void ResultWorkbookTest::cliWorkbookOfTheSample()
{
    const QString path = m_dir.filePath(QStringLiteral("ef0010.xlsx"));
    QProcess cli;
    cli.start(QStringLiteral(VELTRA_BIN_DIR "/veltra-cli"),
              {"--db", QStringLiteral(VELTRA_SAMPLE_DIR), "table", "xlsx", "ef0010.xml", "-o", path,
               "--decimals", "1", "--columns", "AGEGRP,MEAN"});
    QVERIFY(cli.waitForFinished(60000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    QVERIFY(cli.readAllStandardOutput().isEmpty());
    QString error;
    const QJsonObject book = fixture::ReadWorkbook(path, &error);
    QVERIFY2(!book.isEmpty(), qPrintable(error));
    const QJsonObject table = book[QStringLiteral("sheets")].toArray().at(0).toObject();
    QCOMPARE(RowValues(table, 0), QList<QVariant>({"AGEGRP", "MEAN"}));
    QCOMPARE(RowValues(table, 1), QList<QVariant>({"0 - <1 years", 65.579}));
    QCOMPARE(fixture::WorkbookCell(table, 1, 1)[QStringLiteral("format")].toString(),
             QStringLiteral("0.0"));
    // The Source sheet comes from the parameter row that names ef0010.xml.
    const QJsonObject source = book[QStringLiteral("sheets")].toArray().at(1).toObject();
    QCOMPARE(RowValues(source, 0), QList<QVariant>({"Variable", "BH_cm"}));
    QCOMPARE(RowValues(source, 2), QList<QVariant>({"Data file", "ef0010.xml"}));
    const QJsonArray rows = source[QStringLiteral("rows")].toArray();
    QStringList labels;
    for (int r = 0; r < rows.size(); ++r)
        labels << RowValues(source, r).value(0).toString();
    QVERIFY(labels.contains(QStringLiteral("Restrictions")));
    const QString written = RowValues(source, rows.size() - 1).value(1).toString();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                 .match(written)
                 .hasMatch(),
             qPrintable(written));
}

QTEST_GUILESS_MAIN(ResultWorkbookTest)
#include "ResultWorkbook_test.moc"
