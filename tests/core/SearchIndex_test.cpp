// The search index generation on the search fixture database (tests/data/search): the
// hierarchy walk, the index rows and the generation protocol, the index file, and the
// keyword lists with their ordering and capitalisation.
#include "../common/TestDatabase.h"
#include "../common/TestFiles.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "search/SearchIndex.h"
#include "util/LocaleText.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace veltra;

namespace {

const QString FixtureDir = QStringLiteral(VELTRA_TEST_DATA_DIR "/search");

/// The value of the "Additional" line of ID 65535: longer than the 120 characters of DKey.
const QString LongValue =
    QStringLiteral("long additional text that runs on past the width of the index field, so "
                   "that the stored key is cut while the protocol line keeps it whole");

const QDateTime Now(QDate(2007, 2, 28), QTime(13, 45, 7));

/// A copy of the fixture database in a temporary folder, and a database object for it.
struct SearchFolder
{
    QTemporaryDir dir;
    ReferenceDatabase db;

    SearchFolder() : db(dir.path(), dir.path())
    {
        for (const QString& name : {ReferenceDatabase::HeadlineFile, ReferenceDatabase::TopicFile,
                                    ReferenceDatabase::ParameterFile}) {
            if (!QFile::copy(FixtureDir + QLatin1Char('/') + name, path(name)))
                qFatal("cannot copy the search fixture file %s", qPrintable(name));
        }
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString indexPath() const { return path(SearchIndexFileName); }
};

/// Every row the table shows, values in field order.
QList<QStringList> Rows(const DataTable& table)
{
    QList<QStringList> rows;
    for (int row = 0; row < table.recordCount(); ++row) {
        QStringList values;
        for (int field = 0; field < table.fieldCount(); ++field)
            values << table.value(row, field);
        rows << values;
    }
    return rows;
}

/// The protocol of one generation on the fixture.
QStringList FixtureProtocol()
{
    SearchFolder folder;
    DataTable index;
    return BuildSearchIndex(folder.db, index, folder.dir.path(), Now).protocol;
}

using fixture::ReadBytes;

QString MessageOf(const std::function<void()>& run)
{
    try {
        run();
    } catch (const VeltraError& error) {
        return error.message();
    }
    return QString();
}

/// One headline, one topic (both without text) and one parameter row with this Info.
void WriteOneRowDatabase(const QString& dir, const QString& info)
{
    const QDir folder(dir);
    fixture::WriteFile(folder.filePath(ReferenceDatabase::HeadlineFile),
                       fixture::Packet({{"Top", "string"}, {"TOPIC", "string"}, {"STRC", "string"}},
                                       {{"H1", "", "1"}}));
    fixture::WriteFile(
        folder.filePath(ReferenceDatabase::TopicFile),
        fixture::Packet({{"TOP", "string"}, {"PS", "string"}, {"PARAMETER", "string"}},
                        {{"H1", "T1", ""}}));
    fixture::WriteFile(folder.filePath(ReferenceDatabase::ParameterFile),
                       fixture::Packet({{"PS", "string"}, {"ID", "i4"}, {"Info", "bin.hex"}},
                                       {{"T1", "1", info}}));
}

} // namespace

class SearchIndexTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void protocolStartsWithDateAndTime();
    void protocolLines_data();
    void protocolLines();
    void onlyRowsOfTheWalkAreVisited();
    void indexRows_data();
    void indexRows();
    void indexFileHoldsTheTable();
    void existingIndexIsEmptiedAndRefilled();
    void appendFailuresMarkEveryLine();
    void failedWalkKeepsThePreviousIndex();
    void unreadableIndexIsReplaced_data();
    void unreadableIndexIsReplaced();
    void failedSaveNamesTheFile();
    void generationWithoutIndexFileWorksInMemory();
    void walkNeedsTheTablesInItsOrder_data();
    void walkNeedsTheTablesInItsOrder();
    void generationKeepsWindowHandlersOut();
    void missingHierarchyFileFailsTheGeneration();
    void keysCutAtCharacterBoundaries_data();
    void keysCutAtCharacterBoundaries();
    void keywordListOrder_data();
    void keywordListOrder();
    void capitalised_data();
    void capitalised();
    void fixtureKeywordLists();
    void rowKeywords_data();
    void rowKeywords();
};

