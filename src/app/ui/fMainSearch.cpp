// The main window's keyword search: the search command with its index generation, and
// the walk of the tables to a row the search window found.
#include "app/ui/fMain.h"

#include "app/ui/ProtocolTab.h"
#include "data/DataTable.h"
#include "search/ui/uThesau1.h"
#include "search/ui/uWhatsOn.h"
#include "util/VeltraError.h"

#include <QApplication>
#include <QLabel>
#include <QScopedValueRollback>
#include <QTabWidget>

namespace veltra {

namespace {

/// The wait notice and the wait cursor for as long as the generation runs, also when it
/// fails.
class GenerationNotice
{
public:
    explicit GenerationNotice(TfWhatsOn* notice) : m_notice(notice)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (m_notice) {
            m_notice->Remark->setText(
                QStringLiteral("The program is generating / actualising the Search Index."));
            m_notice->show();
            m_notice->repaint();
        }
    }
    ~GenerationNotice()
    {
        if (m_notice)
            m_notice->close();
        QApplication::restoreOverrideCursor();
    }
    GenerationNotice(const GenerationNotice&) = delete;
    GenerationNotice& operator=(const GenerationNotice&) = delete;

private:
    TfWhatsOn* m_notice;
};

/// Steps the table forward from its current row until the field equals the value or the
/// table's end is reached (it then stands on its last row).
template <typename Matches> void WalkTo(DataTable& table, Matches matches)
{
    while (!table.eof() && !matches(table))
        table.next();
}

} // namespace

void TForm1::Search()
{
    const SecondaryWindows& windows = m_state.Windows();
    TfSearchIndex* search = windows.searchIndex;
    if (!search)
        throw VeltraError(QStringLiteral("The search window is not available"));
    t->setCurrentIndex(0);
    search->SearchDir = m_state.db.runDir() + QLatin1Char('/');
    if (m_state.indexOutdated || m_state.parameterTableSaved) {
        const GenerationNotice notice(windows.whatsOn);
        search->hide();
        search->BuildSearchIndex();
        m_state.indexOutdated = false;
        m_state.parameterTableSaved = false;
        if (!search->IndexNotSaved.isEmpty())
            AddProtocolLine(search->IndexNotSaved);
    }
    search->ShowForSearch();
    if (m_protocol->IndexProtocol()) {
        AddProtocolLine(QString());
        AddProtocolLine(QStringLiteral("Generating an Index for Search"));
        for (const QString& line : search->GenerationProtocol)
            AddProtocolLine(line);
    }
}

void TForm1::GoToParameter(const QString& top, const QString& ps, qint64 id)
{
    ReferenceDatabase& db = m_state.db;
    if (!db.headlines().isOpen() || !db.topics().isOpen() || !db.parameters().isOpen())
        throw VeltraError(
            QStringLiteral("The tables are closed: open them with \"Open all tables\" first"));
    db.headlines().first();
    WalkTo(db.headlines(), [&top](const DataTable& table) {
        return table.fieldText(QStringLiteral("Top")) == top;
    });
    // The lower levels stand on their first rows: each move above filtered them anew.
    // No data file is connected on the way (also when a walk fails); the row found is
    // connected afterwards.
    {
        const QScopedValueRollback noDataFiles(m_state.openDataFiles, false);
        WalkTo(db.topics(), [&ps](const DataTable& table) {
            return table.fieldText(QStringLiteral("PS")) == ps;
        });
        WalkTo(db.parameters(), [id](const DataTable& table) {
            return table.fieldText(QStringLiteral("ID")).trimmed().toLongLong() == id;
        });
    }
    // The views then show the row found, as a change to it would.
    dsParaDataChange();
}

} // namespace veltra
