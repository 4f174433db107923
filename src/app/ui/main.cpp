// The viewer: creates its windows and runs the event loop.
//
//   veltra [DATABASE_DIR]
//
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
#include <QStandardPaths>
#include <QStringList>
#include <cstdio>
#include <initializer_list>

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

    // Every window exists for the whole run; only the main window is shown at start.
    veltra::TForm1 form1(QApplication::applicationFilePath(), databaseDir);
    veltra::TfConvertPP fConvertPP(form1.Guard());
    veltra::TAboutBox aboutBox;
    veltra::TfFormTab fFormTab(QApplication::applicationFilePath(), form1.Guard());
    veltra::TfSearchIndex fSearchIndex(form1.Guard(),
                                       [&form1](const QString& top, const QString& ps, qint64 id) {
                                           form1.GoToParameter(top, ps, id);
                                       });
    veltra::TfWhatsOn fWhatsOn;
    veltra::TfClipTab fClipTab;
    // Closing the main window ends the program, whichever other windows are open.
    for (QWidget* window : std::initializer_list<QWidget*>{&fConvertPP, &aboutBox, &fFormTab,
                                                           &fSearchIndex, &fWhatsOn, &fClipTab})
        window->setAttribute(Qt::WA_QuitOnClose, false);
    form1.fFormTab = &fFormTab;
    form1.fClipTab = &fClipTab;
    form1.fSearchIndex = &fSearchIndex;
    form1.fWhatsOn = &fWhatsOn;
    form1.AboutBox = &aboutBox;
    if (!start.protocolLine.isEmpty())
        form1.AddProtocolLine(start.protocolLine);
    form1.show();
    return QApplication::exec();
}