void SearchIndexTest::protocolStartsWithDateAndTime()
{
    const QStringList protocol = FixtureProtocol();
    QVERIFY(!protocol.isEmpty());
    // The time given, not the time of the run.
    QCOMPARE(protocol.first(), QStringLiteral("Index Generator Start: ") +
                                   ShortDateText(Now.date()) + QLatin1Char(' ') +
                                   LongTimeText(Now.time()));
    QVERIFY2(protocol.first().contains(QStringLiteral("45:07")), qPrintable(protocol.first()));
}

void SearchIndexTest::protocolLines_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");
    // Walk order: H1 (STRC 10) with T11 then T12 (file order), H2 with T21 then T22, H3
    // with T31; H4 has no topics.
    QTest::newRow("ID 70000 not stored")
        << 1
        << QStringLiteral("***1 | H1 | T11 | 70000 | Körpergewicht, child's weight | Body "
                          "weight, row with a large ID");
    QTest::newRow("two Additional lines: DKey from the first, trailing blanks gone")
        << 2
        << QStringLiteral("2 | H1 | T11 | 101 | first phrase, Erwachsene | Body weight of adults");
    QTest::newRow("no Additional line")
        << 3 << QStringLiteral("3 | H1 | T12 | 102 |  | Height of children");
    QTest::newRow("ID 65535 stored, long value whole")
        << 4
        << QStringLiteral("4 | H1 | T12 | 65535 | ") + LongValue +
               QStringLiteral(" | Upper boundary ID");
    QTest::newRow("negative ID and no Info") << 5 << QStringLiteral("***5 | H1 | T12 | -1 |  | ");
    QTest::newRow("alpha, beta;gamma kept whole")
        << 6
        << QStringLiteral("6 | H2 | T21 | 201 | alpha, beta;gamma | Drinking water intake of "
                          "children");
    QTest::newRow("rich text Info")
        << 7 << QStringLiteral("7 | H2 | T22 | 202 | Getränke | Beverages of adults");
    QTest::newRow("accented letters")
        << 8 << QStringLiteral("8 | H3 | T31 | 301 | ölsaaten, Alpha | Öko keywords");
}

void SearchIndexTest::protocolLines()
{
    QFETCH(int, line);
    QFETCH(QString, expected);
    const QStringList protocol = FixtureProtocol();
    QVERIFY(line < protocol.size());
    QCOMPARE(protocol.at(line), expected);
}

void SearchIndexTest::onlyRowsOfTheWalkAreVisited()
{
    // The topic T91 has no headline, the row of ID 990 no topic: neither is visited.
    const QStringList protocol = FixtureProtocol();
    QCOMPARE(protocol.size(), 9);
    for (const QString& line : protocol) {
        QVERIFY2(!line.contains(QStringLiteral(" 901 ")) && !line.contains(QStringLiteral(" 990 ")),
                 qPrintable(line));
    }
}

void SearchIndexTest::indexRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("expected"); // Top, PS, Index, DKey, EKey
    QTest::newRow("two Additional lines")
        << 0
        << QStringList{"H1", "T11", "101", "first phrase, Erwachsene", "Body weight of adults"};
    QTest::newRow("no Additional line")
        << 1 << QStringList{"H1", "T12", "102", "", "Height of children"};
    QTest::newRow("DKey cut to 120 characters")
        << 2
        << QStringList{"H1", "T12", "65535",
                       "long additional text that runs on past the width of the index field, so "
                       "that the stored key is cut while the protocol li",
                       "Upper boundary ID"};
    QTest::newRow("alpha, beta;gamma") << 3
                                       << QStringList{"H2", "T21", "201", "alpha, beta;gamma",
                                                      "Drinking water intake of children"};
    QTest::newRow("rich text Info")
        << 4 << QStringList{"H2", "T22", "202", "Getränke", "Beverages of adults"};
    QTest::newRow("last row") << 5
                              << QStringList{"H3", "T31", "301", "ölsaaten, Alpha", "Öko keywords"};
}

