// The workbook writer, read back with openpyxl: sheet names and order, cell types and
// values, number formats, the bold and frozen header, fitted widths; and the refusals
// that name the sheet or cell.
#include "util/VeltraError.h"
#include "util/Workbook.h"

#include "../common/WorkbookReader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace veltra;

Q_DECLARE_METATYPE(veltra::WorkbookSheet)

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

QList<WorkbookSheet> Sheets()
{
    WorkbookSheet table;
    table.name = QStringLiteral("Table");
    table.decimals = 2;
    table.rows = {
        {QStringLiteral("AGEGRP"), QStringLiteral("Mean"), QStringLiteral("N"),
         QStringLiteral("Note"), QVariant()},
        {QStringLiteral("0 - <1 years"), 65.58, qlonglong(12), true, QVariant()},
        {QStringLiteral("1 - <2 years"), kInf, -kInf, std::nan(""), 1.0 / 3.0},
        {QStringLiteral("=SUM(B2:B3)"), 12345678.123456789, 7, QStringLiteral("two\nlines"),
         QString()},
    };
    WorkbookSheet source;
    source.name = QStringLiteral("Quelle äöü");
    source.headerRows = 0;
    source.rows = {{QStringLiteral("Variable"), QStringLiteral("BW")},
                   {QStringLiteral("Value"), 0.1}};
    WorkbookSheet twoHeaders;
    twoHeaders.name = QStringLiteral("Two headers");
    twoHeaders.headerRows = 2;
    twoHeaders.decimals = 0;
    twoHeaders.rows = {{QStringLiteral("Group"), QStringLiteral("Fit")},
                       {QString(), 2.0},
                       {QStringLiteral("a"), 2.5}};
    return {table, source, twoHeaders};
}

} // namespace

class WorkbookTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sheets();
    void cells_data();
    void cells();
    void widthsFitTheContent();
    void refusals_data();
    void refusals();
    void writeFailureNamesTheFile();

private:
    QTemporaryDir m_dir;
    QJsonObject m_book;
};

void WorkbookTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(QStringLiteral("book.xlsx"));
    WriteWorkbookFile(path, Sheets());
    QString error;
    m_book = fixture::ReadWorkbook(path, &error);
    QVERIFY2(!m_book.isEmpty(), qPrintable(error));
}

void WorkbookTest::sheets()
{
    const QJsonArray sheets = m_book[QStringLiteral("sheets")].toArray();
    QStringList names;
    QStringList frozen;
    for (const QJsonValue& sheet : sheets) {
        names << sheet[QStringLiteral("name")].toString();
        frozen << sheet[QStringLiteral("freeze")].toString(QStringLiteral("none"));
    }
    QCOMPARE(names, QStringList({"Table", "Quelle äöü", "Two headers"}));
    // The header rows stay in view: the first scrolling cell is below them.
    QCOMPARE(frozen, QStringList({"A2", "none", "A3"}));
}

void WorkbookTest::cells_data()
{
    QTest::addColumn<int>("sheet");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("bold");

    const QString general = QStringLiteral("General");
    const QString twoPlaces = QStringLiteral("0.00");
    QTest::newRow("header text") << 0 << 0 << 0 << "s" << QVariant("AGEGRP") << general << true;
    QTest::newRow("header blank is empty") << 0 << 0 << 4 << "n" << QVariant() << general << true;
    QTest::newRow("text with blanks")
        << 0 << 1 << 0 << "s" << QVariant("0 - <1 years") << general << false;
    QTest::newRow("double") << 0 << 1 << 1 << "n" << QVariant(65.58) << twoPlaces << false;
    QTest::newRow("qlonglong") << 0 << 1 << 2 << "n" << QVariant(12.0) << twoPlaces << false;
    QTest::newRow("bool") << 0 << 1 << 3 << "b" << QVariant(true) << general << false;
    QTest::newRow("invalid is empty") << 0 << 1 << 4 << "n" << QVariant() << general << false;
    QTest::newRow("infinity") << 0 << 2 << 1 << "s" << QVariant("infinite") << general << false;
    QTest::newRow("minus infinity")
        << 0 << 2 << 2 << "s" << QVariant("-infinite") << general << false;
    QTest::newRow("NaN") << 0 << 2 << 3 << "s" << QVariant("undefined") << general << false;
    QTest::newRow("a third at full precision")
        << 0 << 2 << 4 << "n" << QVariant(1.0 / 3.0) << twoPlaces << false;
    QTest::newRow("formula-like text stays text")
        << 0 << 3 << 0 << "s" << QVariant("=SUM(B2:B3)") << general << false;
    QTest::newRow("many digits") << 0 << 3 << 1 << "n" << QVariant(12345678.123456789) << twoPlaces
                                 << false;
    QTest::newRow("int") << 0 << 3 << 2 << "n" << QVariant(7.0) << twoPlaces << false;
    QTest::newRow("line break kept")
        << 0 << 3 << 3 << "s" << QVariant("two\nlines") << general << false;
    QTest::newRow("no header row")
        << 1 << 0 << 0 << "s" << QVariant("Variable") << general << false;
    QTest::newRow("General number") << 1 << 1 << 1 << "n" << QVariant(0.1) << general << false;
    QTest::newRow("second header row is bold")
        << 2 << 1 << 1 << "n" << QVariant(2.0) << general << true;
    QTest::newRow("no places") << 2 << 2 << 1 << "n" << QVariant(2.5) << "0" << false;
}

