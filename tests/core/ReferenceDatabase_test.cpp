// The browser's database without a window: the navigation chain wired as the viewer
// wires it, the filter texts, looking rows up by ID and connecting data files.
#include "../common/TestDatabase.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "data/PacketPrefetch.h"
#include "data/ReferenceDatabase.h"
#include "util/ProtocolLog.h"
#include "util/VeltraError.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <optional>

using namespace veltra;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

/// The crafted database in a temporary folder, with the chain wired as the main window
/// wires it: a headline filters the topics, a topic filters the parameter rows (sex
/// "All", order "A + B").
struct Browser
{
    QTemporaryDir dir;
    ReferenceDatabase db;
    ProtocolLog log;
    QString sex = QStringLiteral("All");

    Browser() : db(dir.path(), dir.path())
    {
        fixture::WriteDatabase(dir.path());
        db.headlineLink().setHandler([this] { db.FilterTopicsByHeadline(); });
        db.topicLink().setHandler([this] { db.ApplyParameterFilter(sex, 2); });
    }
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    /// Connects the data file of the parameter row with that ID.
    DataFileConnection connect(qint64 id, bool protocol = true)
    {
        db.LocateParameter(id);
        return db.ConnectDataFile(db.parameters().fieldText(QStringLiteral("DataFile")), protocol,
                                  log);
    }
};

/// Makes dir the current folder while it lives (none: leaves it).
struct CurrentFolder
{
    const QString old = QDir::currentPath();
    explicit CurrentFolder(const QString& dir)
    {
        if (!dir.isEmpty())
            QDir::setCurrent(dir);
    }
    ~CurrentFolder() { QDir::setCurrent(old); }
};

/// What a hierarchy load leaves: the log, the parameter table whole (as saved) and the
/// rows the chain shows.
QStringList Loaded(const Browser& b)
{
    const DataTable& para = b.db.parameters();
    QStringList shown = b.log.lines();
    shown << QString::fromUtf8(para.saveToData(PacketForm::Utf8)) << para.fileName()
          << para.filter() << QString::number(para.recordCount());
    for (int field = 0; field < para.fieldCount(); ++field)
        shown << para.currentValue(field);
    return shown;
}

/// The log lines, the error and whether the parameter table is open after a hierarchy
/// load that must fail.
QStringList Failure(Browser& b)
{
    QStringList failure;
    try {
        b.db.LoadHierarchyTables(b.log);
        failure << QStringLiteral("no error");
    } catch (const VeltraError& error) {
        failure << b.log.lines() << error.message();
    }
    return failure << (b.db.parameters().isOpen() ? "open" : "closed");
}

} // namespace

class ReferenceDatabaseTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hierarchyLoadRunsTheChain();
    void prefetchedLoadMatchesPlainLoad_data();
    void prefetchedLoadMatchesPlainLoad();
    void prefetchIsTakenOnlyForTheUnchangedFile_data();
    void prefetchIsTakenOnlyForTheUnchangedFile();
    void prefetchedLoadFailsAlike_data();
    void prefetchedLoadFailsAlike();
    void prefetchNotTakenIsDiscarded();
    void filterTexts_data();
    void filterTexts();
    void orderItems_data();
    void orderItems();
    void locateParameter();
    void connectDataFile_data();
    void connectDataFile();
    void connectionIsRememberedUntilTheTablesClose();
    void hooksSeeTheNewFields();
    void protocolLogExtendsAndResets();
};

