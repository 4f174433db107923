// The views bound to table fields: what they show for the current row, unbinding, the
// grid and the navigator in step with the table, the error guard with the handlers
// connected through it, and the protocol view.
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "util/NumberFormat.h"
#include "util/ProtocolLog.h"
#include "util/VeltraError.h"
#include "widgets/CachedPanelStyle.h"
#include "widgets/DbEdit.h"
#include "widgets/DbGrid.h"
#include "widgets/DbMemo.h"
#include "widgets/DbNavigator.h"
#include "widgets/DbRichText.h"
#include "widgets/ErrorGuard.h"
#include "widgets/GuardedHandler.h"
#include "widgets/LegendStrip.h"
#include "widgets/PanelStatusBar.h"
#include "widgets/ProtocolView.h"
#include "widgets/TextCellDelegate.h"
#include "widgets/TextLine.h"
#include "widgets/ViewFonts.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

using namespace veltra;

namespace {

const QString Rtf = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern Courier New;}}"
    "{\\colortbl;\\red0\\green0\\blue128;}\n\\pard\\f0\\fs20\\cf1\\b Body weight\\cf0\\b0\\par\n"
    "Variable\\tab BW\\par\n}");

void fill(DataTable& table)
{
    FieldDef memo = FieldDef::text(QStringLiteral("TEXT"), 0);
    memo.typeName = QStringLiteral("bin.hex");
    memo.type = FieldType::BinHex;
    memo.subtype = QStringLiteral("Text");
    table.createDataSet({FieldDef::text(QStringLiteral("NAME"), 20), memo});
    table.append({QStringLiteral("one"), QStringLiteral("a\r\nb\r\n\r\nc\r\n")});
    table.append({QStringLiteral("two"), Rtf});
    table.append({QStringLiteral("three"), QString()});
    table.first();
}

struct Fragment
{
    QString text;
    bool bold;
    QColor color;
};

QList<Fragment> fragments(const QTextDocument* document)
{
    QList<Fragment> out;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            out.append({it.fragment().text(), format.fontWeight() >= QFont::Bold,
                        format.foreground().color()});
        }
    }
    return out;
}

} // namespace

class DbViewsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fieldViewsFollowTheRow();
    void editShowsLocalNumbers();
    void richTextKeepsFormatting();
    void gridAndNavigatorMoveTheTable();
    void guardReportsErrors();
    void guardedHandlers();
    void protocolViewFollowsTheLog();
    void changingHeadingsKeepTheLayout();
    void cachedPanelsLookLikeDrawnOnes();
    void textCellsLookLikeStyledOnes();
};

void DbViewsTest::fieldViewsFollowTheRow()
{
    DataTable table;
    DataSource source(&table);
    fill(table);
    DbMemo memo;
    memo.setDataSource(&source);
    memo.setField(QStringLiteral("text")); // field names ignore case
    DbEdit edit;
    edit.setDataSource(&source);
    edit.setField(QStringLiteral("NAME"));

    QCOMPARE(memo.lines(), QStringList({"a", "b", "", "c"}));
    QCOMPARE(edit.text(), QStringLiteral("one"));
    table.last();
    QCOMPARE(memo.lines(), QStringList());
    QCOMPARE(edit.text(), QStringLiteral("three"));

    source.setEnabled(false);
    QCOMPARE(edit.text(), QString());
    source.setEnabled(true);
    QCOMPARE(edit.text(), QStringLiteral("three"));

    edit.setField(QString()); // unbound at run time
    QCOMPARE(edit.text(), QString());
    table.first();
    QCOMPARE(edit.text(), QString());
    edit.setField(QStringLiteral("NO_SUCH_FIELD"));
    QCOMPARE(edit.text(), QString());
    table.close();
    QCOMPARE(memo.lines(), QStringList());
}

