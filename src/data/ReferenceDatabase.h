// The reference-value database as the browser sees it: the headline, topic and
// parameter tables, the data file of the current parameter row, the navigation chain
// that links them and the connection of data files.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace veltra {

class DataSource;
class DataTable;
class PacketPrefetch;
class ProtocolLog;

/// What ConnectDataFile did.
enum class ConnectOutcome
{
    NoDataFile,       ///< the row names no data file: the data file table is closed
    AlreadyConnected, ///< the row's file is the connected one: nothing changed
    NotRetried,       ///< the same row failed before within this action: nothing changed
    Missing,          ///< no file at the path: logged, the data file table is closed
    LoadFailed,       ///< the file could not be loaded: logged, the data file table is closed
    Connected,        ///< loaded, views bound, first age group announced
};

/// What ConnectDataFile did and what it found.
struct DataFileConnection
{
    ConnectOutcome outcome = ConnectOutcome::NoDataFile;
    /// runDir + "/" + the name of the last connection attempt (this one's, unless the
    /// row names no file or nothing was attempted); empty before the first attempt.
    QString path;
    /// Field names of the connected data file, in field order; empty when none is connected.
    QStringList fieldNames;
    /// The reader's message when the file could not be loaded (LoadFailed); empty otherwise.
    QString error;
};

/// What the window does around a data file load. Both are called with the data file's
/// link disabled: beforeOpen just before the file is read, bindFields after a
/// successful read (dataFieldNames() already holds the new fields), before the link is
/// enabled again and announces the file's first age group.
struct DataFileHooks
{
    std::function<void()> beforeOpen;
    std::function<void()> bindFields;
};

/// Owns the four tables of a browser and the link (DataSource) of each. The viewer's
/// main window has one; the search window and the formatted table generator each own
/// another, loaded from the same files.
///
/// Hierarchy files are opened by their plain names relative to hierarchyDir (the
/// current folder when it is empty); data files are looked for in runDir().
/// The tables are read-only. Failures throw VeltraError naming the file.
class ReferenceDatabase
{
public:
    static const QString HeadlineFile;  ///< "topics.xml"
    static const QString TopicFile;     ///< "para1.xml"
    static const QString ParameterFile; ///< "daten1a.xml"

    /// The index field names of the four "Order by" items, in item order.
    static const QStringList ParameterOrders;

    explicit ReferenceDatabase(const QString& runDir = QString(),
                               const QString& hierarchyDir = QString());
    ~ReferenceDatabase();
    ReferenceDatabase(const ReferenceDatabase&) = delete;
    ReferenceDatabase& operator=(const ReferenceDatabase&) = delete;

    DataTable& headlines() { return *m_head; }
    DataTable& topics() { return *m_topics; }
    DataTable& parameters() { return *m_data; }
    DataTable& dataFile() { return *m_file; }
    const DataTable& headlines() const { return *m_head; }
    const DataTable& topics() const { return *m_topics; }
    const DataTable& parameters() const { return *m_data; }
    const DataTable& dataFile() const { return *m_file; }
    DataSource& headlineLink() const { return *m_dsHead; }
    DataSource& topicLink() const { return *m_dsTopics; }
    DataSource& parameterLink() const { return *m_dsPara; }
    DataSource& dataFileLink() const { return *m_dsTable; }

    /// The path a hierarchy file is opened by: the plain name when hierarchyDir is empty.
    QString hierarchyPath(const QString& fileName) const;
    void setHierarchyDir(const QString& dir) { m_hierarchyDir = dir; }
    /// The index field names the topic table gets after every load ("Parameter"; empty
    /// keeps the file's order).
    void setTopicOrder(const QString& names) { m_topicOrder = names; }

    // --- loading ---------------------------------------------------------------------------
    /// Loads the headline, topic and parameter tables, writing their record counts to the
    /// log ("HeadLines loaded / records: n", ...), and moves to the first headline. Each
    /// load runs the navigation chain; the counts are those of the visible rows then.
    /// A file that cannot be loaded throws; for a plain name the message names the
    /// folder it was looked for in.
    void LoadHierarchyTables(ProtocolLog& log);
    /// Loads the parameter table alone, unfiltered (for looking rows up by ID).
    void LoadParameterTable();
    /// Starts reading and parsing the parameter table (at hierarchyPath(ParameterFile))
    /// on a worker thread, so that the window can build its controls meanwhile. The next
    /// LoadHierarchyTables or LoadParameterTable uses it up: it takes what the worker read
    /// when the path is the same and the file has not changed since, and reads the file
    /// itself otherwise; its log lines and errors are the same either way. A load that
    /// fails before it reaches the parameter table, and the database's end, discard the
    /// prefetch, waiting for the worker.
    void PrefetchParameterTable();
    /// Closes the data file, parameter, topic and headline tables, in this order, and
    /// forgets the connected file, so the next row change connects its file again.
    void CloseTables();

