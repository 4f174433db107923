// The check lists of the "&Checks" menu: the headline, topic and parameter tables written
// to the protocol log, after which the hierarchy tables are loaded afresh.
#include "app/ui/fMain.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "reports/CheckLists.h"

#include <QTabWidget>
#include <exception>

namespace veltra {

namespace {

/// The "Prot./Options" tab, where the lists are read and saved.
constexpr int ProtocolPage = 5;

/// Brings the list to the front. Done before the tables are loaded again, so that the log
/// with the list is in front also when a hierarchy file cannot be loaded.
void ShowProtocolTab(QTabWidget& tabs)
{
    tabs.setCurrentIndex(ProtocolPage);
}

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

void TForm1::ListofTopics1Click()
{
    RunWithCleanup(
        m_guard,
        [this] {
            CloseTablesAndSaveSettings();
            cdsHead->open();
            const GeneratorResult list = HeadlineList(*cdsHead);
            for (const QString& line : list.lines)
                AddProtocolLine(line);
            list.throwIfStopped();
        },
        [this] {
            ShowProtocolTab(*t);
            LoadHierarchyTables();
            cdsHead->first();
            CDSTopics->first();
            CDSData->first();
        });
}

void TForm1::Listofparameters1Click()
{
    RunWithCleanup(
        m_guard,
        [this] {
            CloseTablesAndSaveSettings();
            CDSTopics->open();
            // Moving through the topics must not filter the parameter table.
            dsTopics->setEnabled(false);
            const GeneratorResult list = TopicList(*CDSTopics);
            for (const QString& line : list.lines)
                AddProtocolLine(line);
            list.throwIfStopped();
        },
        [this] {
            dsTopics->setEnabled(true);
            ShowProtocolTab(*t);
            LoadHierarchyTables();
        });
}

void TForm1::ListofDataSources1Click()
{
    RunWithCleanup(
        m_guard,
        [this] {
            const QStringList head = ParameterListHead(RunDir);
            for (const QString& line : head)
                AddProtocolLine(line);
            CloseTablesAndSaveSettings();
            // The walk must not connect each row's data file.
            dsPara->setEnabled(false);
            CDSData->open();
            const GeneratorResult list = ParameterList(*CDSData, RunDir);
            for (const QString& line : list.lines.mid(head.size()))
                AddProtocolLine(line);
            list.throwIfStopped();
        },
        [this] {
            CloseTablesAndSaveSettings();
            dsPara->setEnabled(true);
            ShowProtocolTab(*t);
            LoadHierarchyTables();
        });
}

} // namespace veltra