void ReferenceDatabaseTest::hierarchyLoadRunsTheChain()
{
    Browser b;
    b.db.LoadHierarchyTables(b.log);
    // Headlines in STRC order: H1 first; its topics B1 and B2; B1's eight parameter rows.
    QCOMPARE(b.log.lines(),
             QStringList({"HeadLines loaded / records: 3", "Topics loaded / records: 2",
                          "Parameter loaded / records: 8"}));
    QCOMPARE(b.db.topics().filter(), QStringLiteral("TOP = 'H1'"));
    QCOMPARE(b.db.parameters().filter(), QStringLiteral("PS = 'B1'"));
    QCOMPARE(b.db.parameters().indexFieldNames(), QStringLiteral("RSTRC;VARIABLE"));
    QCOMPARE(ReferenceDatabase::CurrentText(b.db.parameters(), QStringLiteral("Variable")),
             QStringLiteral("BW"));

    // A missing hierarchy file fails naming it; the tables loaded before stay loaded.
    QFile::remove(b.path(QStringLiteral("para1.xml")));
    try {
        b.db.LoadHierarchyTables(b.log);
        QFAIL("no error for a missing topic table");
    } catch (const VeltraError& error) {
        QVERIFY2(error.message().contains(QStringLiteral("para1.xml")),
                 qPrintable(error.message()));
    }
    QVERIFY(b.db.headlines().isOpen());
}

void ReferenceDatabaseTest::prefetchedLoadMatchesPlainLoad_data()
{
    QTest::addColumn<bool>("relative");
    QTest::newRow("database folder") << false;
    QTest::newRow("current folder") << true; // as the viewer opens them
}

void ReferenceDatabaseTest::prefetchedLoadMatchesPlainLoad()
{
    QFETCH(bool, relative);
    Browser b;
    const CurrentFolder current(relative ? b.dir.path() : QString());
    if (relative)
        b.db.setHierarchyDir(QString());
    b.db.LoadHierarchyTables(b.log);
    const QStringList plain = Loaded(b);
    QCOMPARE(plain.value(2), QStringLiteral("Parameter loaded / records: 8"));

    b.db.CloseTables();
    b.log.Clear();
    b.db.PrefetchParameterTable();
    b.db.LoadHierarchyTables(b.log);
    QCOMPARE(Loaded(b), plain);
}

void ReferenceDatabaseTest::prefetchIsTakenOnlyForTheUnchangedFile_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("taken");
    QTest::newRow("unchanged") << "" << true;
    QTest::newRow("rewritten in place") << "rewrite" << false;
    QTest::newRow("replaced by a copy") << "replace" << false;  // same bytes, another file
    QTest::newRow("modification time set") << "touch" << false; // same bytes, same file
    QTest::newRow("removed") << "remove" << false;
}

void ReferenceDatabaseTest::prefetchIsTakenOnlyForTheUnchangedFile()
{
    QFETCH(QString, change);
    QFETCH(bool, taken);
    Browser b;
    const QString path = b.path(QStringLiteral("daten1a.xml"));
    DataTable plain;
    plain.loadFromFile(path);

    PacketPrefetch prefetch(path);
    prefetch.wait(); // the worker has read the file before it changes
    if (change == QLatin1String("rewrite")) {
        fixture::WriteFile(path, fixture::Packet({{"PS", "string"}}, {{"B1"}}));
    } else if (change == QLatin1String("replace")) {
        const QString copy = b.path(QStringLiteral("copy.xml"));
        QVERIFY(QFile::copy(path, copy));
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(copy, path));
    } else if (change == QLatin1String("touch")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
    } else if (change == QLatin1String("remove")) {
        QVERIFY(QFile::remove(path));
    }

    DataTable table;
    QCOMPARE(prefetch.takeInto(table), taken);
    QCOMPARE(table.isOpen(), taken); // a prefetch not taken leaves the table alone
    if (taken) {
        QCOMPARE(table.saveToData(PacketForm::Utf8), plain.saveToData(PacketForm::Utf8));
        QCOMPARE(table.fileName(), path);
    }
    QVERIFY(!prefetch.takeInto(table)); // used up
}