void SearchIndexTest::indexRows()
{
    QFETCH(int, row);
    QFETCH(QStringList, expected);
    SearchFolder folder;
    DataTable index;
    (void)BuildSearchIndex(folder.db, index, folder.dir.path(), Now);
    QCOMPARE(index.fieldNames(), QStringList({"Top", "PS", "Index", "DKey", "EKey"}));
    // Rows of IDs 70000 and -1 are missing.
    QCOMPARE(index.recordCount(), 6);
    QCOMPARE(Rows(index).at(row), expected);
}

void SearchIndexTest::indexFileHoldsTheTable()
{
    SearchFolder folder;
    QVERIFY(!QFile::exists(folder.indexPath()));
    DataTable index;
    (void)BuildSearchIndex(folder.db, index, folder.dir.path(), Now);

    QFile file(folder.indexPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains("encoding=\"UTF-8\""));
    QVERIFY(bytes.contains(QStringLiteral("ölsaaten").toUtf8()));
    // Saved state: no change log.
    QVERIFY(!bytes.contains("RowState"));
    QCOMPARE(index.changeCount(), 0);

    DataTable reread;
    reread.loadFromFile(folder.indexPath());
    QCOMPARE(reread.fields(), index.fields());
    QCOMPARE(Rows(reread), Rows(index));
}

void SearchIndexTest::existingIndexIsEmptiedAndRefilled()
{
    SearchFolder folder;
    // An index of an earlier generation, with a row that is no longer in the database.
    DataTable old;
    old.createDataSet(SearchIndexFields());
    old.append({"H7", "T77", "7", "old", "Old row"});
    old.saveToFile(folder.indexPath(), PacketForm::Plain);

    DataTable index;
    (void)BuildSearchIndex(folder.db, index, folder.dir.path(), Now);
    QCOMPARE(index.recordCount(), 6);
    QCOMPARE(index.value(0, 2), QStringLiteral("101"));

    DataTable reread;
    reread.loadFromFile(folder.indexPath());
    QCOMPARE(Rows(reread), Rows(index));

    // A second generation gives the same rows again.
    DataTable again;
    (void)BuildSearchIndex(folder.db, again, folder.dir.path(), Now);
    QCOMPARE(Rows(again), Rows(index));
}

void SearchIndexTest::appendFailuresMarkEveryLine()
{
    // An index file of another layout: no row fits it, every line says so, and the
    // generation goes on to the end.
    SearchFolder folder;
    fixture::WriteFile(folder.indexPath(),
                       fixture::Packet({{"Top", "string"}, {"PS", "string"}}, {{"H7", "T77"}}));
    DataTable index;
    const IndexGeneration generation = BuildSearchIndex(folder.db, index, folder.dir.path(), Now);
    QCOMPARE(generation.protocol.size(), 9);
    for (const QString& line : generation.protocol.mid(1))
        QVERIFY2(line.startsWith(QStringLiteral("***")), qPrintable(line));
    QCOMPARE(index.recordCount(), 0);
    DataTable reread;
    reread.loadFromFile(folder.indexPath());
    QCOMPARE(reread.recordCount(), 0);
    QVERIFY(!generation.keywords.english.entries().isEmpty());
}

