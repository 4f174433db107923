// The viewer on a copy of the bundled sample database: every headline, topic and
// parameter row chosen in the grids connects its data file and fills the views.
#include "GuiFixture.h"

#include "data/DataTable.h"
#include "widgets/DbMemo.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>

using fixture::Child;
using fixture::Session;
using veltra::TForm1;

namespace {

/// Copies the sample database into the session's folder.
void CopySample(Session& s)
{
    QDirIterator files(QStringLiteral(VELTRA_SAMPLE_DIR), {QStringLiteral("*.xml")});
    while (files.hasNext()) {
        const QString path = files.next();
        QVERIFY(QFile::copy(path, s.dir.filePath(files.fileName())));
    }
}

} // namespace

class SampleWalkTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void walkEveryParameterRow();
    void orderChangesKeepTheRow();
    void wideReportScrolls();
};

void SampleWalkTest::walkEveryParameterRow()
{
    Session s(QByteArray(), false);
    CopySample(s);
    TForm1& form = s.start();
    QCOMPARE(s.log().filter(QStringLiteral("***")), QStringList());
    // A normal start: one connection, between the topic and the parameter load lines.
    const QStringList start = s.log();
    QCOMPARE(start.size(), 10);
    QVERIFY(start.at(5).startsWith(QStringLiteral("Topics loaded / records: ")));
    QVERIFY(start.at(6).startsWith(QStringLiteral("Connect XML with : ")));
    QVERIFY(start.at(6).endsWith(QStringLiteral(" o.k.")));
    QVERIFY(start.at(7).startsWith(QStringLiteral("Parameter loaded / records: ")));

    bool sawRestrictions = false;
    bool sawEmptyDataFile = false;
    const QStringList headlines = s.column("dbgTopics");
    QVERIFY(!headlines.isEmpty());
    for (const QString& headline : headlines) {
        QVERIFY(s.clickRow("dbgTopics", headline));
        for (const QString& topic : s.column("dbgParameter")) {
            QVERIFY(s.clickRow("dbgParameter", topic));
            veltra::DbGrid* sources = s.grid("dbgSources");
            for (int row = 0; row < sources->model()->rowCount(); ++row) {
                const QModelIndex index = sources->model()->index(row, 0);
                sources->scrollTo(index);
                QTest::mouseClick(sources->viewport(), Qt::LeftButton, {},
                                  sources->visualRect(index).center());
                QCOMPARE(form.Database().parameters().recNo(), row + 1);
                const QString context = headline + " / " + topic + " / " + index.data().toString();
                QVERIFY2(s.panel(4).startsWith(QStringLiteral("Current : ")), qPrintable(context));
                if (form.Database().dataFileName().trimmed().isEmpty()) {
                    sawEmptyDataFile = true;
                    QCOMPARE(s.panel(2), QStringLiteral(" -- "));
                    QCOMPARE(s.grid("DBGrid2")->model()->rowCount(), 0);
                    continue;
                }
                QVERIFY2(s.grid("DBGrid2")->model()->rowCount() > 0, qPrintable(context));
                QVERIFY2(s.panel(3).startsWith(QStringLiteral("Group:")), qPrintable(context));
                QVERIFY2(!Child<veltra::DbMemo>(form, "dbmGF")->lines().isEmpty(),
                         qPrintable(context));
                // The converted functions of the first age group, headed by this row.
                const QStringList transformed =
                    s.lines(Child<QPlainTextEdit>(form, "mTransformed"));
                QVERIFY2(transformed.size() > 3, qPrintable(context));
                QCOMPARE(transformed.first(), s.panel(4) + QStringLiteral("  ") + s.panel(3));
                QVERIFY(transformed.at(3).contains(QStringLiteral("GeneralF")));
                sawRestrictions =
                    sawRestrictions || !Child<QWidget>(form, "pnRestriction")->isHidden();
            }
        }
    }
    QVERIFY(sawRestrictions);
    QVERIFY(sawEmptyDataFile);
    QCOMPARE(s.log().filter(QStringLiteral("***")), QStringList());
    QCOMPARE(s.errors, QStringList());
}