void ReferenceDatabaseTest::prefetchedLoadFailsAlike_data()
{
    QTest::addColumn<QString>("content"); // "missing", "folder" or the file's text
    QTest::addColumn<bool>("relative");
    QTest::addColumn<QString>("reason");
    const QString broken = QStringLiteral(
        "<?xml version=\"1.0\"?>\n<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>\n"
        "<FIELD attrname=\"PS\" fieldtype=\"string\" WIDTH=\"8\"/></FIELDS></METADATA>"
        "<ROWDATA>\n<ROW PS=\"B1\"/><ROW PS=B2/></ROWDATA></DATAPACKET>\n");
    QTest::newRow("broken packet")
        << broken << false << "daten1a.xml\": line 4, column 23: quoted attribute value expected";
    QTest::newRow("broken packet, current folder")
        << broken << true << "daten1a.xml\": line 4, column 23: quoted attribute value expected";
    QTest::newRow("missing") << "missing" << false << "cannot open";
    QTest::newRow("missing, current folder") << "missing" << true << "(looked for in the folder";
    QTest::newRow("a folder") << "folder" << false << "it is not a regular file";
}

void ReferenceDatabaseTest::prefetchedLoadFailsAlike()
{
    QFETCH(QString, content);
    QFETCH(bool, relative);
    QFETCH(QString, reason);
    Browser b;
    const CurrentFolder current(relative ? b.dir.path() : QString());
    if (relative)
        b.db.setHierarchyDir(QString());
    const QString path = b.path(QStringLiteral("daten1a.xml"));
    QFile good(path);
    QVERIFY(good.open(QIODevice::ReadOnly));
    const QByteArray goodBytes = good.readAll();
    // Each attempt starts from a loaded, open table: the failed load closes it.
    auto attempt = [&](bool prefetch) {
        QDir().rmdir(path);
        fixture::WriteFile(path, goodBytes);
        b.db.LoadHierarchyTables(b.log);
        b.log.Clear();
        QFile::remove(path);
        if (content == QLatin1String("folder"))
            QDir().mkdir(path);
        else if (content != QLatin1String("missing"))
            fixture::WriteFile(path, content.toUtf8());
        if (prefetch)
            b.db.PrefetchParameterTable();
        return Failure(b);
    };

    const QStringList plain = attempt(false);
    QCOMPARE(plain.mid(0, 2),
             QStringList({"HeadLines loaded / records: 3", "Topics loaded / records: 2"}));
    QVERIFY2(plain.value(2).contains(reason), qPrintable(plain.value(2)));
    QCOMPARE(plain.value(3), QStringLiteral("closed"));
    QCOMPARE(attempt(true), plain);
}

void ReferenceDatabaseTest::prefetchNotTakenIsDiscarded()
{
    Browser b;
    // A load that fails at the headline file discards the prefetch; the next load reads
    // the parameter table as it is then.
    const QString headlines = b.path(QStringLiteral("topics.xml"));
    QVERIFY(QFile::rename(headlines, headlines + QStringLiteral(".away")));
    b.db.PrefetchParameterTable();
    QVERIFY2(Failure(b).value(0).contains(QStringLiteral("topics.xml")),
             qPrintable(Failure(b).join(u'|')));
    QVERIFY(QFile::rename(headlines + QStringLiteral(".away"), headlines));
    fixture::WriteFile(
        b.path(QStringLiteral("daten1a.xml")),
        fixture::Packet({{"PS", "string"}, {"Variable", "string"}, {"RSTRC", "string"}},
                        {{"B1", "XW", "A"}}));
    b.log.Clear();
    b.db.LoadHierarchyTables(b.log);
    QCOMPARE(b.log.lines().value(2), QStringLiteral("Parameter loaded / records: 1"));
    QCOMPARE(ReferenceDatabase::CurrentText(b.db.parameters(), QStringLiteral("Variable")),
             QStringLiteral("XW"));

    // Databases destroyed while their workers read or parse a larger table wait for them:
    // a worker left running would abort the test (a thread not joined) or touch freed
    // memory. The next database loads the same rows.
    QList<QStringList> rows;
    for (int i = 0; i < 20000; ++i)
        rows.append({QStringLiteral("B1"), QStringLiteral("V%1").arg(i), QStringLiteral("A")});
    fixture::WriteFile(
        b.path(QStringLiteral("daten1a.xml")),
        fixture::Packet({{"PS", "string"}, {"Variable", "string"}, {"RSTRC", "string"}}, rows));
    for (int i = 0; i < 3; ++i) {
        ReferenceDatabase db(b.dir.path(), b.dir.path());
        db.PrefetchParameterTable();
    }
    ReferenceDatabase db(b.dir.path(), b.dir.path());
    db.PrefetchParameterTable();
    db.LoadParameterTable();
    QCOMPARE(db.parameters().recordCount(), 20000);
}