void SearchIndexTest::failedWalkKeepsThePreviousIndex()
{
    SearchFolder folder;
    // A complete index of the good tables is the previous one.
    {
        LoadSearchTables(folder.db, folder.dir.path());
        DataTable index;
        LoadSearchIndex(index, folder.indexPath());
        QVERIFY(FillIndexTable(folder.db, index, folder.indexPath(), Now).complete());
    }
    const QByteArray previous = ReadBytes(folder.indexPath());
    QVERIFY(!previous.isEmpty());

    // The second parameter row of T11 has an ID that is no integer.
    fixture::WriteFile(folder.path(ReferenceDatabase::ParameterFile),
                       fixture::Packet({{"PS", "string"}, {"ID", "string"}, {"Info", "bin.hex"}},
                                       {{"T11", "101", "First row\r\n"},
                                        {"T11", "12x", "Broken row\r\n"},
                                        {"T12", "102", "Not reached\r\n"}}));
    LoadSearchTables(folder.db, folder.dir.path());
    DataTable index;
    LoadSearchIndex(index, folder.indexPath());
    const GeneratorResult result = FillIndexTable(folder.db, index, folder.indexPath(), Now);
    QCOMPARE(result.stopRow.value_or(-1), 1);
    QVERIFY2(result.error.contains(QStringLiteral("\"12x\"")) &&
                 result.error.contains(QStringLiteral("daten1a.xml")),
             qPrintable(result.error));
    QCOMPARE(result.lines.mid(1),
             QStringList({"1 | H1 | T11 | 101 |  | First row", IndexKeptLine(folder.indexPath())}));
    QCOMPARE(ReadBytes(folder.indexPath()), previous);

    // BuildSearchIndex reports the failure and leaves the file as well.
    DataTable built;
    const QString message =
        MessageOf([&] { (void)BuildSearchIndex(folder.db, built, folder.dir.path(), Now); });
    QVERIFY2(message.contains(QStringLiteral("\"12x\"")), qPrintable(message));
    QCOMPARE(ReadBytes(folder.indexPath()), previous);
}

void SearchIndexTest::unreadableIndexIsReplaced_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut off") << QByteArray("<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\">");
    QTest::newRow("no packet") << QByteArray("index\n");
}

void SearchIndexTest::unreadableIndexIsReplaced()
{
    QFETCH(QByteArray, content);
    SearchFolder folder;
    fixture::WriteFile(folder.indexPath(), content);
    DataTable index;
    const IndexGeneration generation = BuildSearchIndex(folder.db, index, folder.dir.path(), Now);
    QVERIFY(generation.notSaved.isEmpty());
    DataTable reread;
    reread.loadFromFile(folder.indexPath());
    QCOMPARE(Rows(reread), Rows(index));
    QVERIFY(reread.recordCount() > 0);
}

void SearchIndexTest::failedSaveNamesTheFile()
{
    SearchFolder folder;
    LoadSearchTables(folder.db, folder.dir.path());
    const QString target = folder.path(QStringLiteral("no-such-folder/veltraIndex.xml"));
    DataTable index;
    LoadSearchIndex(index, target);
    const QString message = MessageOf([&] { (void)FillIndexTable(folder.db, index, target, Now); });
    QVERIFY2(message.startsWith(QStringLiteral("cannot write \"%1\": ").arg(target)),
             qPrintable(message));
}

void SearchIndexTest::generationWithoutIndexFileWorksInMemory()
{
    // The index file cannot be written (a folder stands in its place, as a read-only
    // database would refuse it): the generation still fills the index and the lists.
    SearchFolder folder;
    QVERIFY(QDir().mkpath(folder.indexPath()));
    DataTable index;
    const IndexGeneration generation = BuildSearchIndex(folder.db, index, folder.dir.path(), Now);
    QVERIFY2(generation.notSaved.startsWith(QStringLiteral("*** ")) &&
                 generation.notSaved.contains(
                     QStringLiteral("cannot write \"%1\"").arg(folder.indexPath())),
             qPrintable(generation.notSaved));
    QCOMPARE(index.recordCount(), 6);
    QVERIFY(!generation.keywords.english.entries().isEmpty());
    QVERIFY(QFileInfo(folder.indexPath()).isDir());
}

void SearchIndexTest::walkNeedsTheTablesInItsOrder_data()
{
    QTest::addColumn<QString>("table"); // head, topics or parameters
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("named");
    QTest::newRow("topics filtered") << "topics"
                                     << "TOP = 'H1'" << QString() << "para1.xml";
    QTest::newRow("topics ordered") << "topics" << QString() << "Parameter"
                                    << "para1.xml";
    QTest::newRow("parameter rows filtered") << "parameters"
                                             << "PS = 'T11'" << QString() << "daten1a.xml";
    QTest::newRow("headlines in file order") << "head" << QString() << QString() << "topics.xml";
}

