#include "data/ReferenceDatabase.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "data/PacketPrefetch.h"
#include "util/ProtocolLog.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <QDir>
#include <QFileInfo>

namespace veltra {

const QString ReferenceDatabase::HeadlineFile = QStringLiteral("topics.xml");
const QString ReferenceDatabase::TopicFile = QStringLiteral("para1.xml");
const QString ReferenceDatabase::ParameterFile = QStringLiteral("daten1a.xml");
const QStringList ReferenceDatabase::ParameterOrders = {
    QStringLiteral("VARIABLE"), QStringLiteral("RSTRC"), QStringLiteral("RSTRC;VARIABLE"),
    QStringLiteral("DataSource")};

namespace {

/// A text as a filter string literal: quotes doubled, so any key value filters.
QString FilterLiteral(const QString& value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

/// The reader's reason for a failed load: its message without the leading quoted path
/// ("line 3, column 23: invalid UTF-8 at byte offset 312").
QString LoadReason(const QString& message, const QString& path)
{
    const QString prefix = QLatin1Char('"') + path + QStringLiteral("\": ");
    return message.startsWith(prefix) ? message.mid(prefix.size()) : message;
}

/// The values of the current row; empty when the table is closed or shows no row.
QStringList CurrentRowValues(const DataTable& table)
{
    QStringList values;
    if (table.isOpen() && table.recordCount() > 0) {
        for (int field = 0; field < table.fieldCount(); ++field)
            values << table.currentValue(field);
    }
    return values;
}

} // namespace

ReferenceDatabase::ReferenceDatabase(const QString& runDir, const QString& hierarchyDir)
    : m_runDir(runDir), m_hierarchyDir(hierarchyDir), m_head(std::make_unique<DataTable>()),
      m_topics(std::make_unique<DataTable>()), m_data(std::make_unique<DataTable>()),
      m_file(std::make_unique<DataTable>())
{
    for (DataTable* table : {m_head.get(), m_topics.get(), m_data.get(), m_file.get()})
        table->setReadOnly(true);
    // The orders the browser is designed with; the topic order is set again after every
    // load of the topic table.
    m_head->setIndexFieldNames(QStringLiteral("STRC"));
    m_topics->setIndexFieldNames(QStringLiteral("Parameter"));
    m_dsHead = std::make_unique<DataSource>(m_head.get());
    m_dsTopics = std::make_unique<DataSource>(m_topics.get());
    m_dsPara = std::make_unique<DataSource>(m_data.get());
    m_dsTable = std::make_unique<DataSource>(m_file.get());
}

ReferenceDatabase::~ReferenceDatabase()
{
    // No window handler runs while the links and tables go away.
    for (DataSource* source : {m_dsHead.get(), m_dsTopics.get(), m_dsPara.get(), m_dsTable.get()})
        source->setHandler({});
}

QString ReferenceDatabase::hierarchyPath(const QString& fileName) const
{
    return m_hierarchyDir.isEmpty() ? fileName : QDir(m_hierarchyDir).filePath(fileName);
}

void ReferenceDatabase::LoadHierarchyFile(DataTable& table, const QString& fileName,
                                          PacketPrefetch* prefetch)
{
    const QString path = hierarchyPath(fileName);
    try {
        if (!prefetch || prefetch->path() != path || !prefetch->takeInto(table))
            table.loadFromFile(path);
    } catch (const VeltraError& error) {
        // A plain name is looked up in the current folder: the message says which one.
        if (QFileInfo(path).isAbsolute())
            throw;
        throw VeltraError(error.message() + QStringLiteral(" (looked for in the folder \"%1\")")
                                                .arg(QFileInfo(path).absolutePath()));
    }
}

void ReferenceDatabase::PrefetchParameterTable()
{
    m_prefetch.reset(); // a prefetch not taken is not taken later
    m_prefetch = std::make_unique<PacketPrefetch>(hierarchyPath(ParameterFile));
}

void ReferenceDatabase::LoadHierarchyTables(ProtocolLog& log)
{
    // Used up by this load whatever happens: one that fails earlier discards it.
    const std::unique_ptr<PacketPrefetch> prefetch = std::move(m_prefetch);
    LoadHierarchyFile(*m_head, HeadlineFile);
    log.AddLine(QStringLiteral("HeadLines loaded / records: ") +
                QString::number(m_head->recordCount()));
    LoadHierarchyFile(*m_topics, TopicFile);
    m_topics->setIndexFieldNames(m_topicOrder);
    log.AddLine(QStringLiteral("Topics loaded / records: ") +
                QString::number(m_topics->recordCount()));
    LoadHierarchyFile(*m_data, ParameterFile, prefetch.get());
    log.AddLine(QStringLiteral("Parameter loaded / records: ") +
                QString::number(m_data->recordCount()));
    m_head->first();
}

void ReferenceDatabase::LoadParameterTable()
{
    const std::unique_ptr<PacketPrefetch> prefetch = std::move(m_prefetch);
    LoadHierarchyFile(*m_data, ParameterFile, prefetch.get());
}

void ReferenceDatabase::CloseTables()
{
    m_file->close();
    m_data->close();
    m_topics->close();
    m_head->close();
    // Forgetting the connected file makes the next row change connect its file again, so
    // the views never stay empty after the tables were reopened.
    m_connectedDataFileName.clear();
    m_failedDataFile.clear();
    m_failedRow.clear();
}

QString ReferenceDatabase::TopicFilter(const QString& top)
{
    return QStringLiteral("TOP = ") + FilterLiteral(top);
}

std::optional<QString> ReferenceDatabase::ParameterFilter(const QString& ps, const QString& sex)
{
    const QString base = QStringLiteral("PS = ") + FilterLiteral(ps);
    // The texts are compared exactly; anything else leaves the filter as it is.
    if (sex == QLatin1String("All"))
        return base;
    if (sex == QLatin1String("M") || sex == QLatin1String("F") || sex == QLatin1String("A"))
        return base + QStringLiteral(" AND Sex='") + sex + QLatin1Char('\'');
    return std::nullopt;
}

void ReferenceDatabase::FilterTopicsByHeadline()
{
    m_topics->setFilter(TopicFilter(CurrentText(*m_head, QStringLiteral("Top"))));
    m_topics->setFiltered(true);
}

void ReferenceDatabase::ApplyParameterFilter(const QString& sex, int orderItem)
{
    if (const auto filter = ParameterFilter(CurrentText(*m_topics, QStringLiteral("PS")), sex))
        m_data->setFilter(*filter);
    m_data->setFiltered(true);
    if (orderItem >= 0 && orderItem < ParameterOrders.size())
        m_data->setIndexFieldNames(ParameterOrders.at(orderItem));
}

void ReferenceDatabase::LocateParameter(qint64 id)
{
    const QString path = m_data->fileName();
    if (!m_data->hasField(QStringLiteral("ID")))
        throw VeltraError(QStringLiteral("\"%1\" has no field ID").arg(path));
    for (m_data->first(); !m_data->eof(); m_data->next()) {
        if (m_data->fieldText(QStringLiteral("ID")).trimmed().toLongLong() == id)
            return;
    }
    throw VeltraError(QStringLiteral("No parameter row has the ID %1 in \"%2\"").arg(id).arg(path));
}

QString ReferenceDatabase::CurrentText(const DataTable& table, const QString& field)
{
    if (!table.isOpen() || table.recordCount() == 0)
        return {};
    return table.fieldText(field);
}

void ReferenceDatabase::CloseDataFile()
{
    // Without a usable file the views show nothing rather than another parameter's data,
    // and the row is connected afresh when it is selected again.
    m_dsTable->setEnabled(false);
    m_file->close();
    m_connectedDataFileName.clear();
}

DataFileConnection ReferenceDatabase::ConnectDataFile(const QString& name, bool fileAccessProtocol,
                                                      ProtocolLog& log, const DataFileHooks& hooks)
{
    m_dataFileName = name;
    m_lastLoadError.clear();
    const auto outcome = [this](ConnectOutcome what) {
        return DataFileConnection{what, m_dataFilePath, m_dataFieldNames, m_lastLoadError};
    };
    if (TrimLeftText(name).isEmpty()) {
        m_failedDataFile.clear();
        m_failedRow.clear();
        CloseDataFile();
        return outcome(ConnectOutcome::NoDataFile);
    }
    if (name == m_connectedDataFileName)
        return outcome(ConnectOutcome::AlreadyConnected);
    // A filter or order that shows the row again within the same action does not repeat
    // a failed attempt (nor its protocol lines).
    const QStringList row = CurrentRowValues(*m_data);
    if (name == m_failedDataFile && row == m_failedRow)
        return outcome(ConnectOutcome::NotRetried);
    m_failedDataFile.clear();
    m_failedRow.clear();
    auto failed = [this, &row, &name, &outcome](ConnectOutcome what) {
        CloseDataFile();
        m_failedDataFile = name;
        m_failedRow = row;
        return outcome(what);
    };
    m_connectedDataFileName = name;
    m_dataFilePath = m_runDir + QLatin1Char('/') + name;

    if (!QFileInfo(m_dataFilePath).isFile()) {
        log.AddLine(QStringLiteral("*** SORRY! The XML File  ") + m_dataFilePath +
                    QStringLiteral("/XML does not (yet) exist. ID:") +
                    CurrentText(*m_data, QStringLiteral("ID")));
        return failed(ConnectOutcome::Missing);
    }

    if (fileAccessProtocol)
        log.AddLine(QStringLiteral("Connect XML with : ") + m_dataFilePath);
    try {
        m_dsTable->setEnabled(false);
        if (hooks.beforeOpen)
            hooks.beforeOpen();
        m_file->loadFromFile(m_dataFilePath);
        m_dataFieldNames = m_file->fieldNames();
        if (hooks.bindFields)
            hooks.bindFields();
    } catch (const std::exception& error) {
        const auto* veltraError = dynamic_cast<const VeltraError*>(&error);
        m_lastLoadError =
            veltraError ? veltraError->message() : QString::fromLocal8Bit(error.what());
        log.AddLine(QStringLiteral("*** Error calling file  : ") + m_dataFilePath);
        log.AddLine(QStringLiteral("        ") + LoadReason(m_lastLoadError, m_dataFilePath));
        return failed(ConnectOutcome::LoadFailed);
    }
    m_dsTable->setEnabled(true);
    return outcome(ConnectOutcome::Connected);
}

void ConnectCurrentDataFile(ReferenceDatabase& database, qint64 id)
{
    ProtocolLog log;
    const DataFileConnection connection = database.ConnectDataFile(
        ReferenceDatabase::CurrentText(database.parameters(), QStringLiteral("DataFile")), false,
        log);
    switch (connection.outcome) {
    case ConnectOutcome::NoDataFile:
        throw VeltraError(QStringLiteral("Parameter row ID %1 has no data file").arg(id));
    case ConnectOutcome::Missing:
        // The protocol line names the path the file was looked for at.
        throw VeltraError(log.lines().value(log.lines().size() - 1));
    case ConnectOutcome::LoadFailed:
        throw VeltraError(connection.error);
    default:
        break;
    }
}

} // namespace veltra