void SampleWalkTest::orderChangesKeepTheRow()
{
    // Rows with the same order keys stand in file order whatever was shown before, so a
    // new order keeps the current row and its data file.
    Session s(QByteArray(), false);
    CopySample(s);
    TForm1& form = s.start();
    QVERIFY(s.clickRow("dbgTopics", QStringLiteral("Food and drinking-water intake")));
    auto order = [&form](int item) {
        auto* radio =
            form.findChild<QAbstractButton*>(QStringLiteral("rgOrderRestriction%1").arg(item));
        QVERIFY(radio);
        QTest::mouseClick(radio, Qt::LeftButton);
    };
    auto current = [&form] {
        return veltra::ReferenceDatabase::CurrentText(form.Database().parameters(),
                                                      QStringLiteral("ID"));
    };
    auto firstRow = [&form](const char* field) {
        return form.Database().parameters().value(
            0, form.Database().parameters().fieldIndex(QLatin1String(field)));
    };
    order(0); // "Varnames  (A)"
    const QString firstUnderA = firstRow("ID");
    const QString fileUnderA = firstRow("DataFile");
    // "Restriction (B)": the row first under the previous order stays current.
    order(1);
    QCOMPARE(current(), firstUnderA);
    QCOMPARE(form.Database().connectedDataFileName(), fileUnderA);
    // Back and forth gives the same row order each time.
    const QStringList underB = s.column("dbgSources", 4);
    order(0);
    order(1);
    QCOMPARE(s.column("dbgSources", 4), underB);
    QVERIFY(s.errors.isEmpty());
}

void SampleWalkTest::wideReportScrolls()
{
    // The sample's body height table of both sexes has fifteen columns; in the widest
    // column setting its report lines are far wider than the "Report" tab at the standard
    // window size. They are not wrapped, so a scroll bar has to reach their ends.
    Session s(QByteArray(), false);
    CopySample(s);
    TForm1& form = s.start();
    QVERIFY(s.clickRow("dbgTopics", QStringLiteral("Anthropometry")));
    QVERIFY(s.clickRow("dbgParameter", QStringLiteral("Body height")));
    // The row of both sexes from the reference study.
    for (int row = 0; row < Child<veltra::DbGrid>(form, "dbgSources")->model()->rowCount() &&
                      form.Database().dataFileName() != QStringLiteral("ef0012.xml");
         ++row)
        QTest::mouseClick(
            Child<veltra::DbGrid>(form, "dbgSources")->viewport(), Qt::LeftButton, {},
            Child<veltra::DbGrid>(form, "dbgSources")
                ->visualRect(Child<veltra::DbGrid>(form, "dbgSources")->model()->index(row, 0))
                .center());
    QCOMPARE(form.Database().dataFileName(), QStringLiteral("ef0012.xml"));
    Child<QSpinBox>(form, "seTabDig")->setValue(Child<QSpinBox>(form, "seTabDig")->maximum());
    auto* report = Child<QAction>(form, "WordReport1");
    report->trigger();
    QApplication::processEvents();
    QCOMPARE(Child<QTabWidget>(form, "t")->currentWidget(), Child<QWidget>(form, "tsReport"));
    QCOMPARE(Child<veltra::TOLEEdit>(form, "oe1")->lineWrapMode(), QTextEdit::NoWrap);
    QVERIFY(Child<veltra::TOLEEdit>(form, "oe1")->document()->idealWidth() >
            Child<veltra::TOLEEdit>(form, "oe1")->viewport()->width());
    QScrollBar* bar = Child<veltra::TOLEEdit>(form, "oe1")->horizontalScrollBar();
    QVERIFY(bar->isVisibleTo(&form));
    QVERIFY(bar->maximum() > 0);
    QVERIFY(s.errors.isEmpty());
}

QTEST_MAIN(SampleWalkTest)
#include "SampleWalk_test.moc"
