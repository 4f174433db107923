// The viewer: creates its windows and runs the event loop.
//
//   veltra [DATABASE_DIR]
//
// DATABASE_DIR becomes the current folder and the folder data files are looked for in;
// the settings file stays beside the executable.
#include "app/ui/fMain.h"
#include "convert/ui/fConvertPP.h"
#include "reports/ui/uInfo.h"
#include "search/ui/uThesau1.h"
#include "search/ui/uWhatsOn.h"
#include "tables/ui/uClipTables.h"
#include "tables/ui/uFormATable.h"

#include <QApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>
#include <initializer_list>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltra"));

    QString databaseDir;
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        databaseDir = QDir(args.at(1)).absolutePath();
        if (!QDir::setCurrent(databaseDir)) {
            std::fprintf(stderr, "veltra: cannot open the folder %s\n", qPrintable(args.at(1)));
            return 1;
        }
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
    form1.show();
    return QApplication::exec();
}
