// The viewer: creates its windows and runs the event loop.
//
//   veltra [DATABASE_DIR]
//
// With the environment variable VELTRA_QUIT_AFTER_FIRST_PAINT set, the program ends as
// soon as the main window has painted once (for timing the start-up).
// DATABASE_DIR becomes the current folder and the folder data files are looked for in;
// the settings file stays beside the executable. Without DATABASE_DIR the current folder
// is used when it holds a database, else the installed sample database (a copy in the
// user's data folder).
#include "app/DatabaseFolder.h"
#include "app/ui/fMain.h"
#include "convert/ui/fConvertPP.h"
#include "reports/ui/uInfo.h"
#include "search/ui/uThesau1.h"
#include "search/ui/uWhatsOn.h"
#include "tables/ui/uClipTables.h"
#include "tables/ui/uFormATable.h"
#include "util/VeltraError.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>

namespace {

/// Ends the process as soon as the watched window has painted for the first time, before
/// anything is saved: with VELTRA_QUIT_AFTER_FIRST_PAINT set, so that the start-up can be
/// timed as a whole process.
class QuitAfterFirstPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            // After the paint pass of this expose event has finished.
            QTimer::singleShot(0, [] {
                std::fflush(nullptr);
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltra"));

    // A folder argument, or a database in the current folder, is opened as it is; a bare
    // start elsewhere (from the desktop menu) opens the installed sample database.
    const QStringList args = QApplication::arguments();
    veltra::StartFolder start;
    try {
        start = veltra::ChooseStartFolder(
            args.value(1), QDir::currentPath(),
            veltra::InstalledSampleFolder(QApplication::applicationDirPath()),
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    } catch (const veltra::VeltraError& error) {
        std::fprintf(stderr, "veltra: %s\n", qPrintable(error.message()));
        return 1;
    }
    const QString& databaseDir = start.folder;
    if (!databaseDir.isEmpty() && !QDir::setCurrent(databaseDir)) {
        std::fprintf(stderr, "veltra: cannot open the folder %s\n",
                     qPrintable(args.value(1, databaseDir)));
        return 1;
    }

    // Only the main window is built at start; the other windows are made by the first
    // command that opens one of them and then live for the whole run.
    veltra::TForm1 form1(QApplication::applicationFilePath(), databaseDir);
    std::unique_ptr<veltra::TfConvertPP> fConvertPP;
    std::unique_ptr<veltra::TAboutBox> aboutBox;
    std::unique_ptr<veltra::TfFormTab> fFormTab;
    std::unique_ptr<veltra::TfSearchIndex> fSearchIndex;
    std::unique_ptr<veltra::TfWhatsOn> fWhatsOn;
    std::unique_ptr<veltra::TfClipTab> fClipTab;
    form1.SetSecondaryWindows([&] {
        fConvertPP = std::make_unique<veltra::TfConvertPP>(form1.Guard());
        aboutBox = std::make_unique<veltra::TAboutBox>();
        fFormTab =
            std::make_unique<veltra::TfFormTab>(QApplication::applicationFilePath(), form1.Guard());
        fSearchIndex = std::make_unique<veltra::TfSearchIndex>(
            form1.Guard(), [&form1](const QString& top, const QString& ps, qint64 id) {
                form1.GoToParameter(top, ps, id);
            });
        fWhatsOn = std::make_unique<veltra::TfWhatsOn>();
        fClipTab = std::make_unique<veltra::TfClipTab>();
        // Closing the main window ends the program, whichever other windows are open.
        for (QWidget* window :
             std::initializer_list<QWidget*>{fConvertPP.get(), aboutBox.get(), fFormTab.get(),
                                             fSearchIndex.get(), fWhatsOn.get(), fClipTab.get()})
            window->setAttribute(Qt::WA_QuitOnClose, false);
        return veltra::SecondaryWindows{fFormTab.get(), fClipTab.get(), fSearchIndex.get(),
                                        fWhatsOn.get(), aboutBox.get()};
    });
    if (!start.protocolLine.isEmpty())
        form1.AddProtocolLine(start.protocolLine);
    QuitAfterFirstPaint quitAfterFirstPaint;
    if (qEnvironmentVariableIsSet("VELTRA_QUIT_AFTER_FIRST_PAINT"))
        form1.installEventFilter(&quitAfterFirstPaint);
    form1.show();
    return QApplication::exec();
}
