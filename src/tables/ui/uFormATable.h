// The formatted table generator: the user describes a table column by column in the
// format language and runs it over every age group of the current data file.
#pragma once

#include "data/DataTable.h"
#include "tables/FormatLanguage.h"
#include "tables/TableExport.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorGuard.h"

#include <QDialog>
#include <QList>
#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace veltra {

/// Created at start and kept for the whole run; the main window opens it modally and
/// takes its result when it closes. It loads its own copy of the data file (cdsTab), so
/// a run never moves the main window's tables. Errors of its handlers end in the
/// guard's general error message.
class TfFormTab : public QDialog
{
    Q_OBJECT
public:
    /// exePath: the running executable; the standard format file is exePath + ".txt".
    /// guard: the program's error guard.
    TfFormTab(const QString& exePath, const ErrorGuard& guard, QWidget* parent = nullptr);

    /// Prepares the window for a data file: loads it into cdsTab (path exactly "xml"
    /// means no data file and changes nothing), takes digits and decimals as the
    /// defaults of added lines and lists the file's fields.
    void SetDataFile(const QString& path, int digits, int decimals);
    /// The lines of the result view.
    QStringList ResultLines() const;
    /// The column widths of the last run's table, for cutting its lines into cells.
    TableTextLayout ResultLayout() const { return m_resultLayout; }
    /// The lines of the format text.
    QStringList FormatLines() const;

    const ErrorGuard& Guard() const { return m_guard; }
    /// Replaces the system beep (tests count the beeps instead).
    void SetBeeper(std::function<void()> beeper) { m_beep = std::move(beeper); }

    // --- state ------------------------------------------------------------------------
    QString DataFilePath;
    DataTable cdsTab;
    quint8 DefaultDigits = 9;
    quint8 DefaultDecimals = 2;
    QString StandardFormatPath;

    FileDialogSettings sdFormat;
    FileDialogSettings odFormat;

    // --- controls -------------------------------------------------------------------------
    QWidget* pnFormat = nullptr;
    QListWidget* ListBoxSource = nullptr;
    QToolButton* sbAdd = nullptr;
    QPushButton* ShiftAll = nullptr;
    QToolButton* sbStandard = nullptr;
    QToolButton* sbLoad = nullptr;
    QToolButton* sbSave = nullptr;
    QPushButton* bSort = nullptr;
    QPlainTextEdit* mVarClasses = nullptr;
    QCheckBox* cbdel = nullptr;
    QCheckBox* cbClearAfter = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* bRun = nullptr;
    QPushButton* bCloset = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPlainTextEdit* mres = nullptr;
    QStatusBar* sbForm = nullptr;

    // --- handlers -------------------------------------------------------------------------
    void sbAddClick();
    void ShiftAllClick();
    void bSortClick();
    void bRunClick();
    void sbSaveClick();
    void sbLoadClick();
    void sbStandardClick();
    void Button1Click();
    void bClosetClick();
    void FormActivate();

protected:
    void showEvent(QShowEvent* event) override;

public:
    void done(int result) override;

private:
    void AddFormatLines(const QStringList& names);
    void SetFormatLines(const QStringList& lines);
    void FormClose();
    QString FormatFileName() const;

    const ErrorGuard& m_guard;
    std::function<void()> m_beep;
    TableTextLayout m_resultLayout{TableTextKind::UserFormatted, {}, {}};
    QLabel* m_status = nullptr;
};

} // namespace veltra
