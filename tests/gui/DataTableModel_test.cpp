// The item model over a table: rows, columns and current row follow the table.
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "util/NumberFormat.h"
#include "widgets/DataTableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using veltra::DataSource;
using veltra::DataTable;
using veltra::DataTableModel;
using veltra::FieldDef;

namespace {

void fill(DataTable& table)
{
    FieldDef memo = FieldDef::text(QStringLiteral("NOTE"), 0);
    memo.typeName = QStringLiteral("bin.hex");
    memo.type = veltra::FieldType::BinHex;
    memo.subtype = QStringLiteral("Text");
    table.createDataSet(
        {FieldDef::text(QStringLiteral("NAME"), 20), FieldDef::uint16(QStringLiteral("N")), memo});
    table.append({QStringLiteral("delta"), QStringLiteral("4"), QStringLiteral("x\r\ny")});
    table.append({QStringLiteral("alpha"), QStringLiteral("10"), QString()});
    table.append({QStringLiteral("charlie"), QStringLiteral("3"), QString()});
    table.append({QStringLiteral("bravo"), QStringLiteral("2"), QString()});
    table.first();
}

QStringList column(const DataTableModel& model, int col)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.data(model.index(row, col)).toString();
    return texts;
}

} // namespace

class DataTableModelTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void followsTheTable();
    void namedColumns();
    void inactiveSourceShowsNothing();
    void numbersFollowTheDecimalSeparator();
};

void DataTableModelTest::followsTheTable()
{
    DataTable table;
    DataSource source(&table);
    fill(table);
    DataTableModel model(&source);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy moved(&model, &DataTableModel::currentRowMoved);

    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("N"));
    QCOMPARE(column(model, 0), QStringList({"delta", "alpha", "charlie", "bravo"}));
    QCOMPARE(model.data(model.index(0, 2)).toString(), QStringLiteral("(MEMO)"));
    QCOMPARE(model.data(model.index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignRight,
             Qt::AlignRight);

    table.moveTo(3);
    QCOMPARE(moved.last().at(0).toInt(), 2);
    table.setIndexFieldNames(QStringLiteral("N"));
    QCOMPARE(column(model, 0), QStringList({"bravo", "charlie", "delta", "alpha"}));
    QCOMPARE(model.currentRow(), 1); // charlie stays current at its new place
    QCOMPARE(moved.last().at(0).toInt(), 1);

    table.setFilter(QStringLiteral("NAME LIKE '%a%'"));
    table.setFiltered(true);
    QCOMPARE(column(model, 0), QStringList({"bravo", "charlie", "delta", "alpha"}));
    table.setFilter(QStringLiteral("NAME = 'alpha' OR NAME = 'delta'"));
    QCOMPARE(column(model, 1), QStringList({"4", "10"}));
    QCOMPARE(model.currentRow(), 0);

    table.close();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
    QCOMPARE(moved.last().at(0).toInt(), -1);
    table.open();
    QCOMPARE(model.rowCount(), 2);
}

void DataTableModelTest::namedColumns()
{
    DataTable table;
    DataSource source(&table);
    fill(table);
    DataTableModel model(&source,
                         {QStringLiteral("n"), QStringLiteral("MISSING"), QStringLiteral("Name")});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(column(model, 0), QStringList({"4", "10", "3", "2"}));
    QCOMPARE(column(model, 1), QStringList({"", "", "", ""}));
    QCOMPARE(column(model, 2), QStringList({"delta", "alpha", "charlie", "bravo"}));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Name"));
}

void DataTableModelTest::inactiveSourceShowsNothing()
{
    DataTable table;
    DataSource source(&table);
    fill(table);
    DataTableModel model(&source, {QStringLiteral("NAME")});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    source.setEnabled(false);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.currentRow(), -1);
    table.moveTo(2);
    QCOMPARE(model.rowCount(), 0);
    source.setEnabled(true);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.currentRow(), 1);
}

void DataTableModelTest::numbersFollowTheDecimalSeparator()
{
    // Run once more by CTest under LC_ALL=de_DE.UTF-8, where the expected separator is
    // the locale's own comma; otherwise the separator is set here.
    const QString localeSeparator = qEnvironmentVariable("VELTRA_EXPECT_DECIMAL_SEPARATOR");
    if (!localeSeparator.isEmpty())
        QCOMPARE(veltra::DecimalSeparator(), localeSeparator.at(0));
    else
        veltra::SetDecimalSeparator(QLatin1Char(','));
    FieldDef mean = FieldDef::text(QStringLiteral("MEAN"), 0);
    mean.typeName = QStringLiteral("r8");
    mean.type = veltra::FieldType::Float;
    FieldDef fixed = mean;
    fixed.name = QStringLiteral("SHARE");
    fixed.typeName = QStringLiteral("fixed");
    fixed.type = veltra::FieldType::Fixed;
    DataTable table;
    DataSource source(&table);
    table.createDataSet(
        {FieldDef::text(QStringLiteral("LABEL"), 20), mean, fixed, FieldDef::uint16("N")});
    table.append({QStringLiteral("v1.2"), QStringLiteral("65.579"), QStringLiteral("0.25"),
                  QStringLiteral("12")});
    table.append({QString(), QStringLiteral("1.5E-3"), QStringLiteral("3"), QString()});
    DataTableModel model(&source);
    QCOMPARE(column(model, 0), QStringList({"v1.2", ""})); // texts stay as stored
    QCOMPARE(column(model, 1), QStringList({"65,579", "1,5E-3"}));
    QCOMPARE(column(model, 2), QStringList({"0,25", "3"}));
    QCOMPARE(column(model, 3), QStringList({"12", ""}));
    QCOMPARE(table.value(0, 1), QStringLiteral("65.579")); // the stored value is unchanged
}

QTEST_GUILESS_MAIN(DataTableModelTest)
#include "DataTableModel_test.moc"
