// The "&LogFile" commands (show, save, the hidden clear) and the about box of "&Info".
#include "../common/Actions.h"
#include "../common/TestFiles.h"
#include "GuiFixture.h"
#include "SecondaryWindows.h"

#include "reports/ui/uInfo.h"
#include "widgets/Dialogs.h"
#include "widgets/ProtocolView.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>

using fixture::Child;
using fixture::Session;
using veltra::Dialogs;
using veltra::FileDialogSettings;
using veltra::TAboutBox;
using veltra::TForm1;

namespace {

using fixture::trigger;

using fixture::ReadBytes;

/// The bytes a log file holds: every line followed by CR LF, as UTF-8.
QByteArray LogFileBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

/// Answers the save dialog with a fixed name (empty: cancelled) and keeps what it was
/// asked.
struct SaveAnswer
{
    QList<FileDialogSettings> asked;

    explicit SaveAnswer(const QString& answer)
    {
        Dialogs::SetFileAnswerer([this, answer](Dialogs::FileMode mode,
                                                const FileDialogSettings& settings,
                                                const QString&) {
            if (mode == Dialogs::FileMode::Save)
                asked << settings;
            return answer;
        });
    }
    ~SaveAnswer() { Dialogs::SetFileAnswerer({}); }
};

/// Where a child control of the box lies, in the box's own coordinates.
QRect InBox(const QWidget* control, const TAboutBox& box)
{
    return QRect(control->mapTo(&box, QPoint(0, 0)), control->size());
}

} // namespace

class ProtocolAboutTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showOnlySwitchesTheTab();
    void saveWritesEveryLine_data();
    void saveWritesEveryLine();
    void saveCancelledWritesNothing();
    void saveFailureLeavesTheLog_data();
    void saveFailureLeavesTheLog();
    void hiddenClearEmptiesTheLog();
    void viewStaysAtTheLineStarts();
    void aboutBoxLayout();
    void aboutBoxShowsTheTextsEveryTime_data();
    void aboutBoxShowsTheTextsEveryTime();
};

void ProtocolAboutTest::showOnlySwitchesTheTab()
{
    Session s;
    TForm1& form = s.start();
    Child<QTabWidget>(form, "t")->setCurrentIndex(0);
    const QStringList before = s.log();
    QVERIFY(!before.isEmpty());

    trigger(form, "ShowErrorProtocol1");
    auto* tabs = Child<QTabWidget>(form, "t");
    QCOMPARE(tabs->currentWidget(), Child<veltra::ProtocolView>(form, "PrtMemo")->parentWidget());
    QCOMPARE(tabs->tabText(tabs->currentIndex()), QStringLiteral("Prot./Options"));
    QCOMPARE(s.log(), before);
    QCOMPARE(Child<veltra::ProtocolView>(form, "PrtMemo")->toPlainText(),
             before.join(QLatin1Char('\n')));
    QVERIFY(s.errors.isEmpty());
}

void ProtocolAboutTest::saveWritesEveryLine_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("log as started") << QString() << false;
    QTest::newRow("with typed lines") << QStringLiteral("note of the user") << false;
    QTest::newRow("empty log") << QString() << true;
}

void ProtocolAboutTest::saveWritesEveryLine()
{
    QFETCH(QString, typed);
    QFETCH(bool, cleared);
    Session s;
    TForm1& form = s.start();
    if (cleared)
        fixture::runHandler(form, "Clear1");
    if (!typed.isEmpty()) {
        form.AddProtocolLine(QStringLiteral("Größe: 1,5 m"));
        Child<QTabWidget>(form, "t")->setCurrentWidget(
            Child<veltra::ProtocolView>(form, "PrtMemo")->parentWidget());
        Child<veltra::ProtocolView>(form, "PrtMemo")->moveCursor(QTextCursor::End);
        QTest::keyClick(Child<veltra::ProtocolView>(form, "PrtMemo"), Qt::Key_Return);
        QTest::keyClicks(Child<veltra::ProtocolView>(form, "PrtMemo"), typed);
        QCOMPARE(s.log().constLast(), typed);
    }
    // An existing, longer file is replaced whole.
    const QString path = s.dir.filePath(QStringLiteral("protocol.txt"));
    fixture::WriteFile(path, QByteArray(20000, 'x'));
    const QStringList lines = s.log();
    SaveAnswer answer(path);

    trigger(form, "SavetheErrorProtocoltofile1");
    QCOMPARE(answer.asked.size(), 1);
    const FileDialogSettings& asked = answer.asked.first();
    QCOMPARE(asked.title, QString());
    QCOMPARE(asked.defaultExtension, QStringLiteral("txt"));
    QCOMPARE(asked.filter, QStringLiteral("ASCII Text File|*.txt|All|*.*"));
    QVERIFY(asked.confirmOverwrite);
    QVERIFY(s.errors.isEmpty());
    QCOMPARE(ReadBytes(path), LogFileBytes(lines));
    QCOMPARE(ReadBytes(path).isEmpty(), cleared);
    QCOMPARE(s.log(), lines);
}