void SearchIndexTest::walkNeedsTheTablesInItsOrder()
{
    QFETCH(QString, table);
    QFETCH(QString, filter);
    QFETCH(QString, order);
    QFETCH(QString, named);
    SearchFolder folder;
    LoadSearchTables(folder.db, folder.dir.path());
    DataTable& target = table == QLatin1String("head")     ? folder.db.headlines()
                        : table == QLatin1String("topics") ? folder.db.topics()
                                                           : folder.db.parameters();
    if (!filter.isEmpty()) {
        target.setFilter(filter);
        target.setFiltered(true);
    }
    target.setIndexFieldNames(order);

    DataTable index;
    LoadSearchIndex(index, folder.indexPath());
    QString message =
        MessageOf([&] { (void)FillIndexTable(folder.db, index, folder.indexPath(), Now); });
    QVERIFY2(message.contains(named), qPrintable(message));
    // Nothing was touched: no index file.
    QVERIFY(!QFile::exists(folder.indexPath()));
    message = MessageOf([&] { (void)FillKeywordLists(folder.db); });
    QVERIFY2(message.contains(named), qPrintable(message));
}

void SearchIndexTest::generationKeepsWindowHandlersOut()
{
    // The chain wired as a browser window wires it: each headline filters the topics,
    // each topic the parameter rows.
    SearchFolder folder;
    ReferenceDatabase& db = folder.db;
    int headlineCalls = 0;
    db.headlineLink().setHandler([&] {
        ++headlineCalls;
        db.FilterTopicsByHeadline();
    });
    db.topicLink().setHandler([&] { db.ApplyParameterFilter(QStringLiteral("All"), -1); });
    bool parameterLinkWasEnabled = false;
    db.parameterLink().setHandler([&] { parameterLinkWasEnabled = true; });
    db.parameterLink().setEnabled(false);

    DataTable index;
    const IndexGeneration generation = BuildSearchIndex(db, index, folder.dir.path(), Now);
    QCOMPARE(index.recordCount(), 6);
    QCOMPARE(generation.protocol.size(), 9);

    // Afterwards the enabled links announce the first headline, so the chain stands on
    // it; the link that was disabled stays so.
    QVERIFY(headlineCalls > 0);
    QVERIFY(db.headlineLink().isEnabled());
    QVERIFY(!db.parameterLink().isEnabled());
    QVERIFY(!parameterLinkWasEnabled);
    QCOMPARE(db.headlines().fieldText(QStringLiteral("Top")), QStringLiteral("H1"));
    QCOMPARE(db.topics().filter(), QStringLiteral("TOP = 'H1'"));
    QCOMPARE(db.parameters().filter(), QStringLiteral("PS = 'T11'"));
    QCOMPARE(db.parameters().recordCount(), 2);
}

void SearchIndexTest::missingHierarchyFileFailsTheGeneration()
{
    SearchFolder folder;
    QFile::remove(folder.path(ReferenceDatabase::TopicFile));
    int calls = 0;
    folder.db.headlineLink().setHandler([&] { ++calls; });
    DataTable index;
    const QString message =
        MessageOf([&] { (void)BuildSearchIndex(folder.db, index, folder.dir.path(), Now); });
    QVERIFY2(message.contains(QStringLiteral("para1.xml")), qPrintable(message));
    QVERIFY(!QFile::exists(folder.indexPath()));
    // The link reports again after the failure.
    QVERIFY(folder.db.headlineLink().isEnabled());
    QCOMPARE(calls, 1);
}

