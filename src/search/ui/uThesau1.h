// The keyword search window: finds parameter rows by up to three terms and an excluded
// term in their Info texts, and sends the main window to a found row.
#pragma once

#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "search/SearchIndex.h"
#include "search/SearchTexts.h"
#include "widgets/ErrorGuard.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace veltra {

class DataSource;
class DbEdit;
class DbNavigator;
class DbRichText;
class PanelStatusBar;

/// Title bar with system menu and close button only. Created at start and kept for the
/// whole run; opened, not modally, by the main window's search command. It works on its
/// own copies of the hierarchy tables and on the search index, all read from SearchDir;
/// it moves the main window's tables only through the go-to callback.
class TfSearchIndex : public QWidget
{
    Q_OBJECT
public:
    /// Moves the main window to the parameter row with this headline code, topic code
    /// and ID (the main window's own walk and data file connection).
    using GoTo = std::function<void(const QString& top, const QString& ps, qint64 id)>;

    TfSearchIndex(const ErrorGuard& guard, GoTo goTo, QWidget* parent = nullptr);
    ~TfSearchIndex() override;

    const ErrorGuard& Guard() const { return m_guard; }

    /// One complete generation of the index and the keyword lists in SearchDir; the term
    /// boxes then offer the English keywords. Throws on failure.
    void BuildSearchIndex();
    /// Shows the window for a new search: its next activation reloads its tables.
    void ShowForSearch();

    // --- state ------------------------------------------------------------------------
    QString SearchDir; ///< the database folder, with a trailing "/"
    KeywordLists Keywords;
    QStringList GenerationProtocol;
    bool IndexPending = true;
    bool IndexReadOnly = false;
    /// Empty when the last generation wrote the index file; else the protocol line that
    /// says the index is used from memory (a read-only database). The file is then
    /// neither read back on activation nor written on close.
    QString IndexNotSaved;
    ReferenceDatabase& Database() { return m_db; }
    DataTable cdsKey;

    // --- controls -----------------------------------------------------------------------
    QPushButton* bFindEnglishIndex = nullptr;
    QComboBox* cbE1 = nullptr;
    QComboBox* cbIndexE1 = nullptr;
    QComboBox* cbIndexE2 = nullptr;
    QComboBox* cbE2 = nullptr;
    QComboBox* cbIndexE3 = nullptr;
    QComboBox* cbIndexE4 = nullptr;
    QComboBox* cbLanguage = nullptr;
    QPushButton* bReSetToZeroSearch = nullptr;
    DbEdit* DBEdit1 = nullptr;
    DbEdit* DBEdit2 = nullptr;
    DbNavigator* DBNavigator2 = nullptr;
    QLabel* LbPosRec = nullptr;
    QToolButton* sbGoToCurrent = nullptr;
    DbRichText* DBRichEdit1 = nullptr;
    PanelStatusBar* sb1 = nullptr;

    // --- handlers -------------------------------------------------------------------------
    void FormActivate();
    void FormClose();
    void dsHeadDataChange();
    void dsTopicsDataChange();
    void dsParaDataChange();
    void bFindEnglishIndexClick();
    void bReSetToZeroSearchClick();
    void cbLanguageChange();
    void sbGoToCurrentClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SetTermLists(const QStringList& entries);

    const ErrorGuard& m_guard;
    GoTo m_goTo;
    ReferenceDatabase m_db;
    DataSource* m_dsKey = nullptr;
    SearchTexts m_texts; ///< the folded Info texts of the window's parameter table
};

} // namespace veltra