void ProtocolAboutTest::saveCancelledWritesNothing()
{
    Session s;
    TForm1& form = s.start();
    const QStringList before = s.log();
    const QStringList files = QDir(s.dir.path()).entryList(QDir::Files);
    SaveAnswer answer{QString()};

    trigger(form, "SavetheErrorProtocoltofile1");
    QCOMPARE(answer.asked.size(), 1);
    QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), files);
    QCOMPARE(s.log(), before);
    QVERIFY(s.errors.isEmpty());
}

void ProtocolAboutTest::saveFailureLeavesTheLog_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder") << "folder.txt"
                              << "it is a folder, not a regular file";
    QTest::newRow("missing folder") << "no/such/folder/protocol.txt"
                                    << "cannot write";
}

void ProtocolAboutTest::saveFailureLeavesTheLog()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    Session s;
    TForm1& form = s.start();
    QVERIFY(QDir(s.dir.path()).mkdir(QStringLiteral("folder.txt")));
    const QString path = s.dir.filePath(target);
    const QStringList before = s.log();
    SaveAnswer answer(path);

    trigger(form, "SavetheErrorProtocoltofile1");
    QCOMPARE(s.errors.size(), 1);
    QVERIFY2(s.errors.first().contains(path) && s.errors.first().contains(reason),
             qPrintable(s.errors.first()));
    QCOMPARE(s.log(), before);
    QVERIFY(!QFileInfo(path).isFile());
}

void ProtocolAboutTest::hiddenClearEmptiesTheLog()
{
    Session s;
    TForm1& form = s.start();
    QVERIFY(!s.log().isEmpty());
    // The entry is hidden and disabled; the handler runs when called.
    fixture::runHandler(form, "Clear1");
    QVERIFY(s.log().isEmpty());
    QVERIFY(Child<veltra::ProtocolView>(form, "PrtMemo")->toPlainText().isEmpty());
    form.AddProtocolLine(QStringLiteral("after clearing"));
    QCOMPARE(s.log(), QStringList{QStringLiteral("after clearing")});
}

