// The main window's start, settings, closing, screen sizes and the commands on all tables.
#include "app/ui/fMain.h"

#include "app/IniFile.h"
#include "app/ui/InformationTab.h"
#include "app/ui/ProtocolTab.h"
#include "data/DataSource.h"
#include "reports/ui/uInfo.h"
#include "tables/ResultTable.h"
#include "util/LocaleText.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QTabWidget>

namespace veltra {

const QString TForm1::VersionText =
    QStringLiteral("Beta Test Version: 28.Febr.2007 / V8.12 XML / Pandor Version");
const QString TForm1::EditModeText = QStringLiteral("Edit Mode: Read/Write");

TForm1::~TForm1()
{
    // The handlers of the table links call this window and its parts: they go before the
    // window does.
    ReferenceDatabase& db = m_state.db;
    for (DataSource* source :
         {&db.headlineLink(), &db.topicLink(), &db.parameterLink(), &db.dataFileLink()})
        source->setHandler({});
}

void TForm1::FormCreate()
{
    AddProtocolLine(QStringLiteral("Veltra : ") + VersionText);
    const QDateTime now = QDateTime::currentDateTime();
    AddProtocolLine(QStringLiteral("Date ") + ShortDateText(now.date()));
    AddProtocolLine(QStringLiteral("Time ") + LongTimeText(now.time()));
    AddProtocolLine(QString());

    // A hierarchy table that cannot be loaded ends the start here; the window opens with
    // what was loaded.
    if (!m_state.guard.run([this] { LoadHierarchyTables(); }))
        return;

    AddProtocolLine(QStringLiteral("EXE dir.: ") + m_state.exePath);
    AddProtocolLine(QStringLiteral("Run dir.: ") + m_state.db.runDir());
    m_state.sectionFieldNames = DefaultSectionFieldNames();
    ReadSettings();
    // Whatever the settings say, the window opens in its standard size.
    Standard();
}

QString TForm1::SettingsPath() const
{
    const QString& exePath = m_state.exePath;
    const qsizetype slash = exePath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = exePath.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? exePath.left(dot) : exePath;
    return stem + QStringLiteral(".INI");
}

void TForm1::SetSecondaryWindows(std::function<SecondaryWindows()> make)
{
    m_state.makeWindows = std::move(make);
}

void TForm1::ReadSettings()
{
    // A missing file gives every default; a file that exists but cannot be read leaves
    // the window's initial states.
    m_state.reportPaper = LocalePaperSize(QLocale());
    IniFile ini;
    if (!ini.load(SettingsPath()) && QFileInfo::exists(SettingsPath()))
        return;
    m_state.reportPaper =
        ParsePaperSize(ini.readString(QStringLiteral("Report"), QStringLiteral("Paper"),
                                      PaperSizeName(m_state.reportPaper)))
            .value_or(m_state.reportPaper);
    if (ini.readBool(QStringLiteral("Screen"), QStringLiteral("Maximized"), false))
        setWindowState(Qt::WindowMaximized);
    m_state.restrictOrder = ini.readString(QStringLiteral("Order"), QStringLiteral("Restrict"),
                                           QStringLiteral("0.15 0.05 0.20 0.20 0.20 0.10 0.10"));
    m_protocol->ReadSettings(ini);
}

void TForm1::WriteSettings()
{
    IniFile ini;
    ini.load(SettingsPath());
    ini.writeBool(QStringLiteral("Screen"), QStringLiteral("Maximized"), isMaximized());
    ini.writeString(QStringLiteral("Order"), QStringLiteral("Restrict"),
                    QStringLiteral("15 5 20 20 20 10 10"));
    m_protocol->WriteSettings(ini);
    ini.save(SettingsPath()); // a settings file that cannot be written is ignored
}

void TForm1::LoadHierarchyTables()
{
    m_state.db.LoadHierarchyTables(m_state.log);
}

void TForm1::CloseTablesAndSaveSettings()
{
    m_state.db.CloseTables();
    WriteSettings();
}

void TForm1::ReopenTables()
{
    CloseTablesAndSaveSettings();
    LoadHierarchyTables();
}

void TForm1::OpenAllTables()
{
    t->setCurrentIndex(0);
    AddProtocolLine(QStringLiteral("Open all tables"));
    LoadHierarchyTables();
    AddProtocolLine(QStringLiteral("Done."));
}

void TForm1::CloseAllTables()
{
    AddProtocolLine(QStringLiteral("Closing all tables"));
    CloseTablesAndSaveSettings();
    AddProtocolLine(QStringLiteral("Done."));
}

void TForm1::Quit()
{
    CloseTablesAndSaveSettings();
    close();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    m_state.guard.run([this] { CloseTablesAndSaveSettings(); });
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (m_information)
        m_information->PlaceCloseButton();
}

void TForm1::Standard()
{
    setWindowState(Qt::WindowNoState);
    resize(StandardWidth, StandardHeight);
    update();
}

void TForm1::ShowAboutBox()
{
    // The program's start gives the window the about box; without one (a window made
    // on its own) the window makes its own, so the command always works.
    TAboutBox* box = m_state.Windows().aboutBox;
    if (!box) {
        box = new TAboutBox(this);
        m_state.windows.aboutBox = box;
    }
    box->Version->setText(VersionText);
    box->ModeLabel->setText(EditModeText);
    box->exec();
}

} // namespace veltra
