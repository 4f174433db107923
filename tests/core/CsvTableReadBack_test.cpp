// A CSV table that veltra-cli prints reads back into the same cells with an independent
// CSV reader (Python's csv module), for values holding ";", quotes and line breaks.
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

namespace {

using Records = QList<QStringList>;

/// Runs a program and returns its standard output; fails the test when it does not
/// finish with status 0.
QByteArray Run(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(30000))
        return "(not started)";
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return "(failed)";
    }
    return process.readAllStandardOutput();
}

Records FromJson(const QByteArray& json)
{
    Records records;
    for (const QJsonValue& record : QJsonDocument::fromJson(json).array()) {
        QStringList cells;
        for (const QJsonValue& cell : record.toArray())
            cells << cell.toString();
        records << cells;
    }
    return records;
}

} // namespace

class CsvTableReadBackTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readBack_data();
    void readBack();
};

void CsvTableReadBackTest::readBack_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<Records>("records");
    // The fixture's columns: AGEGRP, NOBS, VALUE, a field named 12.5 (N3), a field named E
    // (N4), the memo REMARK; the section fields " Moments " and generalf stay out.
    auto records = [](const QString& sep) {
        auto n = [&sep](QString text) { return text.replace(QLatin1Char('.'), sep); };
        return Records{
            {"AGEGRP", "NOBS", "VALUE", "N3", "N4", "REMARK"},
            {n("1.00"), n("245.00"), n("12.50"), "", "x", "line one\r\nline two"},
            {n("2.00"), "", sep == "," ? "-12,50" : "-12,5", "", "", "He said \"yes\"; then left"},
            {n("3.00"), n("98.00"), "1.5E-3", "", "", ""},
            {n("4.00"), n("7.00"), "E", "", "", ""},
            {n("5.00"), "", "+", "", "", ""},
            {n("6.00"), "", sep == "," ? "1,50" : "1,5", "", "", ""},
            {n("7.00"), "", "A very long value text", "", "", ""},
            {n("8.00"), "", n("1.23456789E12"), "", "", ""},
            {n("9.00"), "", n("0.00"), "", "", ""},
            {n("10.00"), "", "a;b\tc", "", "", ""},
            {n("11.00"), "", "\"hi\" there", "", "", ""},
            {n("12.00"), "", "padded", "", "", "last\n"},
        };
    };
    QTest::newRow("decimal point") << "." << records(".");
    QTest::newRow("decimal comma") << "," << records(",");
}

void CsvTableReadBackTest::readBack()
{
    QFETCH(QString, separator);
    QFETCH(Records, records);
    const QByteArray table = Run(QStringLiteral(VELTRA_BIN_DIR "/veltra-cli"),
                                 {"--db", QStringLiteral(VELTRA_TEST_DATA_DIR "/tables"),
                                  "--decimal-separator", separator, "table", "csv", "cells.xml"});
    QVERIFY(table.startsWith("AGEGRP;"));
    const QByteArray json =
        Run(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(VELTRA_TEST_DATA_DIR "/tables/csv_cells.py")}, table);
    QCOMPARE(FromJson(json), records);
}

QTEST_GUILESS_MAIN(CsvTableReadBackTest)
#include "CsvTableReadBack_test.moc"