void DbViewsTest::editShowsLocalNumbers()
{
    SetDecimalSeparator(QLatin1Char(','));
    FieldDef mean = FieldDef::text(QStringLiteral("MEAN"), 0);
    mean.typeName = QStringLiteral("r8");
    mean.type = FieldType::Float;
    DataTable table;
    DataSource source(&table);
    table.createDataSet({FieldDef::text(QStringLiteral("AGE"), 10), mean});
    table.append({QStringLiteral("3.5"), QStringLiteral("65.579")});
    DbEdit number;
    number.setDataSource(&source);
    number.setField(QStringLiteral("MEAN"));
    DbEdit text;
    text.setDataSource(&source);
    text.setField(QStringLiteral("AGE"));
    QCOMPARE(number.text(), QStringLiteral("65,579"));
    QCOMPARE(text.text(), QStringLiteral("3.5")); // a text field shows its text as stored
    SetDecimalSeparator(QLatin1Char('.'));
}

void DbViewsTest::richTextKeepsFormatting()
{
    DataTable table;
    DataSource source(&table);
    fill(table);
    DbRichText view;
    view.setDataSource(&source);
    view.setField(QStringLiteral("TEXT"));
    QCOMPARE(view.toPlainText(), QStringLiteral("a\nb\n\nc\n"));
    table.next();
    QCOMPARE(view.toPlainText(), QStringLiteral("Body weight\nVariable\tBW"));
    const QList<Fragment> parts = fragments(view.document());
    QVERIFY(parts.size() >= 2);
    QCOMPARE(parts.first().text, QStringLiteral("Body weight"));
    QVERIFY(parts.first().bold);
    QCOMPARE(parts.first().color, QColor(0, 0, 128));
    QVERIFY(!parts.last().bold);
    // The stored typewriter font is shown in the system's fixed-pitch font.
    const QTextCharFormat first = view.document()->begin().begin().fragment().charFormat();
    QCOMPARE(first.fontFamilies().toStringList().value(0), FixedPitchFont().family());
    QCOMPARE(view.fieldText(), Rtf);

    // A click into the bold line does not make the next row's plain text bold.
    QTextCursor inBold(view.document());
    inBold.setPosition(3);
    view.setTextCursor(inBold);
    QVERIFY(view.currentCharFormat().fontWeight() >= QFont::Bold);
    table.prior();
    QCOMPARE(view.toPlainText(), QStringLiteral("a\nb\n\nc\n"));
    for (const Fragment& part : fragments(view.document()))
        QVERIFY2(!part.bold, qPrintable(part.text));
    QVERIFY(view.currentCharFormat().fontWeight() < QFont::Bold);
}

void DbViewsTest::gridAndNavigatorMoveTheTable()
{
    DataTable table;
    DataSource source(&table);
    fill(table);
    int handled = 0;
    source.setHandler([&handled] { ++handled; });
    ErrorGuard guard;
    DbGrid grid(&source, {QStringLiteral("NAME")}, true, &guard);
    DbNavigator navigator(&guard);
    navigator.setDataSource(&source);
    grid.resize(300, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));

    auto button = [&navigator](const char* name) {
        return navigator.findChild<QToolButton*>(QLatin1String(name));
    };
    QVERIFY(!button("nbFirst")->isEnabled());
    QVERIFY(button("nbLast")->isEnabled());

    const QModelIndex third = grid.model()->index(2, 0);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(third).center());
    QCOMPARE(table.recNo(), 3);
    QCOMPARE(handled, 1);
    QVERIFY(!button("nbNext")->isEnabled());

    QTest::mouseClick(button("nbPrior"), Qt::LeftButton);
    QCOMPARE(table.recNo(), 2);
    QCOMPARE(grid.selectionModel()->selectedRows().value(0).row(), 1);
    QTest::keyClick(&grid, Qt::Key_Up);
    QCOMPARE(table.recNo(), 1);
    QCOMPARE(handled, 3);
    // A click on the current row moves nothing and runs no handler.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(grid.model()->index(0, 0)).center());
    QCOMPARE(handled, 3);

    DbNavigator unbound(&guard);
    QVERIFY(!unbound.findChild<QToolButton*>(QStringLiteral("nbNext"))->isEnabled());
}

