// The conversion window: its controls and menus, Transform piling tables up in the
// output area, the clipboard and file commands, and errors ending in the guard.
#include "../common/Actions.h"
#include "convert/ConvertParameterSets.h"
#include "convert/ui/fConvertPP.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorGuard.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace veltra;

namespace {

const QStringList InitialOutput{"Conversion / Transformation of Pandor parameter sets ",
                                "Beta Version 1.0 3.5.2005 Talm", ""};
const QStringList GfLines{"TYPE=Lognormal;",   "PT=0 0.0153 21;", "KS=0.05;",
                          "TYPE=Exponential;", "PT=0 0.25;",      "AP=0.3;"};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class ConvertWindowTest : public QObject
{
    Q_OBJECT

    ErrorGuard guard;
    QStringList errors;
    std::unique_ptr<TfConvertPP> window;
    QString answer; // the file name the dialogs answer; empty: cancelled
    QList<FileDialogSettings> asked;

    void trigger(const char* name) { fixture::trigger(*window, name); }

private Q_SLOTS:
    void init()
    {
        errors.clear();
        asked.clear();
        answer.clear();
        guard.setReporter([this](const QString& message) { errors << message; });
        Dialogs::SetFileAnswerer(
            [this](Dialogs::FileMode, const FileDialogSettings& settings, const QString&) {
                asked << settings;
                return answer;
            });
        window = std::make_unique<TfConvertPP>(guard);
    }
    void cleanup()
    {
        window.reset();
        Dialogs::SetFileAnswerer({});
    }

    void designedWindow()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("Transform GF into Standard parameter"));
        QVERIFY(window->windowFlags().testFlag(Qt::Tool));
        QVERIFY(!window->isVisible());
        QCOMPARE(window->geometry(), QRect(226, 218, 796, 521));
        QCOMPARE(window->OutputLines(), InitialOutput);
        QVERIFY(window->InputLines().isEmpty());
        QCOMPARE(window->Label1->text(), QStringLiteral("GF - Parameters"));
        QCOMPARE(window->Label2->text(), QStringLiteral("Standard - Parameters"));
        const QList<QPair<QPushButton*, QString>> buttons{{window->Button2, "&Insert from Clipb."},
                                                          {window->Button3, "&Clear"},
                                                          {window->bClose, "&Close"},
                                                          {window->bTransform, "&Transform"},
                                                          {window->bResultCl, "&Result to ClpBrd"},
                                                          {window->Button4, "&Clear"}};
        for (const auto& [button, caption] : buttons) {
            QCOMPARE(button->text(), caption);
            // The caption fits with the style's margins, whatever this system's font.
            QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(caption));
        }
        for (QPlainTextEdit* area : {window->Memo1, window->Memo2}) {
            QCOMPARE(area->lineWrapMode(), QPlainTextEdit::NoWrap);
            QVERIFY(!area->isReadOnly());
            // Fixed pitch as the reader sees it: every glyph as wide as the others.
            const QFontMetricsF metrics(area->font());
            for (const QChar c : QStringLiteral("il.W0 m|"))
                QCOMPARE(metrics.horizontalAdvance(c), metrics.horizontalAdvance(u'M'));
        }
        // Tab order: Transform, input, output, then the buttons.
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->bTransform->setFocus();
        for (QWidget* next :
             {static_cast<QWidget*>(window->Memo1), static_cast<QWidget*>(window->Memo2),
              static_cast<QWidget*>(window->Button2), static_cast<QWidget*>(window->Button3),
              static_cast<QWidget*>(window->Button4), static_cast<QWidget*>(window->bClose),
              static_cast<QWidget*>(window->bResultCl)}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        window->hide();

        QStringList menu;
        for (QAction* action : window->menuBar()->actions()) {
            menu << action->text();
            if (action->menu())
                for (QAction* item : action->menu()->actions())
                    menu << QStringLiteral("  ") + (item->isSeparator() ? "-" : item->text());
        }
        QCOMPARE(menu, (QStringList{"Input", "  &Load", "  &From Cliboard", "  -", "  &Clear",
                                    "&Transform", "&Output", "  &Save as ..", "  -", "  &Clear",
                                    "&Quit"}));
        QCOMPARE(window->OpenDialog1.title, QStringLiteral("Load a file"));
        QCOMPARE(window->OpenDialog1.defaultExtension, QStringLiteral("*.txt"));
        QCOMPARE(window->SaveDialog1.title, QStringLiteral("Save as ..."));
        QCOMPARE(window->SaveDialog1.defaultExtension, QStringLiteral("txt"));
        for (const FileDialogSettings& settings : {window->OpenDialog1, window->SaveDialog1})
            QCOMPARE(settings.filter, QStringLiteral("Text file (ASCII9 |*.txt|All|*.*"));
    }

    void transformPilesTablesUp()
    {
        window->Memo1->setPlainText(GfLines.join('\n'));
        const GeneratorResult expected = ConvertParameterSets(GfLines);
        QVERIFY(expected.complete());
        QCOMPARE(expected.lines.size(), 3);

        QTest::mouseClick(window->bTransform, Qt::LeftButton);
        trigger("ransform1");
        QCOMPARE(window->OutputLines(), InitialOutput + QStringList{""} + expected.lines +
                                            QStringList{""} + expected.lines);
        QCOMPARE(window->InputLines(), GfLines);
        QVERIFY(errors.isEmpty());

        // Reset: other texts than at the start, then an empty input gives the header only.
        QTest::mouseClick(window->Button4, Qt::LeftButton);
        QCOMPARE(window->OutputLines(),
                 (QStringList{"Conversion / Transformation of Pandor Parameter Sets",
                              "Beta Version 1.0 3.5.2005 Talm ", ""}));
        trigger("Claer1");
        trigger("ransform1");
        QCOMPARE(window->OutputLines().mid(3),
                 (QStringList{"", ConvertParameterSets({}).lines.value(0)}));
    }

    void altKeysActEveryTime()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->Memo1->setPlainText(GfLines.join('\n'));
        const QStringList table = ConvertParameterSets(GfLines).lines;
        window->Memo1->setFocus();
        // Alt+T transforms at each press.
        QTest::keyClick(window->Memo1, Qt::Key_T, Qt::AltModifier);
        QTest::keyClick(window->Memo1, Qt::Key_T, Qt::AltModifier);
        QCOMPARE(window->OutputLines(),
                 InitialOutput + QStringList{""} + table + QStringList{""} + table);
        // Alt+C clears (the first "&Clear", the input's) instead of moving the focus.
        QTest::keyClick(window->Memo1, Qt::Key_C, Qt::AltModifier);
        QVERIFY(window->InputLines().isEmpty());
        QVERIFY(window->isVisible());
        QVERIFY(errors.isEmpty());
        window->hide();
    }

    void failingLineKeepsTheRowsBeforeIt()
    {
        const QStringList lines = GfLines + QStringList{"TYPE=Weibull;", "PT=1;", "KS=0.1;"};
        window->Memo1->setPlainText(lines.join('\n'));
        const GeneratorResult expected = ConvertParameterSets(lines);
        QVERIFY(!expected.complete());

        QTest::mouseClick(window->bTransform, Qt::LeftButton);
        QCOMPARE(window->OutputLines(), InitialOutput + QStringList{""} + expected.lines);
        QCOMPARE(errors, QStringList{expected.error});
    }

    void clipboardCommands()
    {
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->setText(GfLines.join('\n'));
        window->Memo1->setPlainText(QStringLiteral("old"));
        QTest::mouseClick(window->Button2, Qt::LeftButton);
        QCOMPARE(window->InputLines(), GfLines);

        // A picture on the clipboard: the input area is left empty.
        auto* picture = new QMimeData;
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        picture->setImageData(image);
        clipboard->setMimeData(picture);
        trigger("FromCliboard1");
        QVERIFY(window->InputLines().isEmpty());

        QTest::mouseClick(window->bResultCl, Qt::LeftButton);
        QCOMPARE(clipboard->text(), InitialOutput.join('\n'));
    }

    void loadAndSave()
    {
        QTemporaryDir dir;
        const QString input = dir.filePath("gf.txt");
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(GfLines.join("\r\n").toUtf8() + "\r\n");
        file.close();

        window->Memo1->setPlainText(QStringLiteral("old"));
        trigger("Load1"); // cancelled: nothing changes
        QCOMPARE(window->InputLines(), QStringList{"old"});
        answer = input;
        trigger("Load1");
        QCOMPARE(window->InputLines(), GfLines);
        QCOMPARE(asked.last().title, QStringLiteral("Load a file"));

        const QString output = dir.filePath("out.txt");
        answer = output;
        trigger("Saveas1");
        QCOMPARE(ReadAll(output), InitialOutput.join("\r\n").toUtf8() + "\r\n");
        QVERIFY(asked.last().confirmOverwrite);

        // A file that cannot be read: the input area is already empty, the error shown.
        answer = dir.filePath("missing.txt");
        trigger("Load1");
        QVERIFY(window->InputLines().isEmpty());
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains("missing.txt"), qPrintable(errors.first()));

        // A target that cannot be written: reported, the output area kept.
        answer = dir.path();
        trigger("Saveas1");
        QCOMPARE(errors.size(), 2);
        QCOMPARE(window->OutputLines(), InitialOutput);
        QVERIFY2(errors.last().contains(dir.path()), qPrintable(errors.last()));
    }

    void closingHides()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTest::mouseClick(window->bClose, Qt::LeftButton);
        QVERIFY(!window->isVisible());
        window->show();
        trigger("Quit2");
        QVERIFY(!window->isVisible());
        QCOMPARE(window->findChild<QAction*>("Quit2")->shortcut(),
                 QKeySequence(Qt::ALT | Qt::Key_F4));
    }
};

QTEST_MAIN(ConvertWindowTest)
#include "ConvertWindow_test.moc"