void SearchIndexTest::keysCutAtCharacterBoundaries_data()
{
    QTest::addColumn<QString>("first");    // the first Info line
    QTest::addColumn<QString>("expected"); // EKey as stored
    const QString a119(119, u'a');
    QTest::newRow("emoji across the width") << a119 + QStringLiteral("\U0001F642b") << a119;
    QTest::newRow("combining mark across the width") << a119 + QStringLiteral("o\u0308b") << a119;
    QTest::newRow("letter ending at the width")
        << a119 + QStringLiteral("\u00F6b") << a119 + QStringLiteral("\u00F6");
    QTest::newRow("short text whole")
        << QStringLiteral("x\U0001F642") << QStringLiteral("x\U0001F642");
}

void SearchIndexTest::keysCutAtCharacterBoundaries()
{
    QFETCH(QString, first);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    WriteOneRowDatabase(dir.path(), first + QStringLiteral("\r\n"));
    ReferenceDatabase db(dir.path(), dir.path());
    DataTable index;
    (void)BuildSearchIndex(db, index, dir.path(), Now);
    QCOMPARE(index.value(0, index.fieldIndex(QStringLiteral("EKey"))), expected);
    // The file holds the same text: no replacement character for a split pair.
    DataTable stored;
    stored.loadFromFile(dir.filePath(SearchIndexFileName));
    QCOMPARE(stored.value(0, stored.fieldIndex(QStringLiteral("EKey"))), expected);
}

void SearchIndexTest::keywordListOrder_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("sorted ignoring case")
        << QStringList{"beta", "Alpha", "gamma"} << QStringList{"Alpha", "beta", "gamma"};
    QTest::newRow("case duplicates keep the first spelling")
        << QStringList{"Weight", "weight", "WEIGHT", "Gewicht"} << QStringList{"Gewicht", "Weight"};
    QTest::newRow("accented letters after z, by code point")
        << QStringList{"ölsaaten", "Zeta", "études", "alpha", "Über", "über"}
        << QStringList{"alpha", "Zeta", "études", "ölsaaten", "Über"};
    QTest::newRow("composed and decomposed letters are one entry")
        << QStringList{QStringLiteral("Ko\u0308rper"), QStringLiteral("k\u00F6rper"), "Kopf"}
        << QStringList{"Kopf", QStringLiteral("Ko\u0308rper")};
    QTest::newRow("punctuation and prefixes by code point")
        << QStringList{"BW_kg", "Bw", "beverages", "BEV_ml", "a b", "ab", "a"}
        << QStringList{"a", "a b", "ab", "BEV_ml", "beverages", "Bw", "BW_kg"};
}

void SearchIndexTest::keywordListOrder()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, expected);
    KeywordList list;
    for (const QString& text : added)
        list.Add(text);
    QCOMPARE(list.entries(), expected);
    for (const QString& text : added) {
        QVERIFY2(list.Holds(text), qPrintable(text));
        QVERIFY2(list.Holds(text.toUpper()), qPrintable(text));
    }
    QVERIFY(!list.Holds(QStringLiteral("not added")));
    list.Clear();
    QVERIFY(list.entries().isEmpty());
    QVERIFY(!list.Holds(added.first()));
}

void SearchIndexTest::capitalised_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("lower case") << "alpha"
                                << "Alpha";
    QTest::newRow("upper case stays") << "Zeta"
                                      << "Zeta";
    QTest::newRow("accented letter stays") << "études"
                                           << "études";
    QTest::newRow("digit first") << "2x"
                                 << "2x";
    QTest::newRow("rest unchanged") << "x-y z"
                                    << "X-y z";
    QTest::newRow("z") << "z"
                       << "Z";
    QTest::newRow("empty") << ""
                           << "";
}

void SearchIndexTest::capitalised()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(Capitalised(text), expected);
}