void ProtocolAboutTest::viewStaysAtTheLineStarts()
{
    Session s;
    TForm1& form = s.start();
    Child<QTabWidget>(form, "t")->setCurrentWidget(
        Child<veltra::ProtocolView>(form, "PrtMemo")->parentWidget());
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // A line far wider than the view, then a short one: both leave the view at the left.
    form.AddProtocolLine(QStringLiteral("long ") + QString(600, u'x'));
    QApplication::processEvents();
    QVERIFY(Child<veltra::ProtocolView>(form, "PrtMemo")->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(Child<veltra::ProtocolView>(form, "PrtMemo")->horizontalScrollBar()->value(), 0);
    form.AddProtocolLine(QStringLiteral("short"));
    QApplication::processEvents();
    QCOMPARE(Child<veltra::ProtocolView>(form, "PrtMemo")->horizontalScrollBar()->value(), 0);
    QCOMPARE(Child<veltra::ProtocolView>(form, "PrtMemo")->textCursor().positionInBlock(), 0);
}

void ProtocolAboutTest::aboutBoxLayout()
{
    TAboutBox box;
    QCOMPARE(box.windowTitle(), QStringLiteral("Info"));
    QCOMPARE(box.size(), QSize(368, 217));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QCOMPARE(InBox(box.Panel1, box), box.rect());
    QCOMPARE(box.Panel1->frameShape(), QFrame::Box);
    QCOMPARE(box.Panel1->frameShadow(), QFrame::Sunken);

    QCOMPARE(InBox(box.ProgramIcon, box), QRect(8, 8, 137, 113));
    QVERIFY(box.ProgramIcon->hasScaledContents());
    QVERIFY(!box.ProgramIcon->pixmap().isNull());

    QCOMPARE(box.ProductName->text(), QStringLiteral("Veltra"));
    QCOMPARE(InBox(box.ProductName, box).topLeft(), QPoint(208, 48));
    QCOMPARE(box.ProductName->font().family(), QStringLiteral("Arial"));
    QVERIFY(box.ProductName->font().bold());
    QCOMPARE(box.ProductName->font().pixelSize(), 32);
    QCOMPARE(box.Comments->text(), QStringLiteral("Beta Version (internal project version)"));
    QVERIFY(box.Comments->wordWrap());
    QCOMPARE(InBox(box.Comments, box).topLeft(), QPoint(176, 88));
    QCOMPARE(box.ModeLabel->text(), QStringLiteral("Mode:"));
    QCOMPARE(InBox(box.ModeLabel, box).topLeft(), QPoint(176, 104));
    QCOMPARE(box.Version->text(), QStringLiteral("Version"));
    QCOMPARE(InBox(box.Version, box).topLeft(), QPoint(8, 128));
    for (const auto& [label, top] :
         {std::pair{box.Credit1, 144}, {box.Credit2, 176}, {box.Credit3, 192}}) {
        QVERIFY(!label->text().isEmpty());
        QCOMPARE(InBox(label, box).topLeft(), QPoint(8, top));
    }
    // The comment stays on its line, above the mode line.
    QVERIFY(InBox(box.Comments, box).bottom() < 104);

    QCOMPARE(box.OKButton->text(), QStringLiteral("OK"));
    QVERIFY(box.OKButton->isDefault());
    QCOMPARE(InBox(box.OKButton, box), QRect(296, 180, 58, 25));

    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QPoint centre = box.screen()->availableGeometry().center();
    QVERIFY((box.frameGeometry().center() - centre).manhattanLength() <= 2);
    QTest::mouseClick(box.OKButton, Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
}

void ProtocolAboutTest::aboutBoxShowsTheTextsEveryTime_data()
{
    QTest::addColumn<bool>("given");
    QTest::newRow("box of the program's start") << true;
    QTest::newRow("window without a box") << false;
}

void ProtocolAboutTest::aboutBoxShowsTheTextsEveryTime()
{
    QFETCH(bool, given);
    Session s;
    TForm1& form = s.start();
    TAboutBox startBox;
    if (given)
        fixture::Attach(form, {.aboutBox = &startBox});

    for (int showing = 0; showing < 2; ++showing) {
        QStringList seen;
        TAboutBox* shown = nullptr;
        QTimer::singleShot(0, &form, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            shown = qobject_cast<TAboutBox*>(modal);
            if (shown) {
                seen << shown->Version->text() << shown->ModeLabel->text();
                QTest::mouseClick(shown->OKButton, Qt::LeftButton);
            } else if (modal) {
                modal->close();
            }
        });
        trigger(form, "Info1");
        QCOMPARE(seen,
                 QStringList({QStringLiteral(
                                  "Beta Test Version: 28.Febr.2007 / V8.12 XML / Pandor Version"),
                              QStringLiteral("Edit Mode: Read/Write")}));
        QVERIFY(shown);
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        QVERIFY(!shown->isVisible());
        // The box is kept: the one given, else the one box the window made and owns.
        if (given) {
            QCOMPARE(shown, &startBox);
        } else {
            QCOMPARE(shown->parent(), &form);
            QCOMPARE(shown, Child<TAboutBox>(form, "AboutBox"));
        }
        // Texts changed between two showings are set again.
        shown->Version->setText(QStringLiteral("Version"));
        shown->ModeLabel->setText(QStringLiteral("Mode:"));
    }
    QVERIFY(s.errors.isEmpty());
}

QTEST_MAIN(ProtocolAboutTest)
#include "ProtocolAbout_test.moc"