void ReferenceDatabaseTest::filterTexts_data()
{
    QTest::addColumn<QString>("ps");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<std::optional<QString>>("expected");
    QTest::newRow("All") << "B12"
                         << "All" << std::optional<QString>("PS = 'B12'");
    QTest::newRow("M") << "B12"
                       << "M" << std::optional<QString>("PS = 'B12' AND Sex='M'");
    QTest::newRow("F") << "B12"
                       << "F" << std::optional<QString>("PS = 'B12' AND Sex='F'");
    QTest::newRow("A") << "B12"
                       << "A" << std::optional<QString>("PS = 'B12' AND Sex='A'");
    QTest::newRow("quote doubled") << "I'1"
                                   << "All" << std::optional<QString>("PS = 'I''1'");
    QTest::newRow("empty topic") << ""
                                 << "M" << std::optional<QString>("PS = '' AND Sex='M'");
    QTest::newRow("lower case keeps the filter") << "B12"
                                                 << "m" << std::optional<QString>();
    QTest::newRow("typed text keeps the filter") << "B12"
                                                 << "Al" << std::optional<QString>();
}

void ReferenceDatabaseTest::filterTexts()
{
    QFETCH(QString, ps);
    QFETCH(QString, sex);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(ReferenceDatabase::ParameterFilter(ps, sex), expected);
    QCOMPARE(ReferenceDatabase::TopicFilter(ps),
             QStringLiteral("TOP = '") +
                 QString(ps).replace(QStringLiteral("'"), QStringLiteral("''")) + u'\'');
}

void ReferenceDatabaseTest::orderItems_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("first");
    QTest::newRow("Varnames") << 0 << "VARIABLE"
                              << "AW";
    QTest::newRow("Restriction") << 1 << "RSTRC"
                                 << "BW";
    QTest::newRow("A + B") << 2 << "RSTRC;VARIABLE"
                           << "BW";
    QTest::newRow("DataSource") << 3 << "DataSource"
                                << "AW";
    QTest::newRow("no item keeps the order") << -1 << "RSTRC;VARIABLE"
                                             << "BW";
}

void ReferenceDatabaseTest::orderItems()
{
    QFETCH(int, item);
    QFETCH(QString, index);
    QFETCH(QString, first);
    Browser b;
    b.db.LoadHierarchyTables(b.log);
    b.sex = QStringLiteral("M");
    b.db.ApplyParameterFilter(QStringLiteral("All"), item);
    QCOMPARE(b.db.parameters().indexFieldNames(), index);
    b.db.parameters().first();
    QCOMPARE(b.db.parameters().fieldText(QStringLiteral("Variable")), first);
    QCOMPARE(b.db.parameters().recordCount(), 8);
    // The sex selection filters; the order stays.
    b.db.ApplyParameterFilter(QStringLiteral("F"), -1);
    QCOMPARE(b.db.parameters().recordCount(), 1);
    QCOMPARE(b.db.parameters().indexFieldNames(), index);
}

