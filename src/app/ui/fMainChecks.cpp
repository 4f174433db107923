// The check lists of the "&Checks" menu: the headline, topic and parameter tables written
// to the protocol log, after which the hierarchy tables are loaded afresh. And the save
// commands of the "&Database" menu: they are hidden and the tables are opened read-only,
// so they fail with the table's read-only error until the tables are opened for writing.
#include "app/ui/fMain.h"

#include "app/ui/ProtocolTab.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "data/UpdateMarkers.h"
#include "reports/CheckLists.h"

#include <QDateTime>
#include <exception>

namespace veltra {

namespace {

/// Runs a list, then its cleanup in every case. The list's failure is rethrown after the
/// cleanup, so the guard reports it with the tables already loaded again; when the
/// cleanup fails as well, the list's failure is reported first and the cleanup's follows.
void RunWithCleanup(const ErrorGuard& guard, const std::function<void()>& list,
                    const std::function<void()>& cleanup)
{
    std::exception_ptr failure;
    try {
        list();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        cleanup();
    } catch (...) {
        if (failure)
            guard.run([&] { std::rethrow_exception(failure); });
        throw;
    }
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

void TForm1::ListHeadlines()
{
    RunWithCleanup(
        m_state.guard,
        [this] {
            CloseTablesAndSaveSettings();
            m_state.db.headlines().open();
            const GeneratorResult list = HeadlineList(m_state.db.headlines());
            for (const QString& line : list.lines)
                AddProtocolLine(line);
            list.throwIfStopped();
        },
        [this] {
            m_protocol->ShowPage();
            LoadHierarchyTables();
            m_state.db.headlines().first();
            m_state.db.topics().first();
            m_state.db.parameters().first();
        });
}

void TForm1::ListTopics()
{
    RunWithCleanup(
        m_state.guard,
        [this] {
            CloseTablesAndSaveSettings();
            m_state.db.topics().open();
            // Moving through the topics must not filter the parameter table.
            m_state.db.topicLink().setEnabled(false);
            const GeneratorResult list = TopicList(m_state.db.topics());
            for (const QString& line : list.lines)
                AddProtocolLine(line);
            list.throwIfStopped();
        },
        [this] {
            m_state.db.topicLink().setEnabled(true);
            m_protocol->ShowPage();
            LoadHierarchyTables();
        });
}

void TForm1::ListParameters()
{
    RunWithCleanup(
        m_state.guard,
        [this] {
            const QStringList head = ParameterListHead(m_state.db.runDir());
            for (const QString& line : head)
                AddProtocolLine(line);
            CloseTablesAndSaveSettings();
            // The walk must not connect each row's data file.
            m_state.db.parameterLink().setEnabled(false);
            m_state.db.parameters().open();
            const GeneratorResult list =
                ParameterList(m_state.db.parameters(), m_state.db.runDir());
            for (const QString& line : list.lines.mid(head.size()))
                AddProtocolLine(line);
            list.throwIfStopped();
        },
        [this] {
            CloseTablesAndSaveSettings();
            m_state.db.parameterLink().setEnabled(true);
            m_protocol->ShowPage();
            LoadHierarchyTables();
        });
}

void TForm1::SaveParameterChanges()
{
    veltra::SaveParameterChanges(m_state.db, m_state.log, QDateTime::currentDateTime());
    // The next search builds its index again from the saved table.
    m_state.parameterTableSaved = true;
}

void TForm1::SaveDataSetChanges()
{
    veltra::SaveDataSetChanges(m_state.db, m_state.log, QDateTime::currentDateTime());
}

} // namespace veltra