void DbViewsTest::guardReportsErrors()
{
    ErrorGuard guard;
    QStringList reported;
    guard.setReporter([&reported](const QString& message) { reported << message; });
    QVERIFY(guard.run([] {}));
    QVERIFY(!guard.run([] { throw VeltraError(QStringLiteral("\"x.xml\": line 3")); }));
    QVERIFY(
        !guard.run([] { throw FloatingPointError(QStringLiteral("Floating point overflow")); }));
    QVERIFY(!guard.run([] { throw std::runtime_error("plain failure"); }));
    QCOMPARE(reported,
             QStringList({"\"x.xml\": line 3", "Floating point overflow", "plain failure"}));
}

namespace {

/// A window with a guard and handlers of each shape ConnectGuarded takes.
class GuardedWindow : public QObject
{
    Q_OBJECT
public:
    GuardedWindow()
    {
        m_guard.setReporter([this](const QString& m) { reported << m; });
    }
    ErrorGuard& Guard() { return m_guard; }
    void noArguments() { calls << QStringLiteral("none"); }
    void firstArgument(int value) { calls << QString::number(value); }
    void failing(const QString& text) { throw VeltraError(QStringLiteral("failed on ") + text); }

    QStringList calls;
    QStringList reported;

Q_SIGNALS:
    void pair(int value, const QString& text);

private:
    ErrorGuard m_guard;
};

} // namespace

void DbViewsTest::guardedHandlers()
{
    GuardedWindow window;
    ConnectGuarded(&window, &GuardedWindow::pair, &window, &GuardedWindow::noArguments);
    ConnectGuarded(&window, &GuardedWindow::pair, &window, &GuardedWindow::firstArgument);
    ConnectGuarded(&window, &GuardedWindow::pair, &window,
                   [&window](int value, const QString& text) {
                       window.calls << QString::number(value) + text;
                   });
    ConnectGuarded(&window, &GuardedWindow::pair, &window,
                   [&window](int, const QString& text) { window.failing(text); });
    // Handlers connected after the failing one still run: the error stayed in the guard.
    ConnectGuarded(&window, &GuardedWindow::pair, &window, &GuardedWindow::noArguments);
    Q_EMIT window.pair(7, QStringLiteral("x"));
    QCOMPARE(window.calls, QStringList({"none", "7", "7x", "none"}));
    QCOMPARE(window.reported, QStringList({"failed on x"}));

    const std::function<void()> handler = Guarded(&window, &GuardedWindow::noArguments);
    handler();
    QCOMPARE(window.calls.size(), 5);
}

void DbViewsTest::protocolViewFollowsTheLog()
{
    ProtocolLog log;
    log.AddLine(QStringLiteral("before the view"));
    ProtocolView view(&log);
    QCOMPARE(view.toPlainText(), QStringLiteral("before the view"));
    log.AddLine(QStringLiteral("Connect XML with : a.xml"));
    log.ExtendLastLine(QStringLiteral(" o.k."));
    QCOMPARE(view.toPlainText(), QStringLiteral("before the view\nConnect XML with : a.xml o.k."));

    // What the user types becomes the log, and the log goes on from there.
    view.show();
    view.moveCursor(QTextCursor::End);
    QTest::keyClicks(&view, QStringLiteral("!"));
    QTest::keyClick(&view, Qt::Key_Return);
    QTest::keyClicks(&view, QStringLiteral("note"));
    QCOMPARE(log.lines(),
             QStringList({"before the view", "Connect XML with : a.xml o.k.!", "note"}));
    QCOMPARE(view.textCursor().position(), view.toPlainText().size()); // typing stays in place
    log.AddLine(QStringLiteral("Done."));
    QCOMPARE(view.toPlainText().split(u'\n').last(), QStringLiteral("Done."));
    view.selectAll();
    QTest::keyClick(&view, Qt::Key_Delete);
    QCOMPARE(log.lines(), QStringList());
    log.AddLine(QStringLiteral("first"));
    QCOMPARE(view.toPlainText(), QStringLiteral("first"));
    log.Clear();
    QCOMPARE(view.toPlainText(), QString());
}