void ReferenceDatabaseTest::locateParameter()
{
    Browser b;
    b.db.LoadParameterTable();
    QCOMPARE(b.db.parameters().recordCount(), 10); // unfiltered
    b.db.LocateParameter(7);
    QCOMPARE(b.db.parameters().fieldText(QStringLiteral("Variable")), QStringLiteral("GW"));
    try {
        b.db.LocateParameter(99);
        QFAIL("no error for an unknown ID");
    } catch (const VeltraError& error) {
        QCOMPARE(error.message(), QStringLiteral("No parameter row has the ID 99 in \"%1\"")
                                      .arg(b.path(QStringLiteral("daten1a.xml"))));
    }
    // A parameter table without the ID field.
    fixture::WriteFile(b.path(QStringLiteral("daten1a.xml")),
                       fixture::Packet({{"PS", "string"}}, {{"B1"}}));
    b.db.LoadParameterTable();
    try {
        b.db.LocateParameter(1);
        QFAIL("no error for a table without ID");
    } catch (const VeltraError& error) {
        QCOMPARE(
            error.message(),
            QStringLiteral("\"%1\" has no field ID").arg(b.path(QStringLiteral("daten1a.xml"))));
    }
}

void ReferenceDatabaseTest::connectDataFile_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<bool>("protocol");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QStringList>("log"); // "@" stands for the database folder
    QTest::addColumn<bool>("open");
    QTest::newRow("connected") << qint64(1) << true << int(ConnectOutcome::Connected)
                               << QStringList{"Connect XML with : @/bw1.xml"} << true;
    QTest::newRow("connected quietly")
        << qint64(1) << false << int(ConnectOutcome::Connected) << QStringList() << true;
    QTest::newRow("missing") << qint64(3) << false << int(ConnectOutcome::Missing)
                             << QStringList{"*** SORRY! The XML File  @/missing.xml/XML does not "
                                            "(yet) exist. ID:3"}
                             << false;
    QTest::newRow("not a data packet")
        << qint64(5) << true << int(ConnectOutcome::LoadFailed)
        << QStringList{"Connect XML with : @/broken.xml", "*** Error calling file  : @/broken.xml",
                       "        line 1, column 1: text outside the root element"}
        << false;
    QTest::newRow("no data file") << qint64(4) << true << int(ConnectOutcome::NoDataFile)
                                  << QStringList() << false;
}

void ReferenceDatabaseTest::connectDataFile()
{
    QFETCH(qint64, id);
    QFETCH(bool, protocol);
    QFETCH(int, outcome);
    QFETCH(QStringList, log);
    QFETCH(bool, open);
    Browser b;
    b.db.LoadParameterTable();
    const DataFileConnection connection = b.connect(id, protocol);
    QCOMPARE(int(connection.outcome), outcome);
    log.replaceInStrings(QStringLiteral("@"), b.dir.path());
    QCOMPARE(b.log.lines(), log);
    QCOMPARE(b.db.dataFile().isOpen(), open);
    QCOMPARE(b.db.dataFileLink().isActive(), open);
    QCOMPARE(b.db.dataFileName(), b.db.parameters().fieldText(QStringLiteral("DataFile")));
    QCOMPARE(b.db.connectedDataFileName(), open ? b.db.dataFileName() : QString());
    // The outcome carries what the database now holds: the attempt's path (none for a row
    // without a file), the connected file's fields and the reader's message.
    const bool attempted = outcome != int(ConnectOutcome::NoDataFile);
    QCOMPARE(connection.path, attempted ? b.path(b.db.dataFileName()) : QString());
    QCOMPARE(connection.path, b.db.dataFilePath());
    QCOMPARE(connection.fieldNames, open ? b.db.dataFile().fieldNames() : QStringList());
    QCOMPARE(connection.error, b.db.lastLoadError());
    if (outcome == int(ConnectOutcome::LoadFailed))
        QVERIFY2(connection.error.contains(QStringLiteral("broken.xml")),
                 qPrintable(connection.error));
    else
        QCOMPARE(connection.error, QString());
}