    // --- navigation chain ---------------------------------------------------------------
    /// The topic filter for a headline's Top value.
    static QString TopicFilter(const QString& top);
    /// The parameter filter for a topic's PS value and the sex selection's text; none
    /// when the text is not exactly "All", "A", "M" or "F".
    static std::optional<QString> ParameterFilter(const QString& ps, const QString& sex);
    /// Filters the topics by the current headline (moves to the first topic).
    void FilterTopicsByHeadline();
    /// Filters the parameter rows by the current topic and the sex selection's text and
    /// orders them by the "Order by" item (0 to 3; any other item keeps the order).
    void ApplyParameterFilter(const QString& sex, int orderItem);
    /// Moves the parameter table to its visible row with that ID; throws naming the
    /// file and the ID when there is none.
    void LocateParameter(qint64 id);

    /// A field of the table's current row; empty when the table is closed or shows no row.
    static QString CurrentText(const DataTable& table, const QString& field);

    // --- data file ------------------------------------------------------------------------
    /// Connects name, the data file of the current parameter row (its DataFile field;
    /// remembered as dataFileName()): loads it from runDir() unless it is connected already,
    /// writing the connection lines to the log
    /// ("Connect XML with : " + path when fileAccessProtocol is set; the "***" lines of
    /// a missing or unloadable file always, an unloadable one followed by the reader's
    /// reason indented by eight blanks). Enabling the file's link announces its first
    /// age group; the caller completes the "Connect XML with" line with " o.k." once
    /// that went well. A failure is reported by the outcome and the log, never thrown;
    /// the same row failing again within one action is not retried (see NotRetried).
    DataFileConnection ConnectDataFile(const QString& name, bool fileAccessProtocol,
                                       ProtocolLog& log, const DataFileHooks& hooks = {});
    /// Disables the data file's link, closes the table and forgets the connected name.
    void CloseDataFile();

    // --- state read by the windows ------------------------------------------------------
    /// The folder of the data files (and of the parameter table the markers are written to).
    const QString& runDir() const { return m_runDir; }
    void setRunDir(const QString& dir) { m_runDir = dir; }
    /// The name of the last ConnectDataFile call: the current parameter row's DataFile.
    const QString& dataFileName() const { return m_dataFileName; }
    /// runDir() + "/" + dataFileName() of the last connection attempt.
    const QString& dataFilePath() const { return m_dataFilePath; }
    /// dataFileName() of the last connection; empty when no file is connected.
    const QString& connectedDataFileName() const { return m_connectedDataFileName; }
    /// Field names of the connected data file, in field order.
    const QStringList& dataFieldNames() const { return m_dataFieldNames; }
    /// Replaces the names the views show for the connected file's fields (the viewer
    /// shows them in upper case after a table); the next connection reads them again.
    void setDataFieldNames(const QStringList& names) { m_dataFieldNames = names; }
    /// The message of the last failed load (LoadFailed); empty otherwise.
    const QString& lastLoadError() const { return m_lastLoadError; }

private:
    /// Loads a hierarchy file into table; the parameter table takes prefetch when it
    /// fits (see PrefetchParameterTable).
    void LoadHierarchyFile(DataTable& table, const QString& fileName,
                           PacketPrefetch* prefetch = nullptr);

    QString m_runDir;
    QString m_dataFileName;
    QString m_dataFilePath;
    QString m_connectedDataFileName;
    QStringList m_dataFieldNames;
    QString m_lastLoadError;
    QString m_hierarchyDir;
    QString m_topicOrder = QStringLiteral("Parameter");
    std::unique_ptr<DataTable> m_head, m_topics, m_data, m_file;
    // Declared after the tables, so they are destroyed first and detach from live tables.
    std::unique_ptr<DataSource> m_dsHead, m_dsTopics, m_dsPara, m_dsTable;
    // The data file and parameter row of the last failed connection attempt: the same
    // row shown again by a new filter or order within one action is not retried.
    QString m_failedDataFile;
    QStringList m_failedRow;
    // Last, so its worker is waited for before anything else goes.
    std::unique_ptr<PacketPrefetch> m_prefetch;
};

/// Connects the data file that the current parameter row (ID `id`) names, as the viewer
/// does but without the file-access protocol. Throws VeltraError when the row names no
/// data file, the file is missing (the message names the path it was looked for at) or
/// cannot be read (the reader's message).
void ConnectCurrentDataFile(ReferenceDatabase& database, qint64 id);

} // namespace veltra