// Counts the layout requests a window receives.
class LayoutRequests : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::LayoutRequest;
        return false;
    }
};

void DbViewsTest::changingHeadingsKeepTheLayout()
{
    QWidget window;
    auto* box = new QVBoxLayout(&window);
    auto* heading = new TextLine(&window);
    auto* legend = new LegendStrip(&window);
    box->addWidget(heading);
    box->addWidget(legend);
    box->addStretch(1);
    const QList<LegendStrip::Entry> two = {
        {QStringLiteral("#"), Qt::red, QStringLiteral("first")},
        {QStringLiteral("#"), QColor(), QStringLiteral("second")}};
    legend->setEntries(two);
    window.resize(legend->sizeHint().width() + 40, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const int lineHeight = legend->fontMetrics().lineSpacing();
    QCOMPARE(legend->height(), lineHeight);
    LayoutRequests requests;
    window.installEventFilter(&requests);

    // New texts of the same shape: repainted, no new layout.
    heading->setText(QString(400, u'x'));
    legend->setEntries({two.at(0), {QStringLiteral("#"), QColor(), QStringLiteral("secund")}});
    QCoreApplication::processEvents();
    QCOMPARE(requests.count, 0);
    // A heading wider than its line is cut, and the tool tip shows it whole.
    QCOMPARE(heading->height(), heading->fontMetrics().height());
    QCOMPARE(heading->toolTip(), QString(400, u'x'));
    heading->setText(QStringLiteral("short"));
    QCOMPARE(heading->toolTip(), QString());

    // Entries wrap between each other, never inside one; a second line is laid out.
    const QString wide(20, u'w');
    legend->setEntries({two.at(0), two.at(1), {QStringLiteral("#"), QColor(), wide}});
    QCOMPARE(legend->lineCount(legend->width()), 2);
    QCOMPARE(legend->lineCount(legend->sizeHint().width()), 1);
    QCOMPARE(legend->lineCount(legend->sizeHint().width() - 1), 2);
    QCOMPARE(legend->lineCount(1), 3);
    QCoreApplication::processEvents();
    QVERIFY(requests.count > 0);
    QCOMPARE(legend->height(), 2 * lineHeight);
    QCOMPARE(legend->text(), QStringLiteral("# first   # second   # ") + wide);

    // A narrower window: the strip takes the lines its entries need at the new width.
    window.resize(legend->sizeHint().width() / 3, 200);
    QCoreApplication::processEvents();
    QVERIFY(legend->lineCount(legend->width()) > 2);
    QCOMPARE(legend->height(), legend->lineCount(legend->width()) * lineHeight);

    legend->setEntries({});
    QCOMPARE(legend->lineCount(legend->width()), 1);
    QCoreApplication::processEvents();
    QCOMPARE(legend->height(), lineHeight);

    // The status bar's panels, fixed and stretching, take new texts the same way.
    PanelStatusBar bar;
    bar.addPanel(60, QStringLiteral("Top:"));
    bar.addPanel(100, QStringLiteral("Content:"), true);
    bar.resize(300, bar.sizeHint().height());
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    LayoutRequests barRequests;
    bar.installEventFilter(&barRequests);
    const QString wideText = QStringLiteral("Top:") + QString(60, u'W');
    bar.setPanelText(0, wideText);
    bar.setPanelText(1, QStringLiteral("Content: body weight"));
    QCoreApplication::processEvents();
    QCOMPARE(barRequests.count, 0);
    QCOMPARE(bar.panelText(0), wideText);
    auto* cut = bar.findChild<QWidget*>(QStringLiteral("panel0"));
    QVERIFY(cut);
    QCOMPARE(cut->width(), 60);
    // Side by side: the stretching panel takes the room right of the fixed one.
    auto* rest = bar.findChild<QWidget*>(QStringLiteral("panel1"));
    QVERIFY(rest);
    QVERIFY2(rest->x() > cut->geometry().right() && rest->geometry().right() > 250,
             qPrintable(QStringLiteral("%1 + %2").arg(rest->x()).arg(rest->width())));
    QCOMPARE(cut->toolTip(), wideText); // cut in the panel, whole as its tool tip
}

// The largest difference of one colour channel between two images of the same size.
int LargestDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row);
            const QRgb q = y.pixel(column, row);
            largest =
                std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return largest;
}