void SearchIndexTest::fixtureKeywordLists()
{
    SearchFolder folder;
    DataTable index;
    const KeywordLists lists = BuildSearchIndex(folder.db, index, folder.dir.path(), Now).keywords;
    // English: the headline and topic texts (capitalised; "ANTHROPOMETRY" and "body
    // weight" equal earlier ones ignoring case; "études" and "ökologie" keep their first
    // letters), and the identifier-like words of each row's last "Variable" line
    // ("x-y" is none; HT_in is overwritten by HT_cm; "gamma" of ID 301 is a German keyword
    // already). Nothing of the topic without headline or of the row without topic.
    QCOMPARE(
        lists.english.entries(),
        QStringList({"Age2", "Anthropometry", "BEV_ml", "Beverages", "Body weight", "Bw", "BW_kg",
                     "Drinking water", "HT_cm", "Water intake", "WI_l", "études", "ökologie"}));
    // German: the phrases of each row's last "Additional" line, capitalised; "Alpha" of ID
    // 301 equals "alpha" of ID 201.
    QCOMPARE(lists.german.entries(),
             QStringList({"Adults", "Alpha", "Beta", "Child's weight", "Gamma", "Getränke",
                          "Körpergewicht", "Last phrase",
                          "Long additional text that runs on past the width of the index field",
                          "So that the stored key is cut while the protocol line keeps it whole",
                          "ölsaaten"}));

    // FillKeywordLists alone on the loaded tables gives the same lists.
    ReferenceDatabase other(folder.dir.path(), folder.dir.path());
    LoadSearchTables(other, folder.dir.path());
    const KeywordLists again = FillKeywordLists(other);
    QCOMPARE(again.english.entries(), lists.english.entries());
    QCOMPARE(again.german.entries(), lists.german.entries());
}

void SearchIndexTest::rowKeywords_data()
{
    QTest::addColumn<QString>("info");
    QTest::addColumn<QStringList>("english");
    QTest::addColumn<QStringList>("german");
    const QString variable = QStringLiteral("Variable                ");
    const QString additional = QStringLiteral("Additional              ");
    const QString cr = QStringLiteral("\r\n");
    QTest::newRow("identifier-like words only")
        << variable + "BW_kg, age2 x-y" + cr << QStringList{"Age2", "BW_kg"} << QStringList{};
    QTest::newRow("every standard delimiter")
        << variable + "a|b\tc,d e" + cr << QStringList{"A", "B", "C", "D", "E"} << QStringList{};
    QTest::newRow("letters outside A-Z are no identifier")
        << variable + QStringLiteral("über_x _x 9lives") + cr << QStringList{"9lives", "_x"}
        << QStringList{};
    QTest::newRow("last Variable line counts") << variable + "first" + cr + variable + "second" + cr
                                               << QStringList{"Second"} << QStringList{};
    QTest::newRow("label column only")
        << "Variable" + cr + "Additional" + cr << QStringList{} << QStringList{};
    QTest::newRow("phrases by comma and semicolon")
        << additional + "alpha, beta;gamma" + cr << QStringList{}
        << QStringList{"Alpha", "Beta", "Gamma"};
    QTest::newRow("a single blank between delimiters ends the phrases")
        << additional + "a, ,b" + cr << QStringList{} << QStringList{"A"};
    QTest::newRow("last Additional line counts")
        << additional + "first" + cr + additional + "second one" + cr << QStringList{}
        << QStringList{"Second one"};
    QTest::newRow("label word exact, leading blanks delimit it")
        << "variable                lower" + cr + "Additional:             colon" + cr +
               " Additional             indented" + cr
        << QStringList{} << QStringList{"Indented"};
    QTest::newRow("a variable word held in German is left out")
        << additional + "weight" + cr + variable + "Weight, bw" + cr << QStringList{"Bw", "Weight"}
        << QStringList{"Weight"};
}

void SearchIndexTest::rowKeywords()
{
    QFETCH(QString, info);
    QFETCH(QStringList, english);
    QFETCH(QStringList, german);
    QTemporaryDir dir;
    WriteOneRowDatabase(dir.path(), info);
    ReferenceDatabase db(dir.path(), dir.path());
    LoadSearchTables(db, dir.path());
    const KeywordLists lists = FillKeywordLists(db);
    QCOMPARE(lists.english.entries(), english);
    QCOMPARE(lists.german.entries(), german);
}

QTEST_GUILESS_MAIN(SearchIndexTest)
#include "SearchIndex_test.moc"