void ReferenceDatabaseTest::connectionIsRememberedUntilTheTablesClose()
{
    Browser b;
    b.db.LoadParameterTable();
    QCOMPARE(b.connect(1).outcome, ConnectOutcome::Connected);
    b.db.dataFile().moveTo(3);
    // Another row sharing the file keeps it, and its current age group.
    QCOMPARE(b.connect(2).outcome, ConnectOutcome::AlreadyConnected);
    QCOMPARE(b.db.dataFile().recNo(), 3);

    // A failed row shown again is not tried again; selected after another row, it is.
    QCOMPARE(b.connect(3).outcome, ConnectOutcome::Missing);
    QCOMPARE(b.connect(3).outcome, ConnectOutcome::NotRetried);
    QCOMPARE(b.log.lines().size(), 2);
    QCOMPARE(b.connect(1).outcome, ConnectOutcome::Connected);
    QCOMPARE(b.connect(3).outcome, ConnectOutcome::Missing);

    // Closing the tables forgets the connection: the same file is loaded again.
    QCOMPARE(b.connect(1).outcome, ConnectOutcome::Connected);
    b.db.CloseTables();
    QVERIFY(!b.db.dataFile().isOpen());
    b.db.LoadParameterTable();
    QCOMPARE(b.connect(1).outcome, ConnectOutcome::Connected);
    QVERIFY(b.db.dataFile().isOpen());
}

void ReferenceDatabaseTest::hooksSeeTheNewFields()
{
    Browser b;
    b.db.LoadParameterTable();
    QCOMPARE(b.connect(1).outcome, ConnectOutcome::Connected);
    QStringList calls;
    int announced = 0;
    b.db.dataFileLink().setHandler([&] { ++announced; });
    DataFileHooks hooks;
    hooks.beforeOpen = [&] {
        calls << QStringLiteral("before ") + b.db.dataFieldNames().join(u',') +
                     (b.db.dataFileLink().isEnabled() ? " enabled" : " disabled");
    };
    hooks.bindFields = [&] {
        calls << QStringLiteral("bind ") + b.db.dataFieldNames().join(u',') +
                     (b.db.dataFileLink().isEnabled() ? " enabled" : " disabled");
    };
    b.db.LocateParameter(7);
    QCOMPARE(b.db.ConnectDataFile(b.db.parameters().fieldText(QStringLiteral("DataFile")), false,
                                  b.log, hooks)
                 .outcome,
             ConnectOutcome::Connected);
    QCOMPARE(
        calls,
        QStringList({"before AGEGRP,AGEMin,AGEMax,NOBS,MEAN,GENERALF,MOMENTS,QUANTILES disabled",
                     "bind AGEGRP,AGEMax,NOBS disabled"}));
    QCOMPARE(announced, 1); // enabling the link announced the first age group once
}

void ReferenceDatabaseTest::protocolLogExtendsAndResets()
{
    ProtocolLog log;
    QStringList events;
    QObject::connect(&log, &ProtocolLog::lineAdded, &log,
                     [&](const QString& line) { events << "added " + line; });
    QObject::connect(&log, &ProtocolLog::lastLineExtended, &log,
                     [&](const QString& text) { events << "extended " + text; });
    QObject::connect(&log, &ProtocolLog::linesReset, &log, [&] { events << "reset"; });
    log.ExtendLastLine(QStringLiteral(" o.k.")); // on an empty log: a line of its own
    log.AddLine(QString());
    log.ExtendLastLine(QStringLiteral("x"));
    QCOMPARE(log.lines(), QStringList({" o.k.", "x"}));
    log.SetLines({QStringLiteral("typed")});
    log.Clear();
    QCOMPARE(log.lines(), QStringList());
    QCOMPARE(events, QStringList({"added  o.k.", "added ", "extended x", "reset", "reset"}));
}

QTEST_GUILESS_MAIN(ReferenceDatabaseTest)
#include "ReferenceDatabase_test.moc"
