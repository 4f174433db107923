// The main window's keyword search: the search command with its index generation, and
// the walk of the tables to a row the search window found.
#include "app/ui/fMain.h"

#include "data/DataTable.h"
#include "search/ui/uThesau1.h"
#include "search/ui/uWhatsOn.h"
#include "util/VeltraError.h"

#include <QApplication>
#include <QCheckBox>
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

void TForm1::Search1Click()
{
    EnsureSecondaryWindows();
    if (!fSearchIndex)
        throw VeltraError(QStringLiteral("The search window is not available"));
    t->setCurrentIndex(0);
    fSearchIndex->SearchDir = RunDir + QLatin1Char('/');
    if (IndexOutdated || ParameterTableSaved) {
        const GenerationNotice notice(fWhatsOn);
        fSearchIndex->hide();
        fSearchIndex->BuildSearchIndex();
        IndexOutdated = false;
        ParameterTableSaved = false;
        if (!fSearchIndex->IndexNotSaved.isEmpty())
            AddProtocolLine(fSearchIndex->IndexNotSaved);
    }
    fSearchIndex->ShowForSearch();
    if (cbGiveIndexPrt->isChecked()) {
        AddProtocolLine(QString());
        AddProtocolLine(QStringLiteral("Generating an Index for Search"));
        for (const QString& line : fSearchIndex->GenerationProtocol)
            AddProtocolLine(line);
    }
}

void TForm1::GoToParameter(const QString& top, const QString& ps, qint64 id)
{
    if (!cdsHead->isOpen() || !CDSTopics->isOpen() || !CDSData->isOpen())
        throw VeltraError(
            QStringLiteral("The tables are closed: open them with \"Open all tables\" first"));
    cdsHead->first();
    WalkTo(*cdsHead, [&top](const DataTable& table) {
        return table.fieldText(QStringLiteral("Top")) == top;
    });
    // The lower levels stand on their first rows: each move above filtered them anew.
    // No data file is connected on the way (also when a walk fails); the row found is
    // connected afterwards.
    {
        const QScopedValueRollback noDataFiles(OpenDataFiles, false);
        WalkTo(*CDSTopics, [&ps](const DataTable& table) {
            return table.fieldText(QStringLiteral("PS")) == ps;
        });
        WalkTo(*CDSData, [id](const DataTable& table) {
            return table.fieldText(QStringLiteral("ID")).trimmed().toLongLong() == id;
        });
    }
    // The views then show the row found, as a change to it would.
    dsParaDataChange();
}

} // namespace veltra