void DbViewsTest::cachedPanelsLookLikeDrawnOnes()
{
    QWidget window;
    auto* drawn = new QLineEdit(QStringLiteral("=RiskPearson6(100, 100, 1)"), &window);
    auto* copied = new QLineEdit(drawn->text(), &window);
    copied->setStyle(CachedPanelStyle::Instance());
    // Neither takes the focus, whose frame is of another colour.
    drawn->setFocusPolicy(Qt::NoFocus);
    copied->setFocusPolicy(Qt::NoFocus);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Each size and state has a panel of its own: a copy drawn for another would show.
    struct Case
    {
        QSize size;
        bool enabled;
        bool readOnly;
    };
    for (const Case& c :
         {Case{{200, 22}, true, true}, Case{{949, 22}, true, true}, Case{{200, 22}, false, true},
          Case{{60, 30}, true, false}, Case{{200, 22}, true, true}}) {
        for (QLineEdit* edit : {drawn, copied}) {
            edit->resize(c.size);
            edit->setEnabled(c.enabled);
            edit->setReadOnly(c.readOnly);
        }
        const QImage plain = drawn->grab().toImage();
        const QImage cached = copied->grab().toImage();
        QCOMPARE(cached.size(), plain.size());
        // Antialiased edges may round one step apart through the pixmap.
        QVERIFY2(LargestDifference(plain, cached) <= 2,
                 qPrintable(QStringLiteral("%1x%2").arg(c.size.width()).arg(c.size.height())));
    }
}

void DbViewsTest::textCellsLookLikeStyledOnes()
{
    // The same table twice, one painted by the style's delegate, one by the text cells'.
    auto fill = [](QTableWidget& table) {
        table.setColumnCount(4);
        table.setRowCount(4);
        table.verticalHeader()->setVisible(false);
        const Qt::Alignment aligns[] = {Qt::AlignLeft | Qt::AlignVCenter,
                                        Qt::AlignRight | Qt::AlignVCenter, Qt::AlignCenter,
                                        Qt::AlignLeft | Qt::AlignTop};
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 4; ++column) {
                auto* item = new QTableWidgetItem(
                    row == 3 ? QStringLiteral("a text far wider than its column of the table")
                             : QStringLiteral("P%1 %2 %").arg(row * 10 + column).arg(-0.1 * row));
                item->setTextAlignment(aligns[column]);
                table.setItem(row, column, item);
            }
        }
        table.item(1, 1)->setBackground(QColor(0xc6, 0xef, 0xce));
        table.item(2, 0)->setForeground(QColor(0xd9, 0x5f, 0x02));
        table.item(0, 2)->setText(QString());
        for (int column = 0; column < 4; ++column)
            table.setColumnWidth(column, 90);
        table.resize(400, 150);
    };
    QTableWidget styled;
    QTableWidget text;
    fill(styled);
    fill(text);
    text.setItemDelegate(new TextCellDelegate(&text));
    for (QTableWidget* table : {&styled, &text}) {
        table->setFocusPolicy(Qt::NoFocus);
        table->show();
        QVERIFY(QTest::qWaitForWindowExposed(table));
    }
    // Word wrap on (a too wide text goes to the style) and off (it is cut), a selected row,
    // a disabled table.
    for (int step = 0; step < 4; ++step) {
        for (QTableWidget* table : {&styled, &text}) {
            table->setWordWrap(step != 1);
            if (step == 2)
                table->selectRow(1);
            table->setEnabled(step != 3);
        }
        QCOMPARE(LargestDifference(styled.viewport()->grab().toImage(),
                                   text.viewport()->grab().toImage()),
                 0);
    }
}

QTEST_MAIN(DbViewsTest)
#include "DbViews_test.moc"
