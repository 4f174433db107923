// The main window's start, settings, protocol, closing and screen sizes.
#include "app/ui/fMain.h"

#include "app/IniFile.h"
#include "data/DataSource.h"
#include "tables/ResultTable.h"
#include "util/LocaleText.h"
#include "widgets/ButtonTabBar.h"
#include "widgets/ProtocolView.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QToolButton>

namespace veltra {

const QString TForm1::VersionText =
    QStringLiteral("Beta Test Version: 28.Febr.2007 / V8.12 XML / Pandor Version");
const QString TForm1::EditModeText = QStringLiteral("Edit Mode: Read/Write");

TForm1::~TForm1()
{
    // The handlers of the table links call this window: they go before the window does.
    for (DataSource* source : {dsHead, dsTopics, dsPara, dsTable})
        source->setHandler({});
}

void TForm1::FormCreate()
{
    IndexOutdated = true;
    ParameterTableSaved = false;
    OpenDataFiles = true;

    AddProtocolLine(QStringLiteral("Veltra : ") + VersionText);
    const QDateTime now = QDateTime::currentDateTime();
    AddProtocolLine(QStringLiteral("Date ") + ShortDateText(now.date()));
    AddProtocolLine(QStringLiteral("Time ") + LongTimeText(now.time()));
    AddProtocolLine(QString());

    // A hierarchy table that cannot be loaded ends the start here; the window opens with
    // what was loaded.
    if (!m_guard.run([this] { LoadHierarchyTables(); }))
        return;

    AddProtocolLine(QStringLiteral("EXE dir.: ") + ExePath);
    AddProtocolLine(QStringLiteral("Run dir.: ") + RunDir);
    SectionFieldNames = DefaultSectionFieldNames();
    ReadSettings();
    // Whatever the settings say, the window opens in its standard size.
    setWindowState(Qt::WindowNoState);
    resize(StandardWidth, StandardHeight);
    update();
}

QString TForm1::SettingsPath() const
{
    const qsizetype slash = ExePath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = ExePath.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? ExePath.left(dot) : ExePath;
    return stem + QStringLiteral(".INI");
}

void TForm1::ReadSettings()
{
    // A missing file gives every default; a file that exists but cannot be read leaves
    // the window's initial states.
    ReportPaper = LocalePaperSize(QLocale());
    IniFile ini;
    if (!ini.load(SettingsPath()) && QFileInfo::exists(SettingsPath()))
        return;
    ReportPaper = ParsePaperSize(ini.readString(QStringLiteral("Report"), QStringLiteral("Paper"),
                                                PaperSizeName(ReportPaper)))
                      .value_or(ReportPaper);
    if (ini.readBool(QStringLiteral("Screen"), QStringLiteral("Maximized"), false))
        setWindowState(Qt::WindowMaximized);
    RestrictOrder = ini.readString(QStringLiteral("Order"), QStringLiteral("Restrict"),
                                   QStringLiteral("0.15 0.05 0.20 0.20 0.20 0.10 0.10"));
    cbShowAdditionalInfo->setChecked(
        ini.readBool(QStringLiteral("Restriction"), QStringLiteral("View"), true));
    cbFileAccessPrt->setChecked(
        ini.readBool(QStringLiteral("File_Prt"), QStringLiteral("View"), true));
    cbGiveIndexPrt->setChecked(
        ini.readBool(QStringLiteral("Index_Prt"), QStringLiteral("View"), true));
}

void TForm1::WriteSettings()
{
    IniFile ini;
    ini.load(SettingsPath());
    ini.writeBool(QStringLiteral("Screen"), QStringLiteral("Maximized"), isMaximized());
    ini.writeString(QStringLiteral("Order"), QStringLiteral("Restrict"),
                    QStringLiteral("15 5 20 20 20 10 10"));
    ini.writeBool(QStringLiteral("Restriction"), QStringLiteral("View"),
                  cbShowAdditionalInfo->isChecked());
    ini.writeBool(QStringLiteral("File_Prt"), QStringLiteral("View"), cbFileAccessPrt->isChecked());
    ini.writeBool(QStringLiteral("Index_Prt"), QStringLiteral("View"), cbGiveIndexPrt->isChecked());
    ini.save(SettingsPath()); // a settings file that cannot be written is ignored
}

void TForm1::EnsureSecondaryWindows()
{
    if (!MakeSecondaryWindows)
        return;
    const std::function<void()> make = std::move(MakeSecondaryWindows);
    MakeSecondaryWindows = nullptr;
    make();
}

void TForm1::AddProtocolLine(const QString& text)
{
    m_log.AddLine(text);
}

void TForm1::LoadHierarchyTables()
{
    m_db.LoadHierarchyTables(m_log);
}

void TForm1::CloseTablesAndSaveSettings()
{
    m_db.CloseTables();
    WriteSettings();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TForm1::FormClose()
{
    m_guard.run([this] { CloseTablesAndSaveSettings(); });
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    // The panel gets its final width after the window's resize event.
    if (watched == pnRestriction && event->type() == QEvent::Resize)
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::FormResize()
{
    if (!sbClose || !pnRestriction)
        return;
    // Window width less 35, at the right end of the tab row of the restriction panel.
    const int left = pnRestriction->mapFrom(this, QPoint(width() - 35, 0)).x();
    sbClose->move(qBound(0, left, qMax(0, pnRestriction->width() - sbClose->width())), 1);
}

void TForm1::Maximize1Click()
{
    // The maximized window gets the screen's available area (the screen less the task
    // bar) from the window system; resizing it here would end the maximized state.
    setWindowState(Qt::WindowMaximized);
}

void TForm1::Standard1Click()
{
    setWindowState(Qt::WindowNoState);
    resize(StandardWidth, StandardHeight);
    update();
}

} // namespace veltra