void WorkbookTest::cells()
{
    QFETCH(int, sheet);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, type);
    QFETCH(QVariant, value);
    QFETCH(QString, format);
    QFETCH(bool, bold);

    const QJsonObject cell = fixture::WorkbookCell(
        m_book[QStringLiteral("sheets")].toArray().at(sheet).toObject(), row, column);
    QVERIFY2(!cell.isEmpty(), "no such cell");
    QCOMPARE(cell[QStringLiteral("type")].toString(), type);
    const QJsonValue read = cell[QStringLiteral("value")];
    if (!value.isValid()) {
        QVERIFY2(read.isNull(), qPrintable(read.toVariant().toString()));
    } else if (value.typeId() == QMetaType::Double) {
        // The writer keeps 16 significant digits, one more than a spreadsheet shows.
        const double expected = value.toDouble();
        QVERIFY2(read.isDouble(), qPrintable(read.toVariant().toString()));
        QVERIFY2(std::abs(read.toDouble() - expected) <= 1e-15 * std::abs(expected),
                 qPrintable(QString::number(read.toDouble(), 'g', 17)));
    } else {
        QCOMPARE(read.toVariant(), value);
    }
    QCOMPARE(cell[QStringLiteral("format")].toString(), format);
    QCOMPARE(cell[QStringLiteral("bold")].toBool(), bold);
}

void WorkbookTest::widthsFitTheContent()
{
    // Each column is as wide as its widest shown value and a little room, no more.
    const QJsonObject widths =
        m_book[QStringLiteral("sheets")].toArray().at(0)[QStringLiteral("widths")].toObject();
    const QList<QPair<QString, int>> longest{
        {QStringLiteral("A"), 12}, // "0 - <1 years", "=SUM(B2:B3)"
        {QStringLiteral("B"), 11}, // 12345678.12
        {QStringLiteral("C"), 9},  // -infinite
        {QStringLiteral("D"), 9},  // undefined
        {QStringLiteral("E"), 4},  // 0.33
    };
    for (const auto& [letter, characters] : longest) {
        const double width = widths[letter].toDouble();
        QVERIFY2(width >= characters && width <= characters + 4,
                 qPrintable(QStringLiteral("column %1 is %2 wide for %3 characters")
                                .arg(letter)
                                .arg(width)
                                .arg(characters)));
    }
}

void WorkbookTest::refusals_data()
{
    QTest::addColumn<QList<WorkbookSheet>>("sheets");
    QTest::addColumn<QString>("message");

    auto sheet = [](const QString& name) {
        WorkbookSheet s;
        s.name = name;
        s.rows = {{QStringLiteral("x")}};
        return s;
    };
    QTest::newRow("no sheet") << QList<WorkbookSheet>{}
                              << "Cannot build the workbook: it has no "
                                 "sheet";
    QTest::newRow("empty name") << QList<WorkbookSheet>{sheet(QString())}
                                << "Cannot build the workbook: a sheet has no name";
    QTest::newRow("32 characters")
        << QList<WorkbookSheet>{sheet(QString(32, u'x'))}
        << QStringLiteral("sheet \"%1\": a sheet name has at most 31 characters")
               .arg(QString(32, u'x'));
    QTest::newRow("slash") << QList<WorkbookSheet>{sheet(QStringLiteral("a/b"))}
                           << "sheet \"a/b\": a sheet name cannot hold \"/\"";
    QTest::newRow("bracket") << QList<WorkbookSheet>{sheet(QStringLiteral("x[1]"))}
                             << "sheet \"x[1]\": a sheet name cannot hold \"[\"";
    QTest::newRow("apostrophe") << QList<WorkbookSheet>{sheet(QStringLiteral("'q"))}
                                << "sheet \"'q\": a sheet name cannot begin or end with an "
                                   "apostrophe";
    QTest::newRow("same name in other case")
        << QList<WorkbookSheet>{sheet(QStringLiteral("Data")), sheet(QStringLiteral("DATA"))}
        << "sheet \"DATA\": two sheets have this name";

    WorkbookSheet longText = sheet(QStringLiteral("Long"));
    longText.rows = {{QStringLiteral("a"), QStringLiteral("b")}, {1.0, QString(32768, u'y')}};
    QTest::newRow("text beyond a cell")
        << QList<WorkbookSheet>{longText}
        << "sheet \"Long\": cell B2: the text has 32768 characters, a cell holds at most 32767";
    WorkbookSheet places = sheet(QStringLiteral("P"));
    places.decimals = 31;
    QTest::newRow("31 places") << QList<WorkbookSheet>{places}
                               << "sheet \"P\": 31 decimal places (allowed: -1 for General, 0 "
                                  "to 30)";
    WorkbookSheet header = sheet(QStringLiteral("H"));
    header.headerRows = -1;
    QTest::newRow("negative header rows")
        << QList<WorkbookSheet>{header} << "sheet \"H\": -1 header rows is not a count of rows";
}

void WorkbookTest::refusals()
{
    QFETCH(QList<WorkbookSheet>, sheets);
    QFETCH(QString, message);
    try {
        BuildWorkbook(sheets);
        QFAIL("no error");
    } catch (const VeltraError& error) {
        QVERIFY2(error.message().contains(message), qPrintable(error.message()));
    }
}

void WorkbookTest::writeFailureNamesTheFile()
{
    const QString path = m_dir.filePath(QStringLiteral("missing/book.xlsx"));
    try {
        WriteWorkbookFile(path, Sheets());
        QFAIL("no error");
    } catch (const VeltraError& error) {
        QVERIFY2(error.message().startsWith(QStringLiteral("Cannot write \"%1\": ").arg(path)),
                 qPrintable(error.message()));
    }
    QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(WorkbookTest)
#include "Workbook_test.moc"
