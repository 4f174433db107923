// The table engine: navigation, field lookup, filter and order, notifications,
// close/open, editing rules, change log, loading and saving files.
#include "data/DataPacketReader.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "util/VeltraError.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define VELTRA_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELTRA_TEST_ASAN 1
#endif
#endif

using namespace veltra;

namespace {

const QByteArray kPacket =
    "<?xml version=\"1.0\" standalone=\"yes\"?>\n"
    "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"PS\" fieldtype=\"string\" WIDTH=\"10\"/>"
    "<FIELD attrname=\"Variable\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"SEX\" fieldtype=\"string\" WIDTH=\"1\"/>"
    "<FIELD attrname=\"ID\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"Info\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
    "</FIELDS><PARAMS/></METADATA><ROWDATA>"
    "<ROW PS=\"B1\" Variable=\"weight\" SEX=\"M\" ID=\"10\" Info=\"a&#013;&#010;b\"/>"
    "<ROW PS=\"B1\" Variable=\"Height\" SEX=\"F\" ID=\"2\"/>"
    "<ROW PS=\"B2\" Variable=\"age\" SEX=\"M\" ID=\"33\"/>"
    "<ROW PS=\"B1\" Variable=\"height\" SEX=\"M\"/>"
    "<ROW PS=\"B1\" Variable=\"Weight\" SEX=\"A\" ID=\"1\"/>"
    "</ROWDATA></DATAPACKET>";

void load(DataTable& t)
{
    t.loadFromData(kPacket, QStringLiteral("t.xml"));
}

/// Values of one field over the visible rows, joined by ",".
QString column(const DataTable& t, const QString& name)
{
    QStringList values;
    const int f = t.fieldIndex(name);
    for (int r = 0; r < t.recordCount(); ++r)
        values.append(t.value(r, f));
    return values.join(u',');
}

/// The first field of every visible row, in the table's order.
QStringList FirstColumn(const DataTable& table)
{
    QStringList shown;
    for (int row = 0; row < table.recordCount(); ++row)
        shown << table.value(row, 0);
    return shown;
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const VeltraError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System |
                                  QDir::Hidden);
}

/// Sets a resource limit for the lifetime of the object.
class ResourceLimit
{
public:
    ResourceLimit(int resource, rlim_t soft) : m_resource(resource)
    {
        getrlimit(resource, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = soft;
        setrlimit(resource, &limit);
    }
    ~ResourceLimit() { setrlimit(m_resource, &m_old); }
    ResourceLimit(const ResourceLimit&) = delete;
    ResourceLimit& operator=(const ResourceLimit&) = delete;

private:
    int m_resource;
    rlimit m_old;
};

/// Records what a data source reports, in order.
struct Recorder
{
    QStringList events;
    void attach(DataSource& s, QObject* context)
    {
        QObject::connect(&s, &DataSource::rowsReset, context, [this] { events << "reset"; });
        QObject::connect(&s, &DataSource::currentRowChanged, context, [this] { events << "row"; });
        s.setHandler(
            [this, &s] { events << QStringLiteral("handler:%1").arg(s.table()->recNo()); });
    }
    QString take()
    {
        const QString all = events.join(u' ');
        events.clear();
        return all;
    }
};

} // namespace

class DataTableTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void navigates();
    void takesFilterPassesFromTheCaller();
    void sameFilterAgainFollowsChanges();
    void orderAgainFollowsChanges();
    void looksUpFields_data();
    void looksUpFields();
    void filtersAndOrders_data();
    void filtersAndOrders();
    void ordersNumberFields();
    void tiesKeepFileOrder_data();
    void tiesKeepFileOrder();
    void newOrderKeepsCurrentRow();
    void badFilterKeepsPrevious();
    void notifiesDataSources();
    void sourceOutlivesTable();
    void closesAndReopens();
    void failedLoadLeavesTableEmpty();
    void readsValuesAsThePacketReader_data();
    void readsValuesAsThePacketReader();
    void placesErrorsAfterDecodedValues_data();
    void placesErrorsAfterDecodedValues();
    void refusesEditsWhenReadOnly_data();
    void refusesEditsWhenReadOnly();
    void appendFitsValues_data();
    void appendFitsValues();
    void editsPostsAndCancels();
    void savesChangeLog_data();
    void savesChangeLog();
    void saveIsAtomic();
    void loadsRegularFilesOnly_data();
    void loadsRegularFilesOnly();
    void namesFileWhenMemoryRunsOut();
    void savesOverRegularFilesOnly_data();
    void savesOverRegularFilesOnly();
    void reportsFailedWrite();
    void createsDataSet();
};

void DataTableTest::navigates()
{
    DataTable t;
    QVERIFY(t.eof() && t.bof());
    QCOMPARE(t.recNo(), 0);
    load(t);
    QCOMPARE(t.recordCount(), 5);
    QCOMPARE(t.recNo(), 1);
    QVERIFY(!t.eof() && !t.bof());
    for (int i = 2; i <= 5; ++i) {
        t.next();
        QCOMPARE(t.recNo(), i);
        QVERIFY(!t.eof());
    }
    t.next();
    QVERIFY(t.eof());
    QCOMPARE(t.recNo(), 5);
    QCOMPARE(t.fieldText("Variable"), QStringLiteral("Weight"));
    t.first();
    QVERIFY(!t.eof() && !t.bof());
    t.prior();
    QVERIFY(t.bof());
    QCOMPARE(t.recNo(), 1);
    t.last();
    QCOMPARE(t.recNo(), 5);
    t.moveTo(0);
    QCOMPARE(t.recNo(), 1);
    t.moveTo(99);
    QCOMPARE(t.recNo(), 5);

    t.setFilter(QStringLiteral("PS = 'none'"));
    t.setFiltered(true);
    QCOMPARE(t.recordCount(), 0);
    QVERIFY(t.eof() && t.bof() && t.isEmpty());
    QCOMPARE(t.recNo(), 0);
    QCOMPARE(t.fieldText("PS"), QString());
    t.next();
    t.first();
    QVERIFY(t.eof());
}

void DataTableTest::looksUpFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("as written") << "Variable"
                                << "weight";
    QTest::newRow("upper case") << "VARIABLE"
                                << "weight";
    QTest::newRow("lower case") << "sex"
                                << "M";
    QTest::newRow("multi-line") << "info"
                                << "a\r\nb";
    QTest::newRow("unknown") << "Nope"
                             << "unknown field \"Nope\" in \"t.xml\"";
}

void DataTableTest::looksUpFields()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    DataTable t;
    load(t);
    QString got;
    const QString error = errorOf([&] { got = t.fieldText(name); });
    QCOMPARE(error == QLatin1String("(no error)") ? got : error, text);
    QCOMPARE(t.hasField(name), error == QLatin1String("(no error)"));
}

void DataTableTest::filtersAndOrders_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("variables");

    QTest::newRow("file order") << ""
                                << ""
                                << "weight,Height,age,height,Weight";
    QTest::newRow("text: case-insensitive, ties by exact code point")
        << ""
        << "Variable"
        << "age,Height,height,Weight,weight";
    QTest::newRow("integer: by number, empty first") << ""
                                                     << "id"
                                                     << "height,Weight,Height,weight,age";
    QTest::newRow("two fields, blanks around names") << ""
                                                     << " SEX ; Variable"
                                                     << "Weight,Height,age,height,weight";
    QTest::newRow("filter then order") << "PS = 'B1' AND Sex='M'"
                                       << "VARIABLE"
                                       << "height,weight";
    QTest::newRow("filter keeps file order") << "PS = 'B1'"
                                             << ""
                                             << "weight,Height,height,Weight";
    QTest::newRow("stable within equal keys") << ""
                                              << "PS"
                                              << "weight,Height,height,Weight,age";
}

void DataTableTest::filtersAndOrders()
{
    QFETCH(QString, filter);
    QFETCH(QString, index);
    QFETCH(QString, variables);
    // Settings made on a closed table apply at the load, as on an open one.
    DataTable before;
    before.setFilter(filter);
    before.setFiltered(true);
    before.setIndexFieldNames(index);
    load(before);
    QCOMPARE(column(before, "Variable"), variables);

    DataTable after;
    load(after);
    after.setIndexFieldNames(index);
    after.setFilter(filter);
    after.setFiltered(true);
    QCOMPARE(column(after, "Variable"), variables);
    QCOMPARE(after.recNo(), variables.isEmpty() ? 0 : 1);
}

void DataTableTest::ordersNumberFields()
{
    // Empty values, then texts that are no number (by text), then numbers by value;
    // equal numbers written differently keep their file order.
    FieldDef r;
    r.name = QStringLiteral("R");
    r.type = FieldType::Float;
    DataTable t;
    t.createDataSet({r, FieldDef::text(QStringLiteral("Tag"), 5)});
    const QStringList values = {"1.50", "x", "", "1.5", "-2", "abc", "10", "9", "1.5e0"};
    for (int i = 0; i < values.size(); ++i)
        t.append({values.at(i), QString::number(i)});
    t.setIndexFieldNames(QStringLiteral("R"));
    QCOMPARE(column(t, "R"), QStringLiteral(",abc,x,-2,1.50,1.5,1.5e0,9,10"));
    t.setIndexFieldNames(QStringLiteral("Tag"));
    QCOMPARE(column(t, "R"), values.join(u','));
}

void DataTableTest::tiesKeepFileOrder_data()
{
    QTest::addColumn<QString>("before"); // index set first
    QTest::addColumn<QString>("filter"); // switched on after it
    QTest::addColumn<bool>("filterStaysOn");
    QTest::addColumn<QString>("index"); // index set last

    QTest::newRow("one index after another") << "Variable"
                                             << "" << false << "PS";
    QTest::newRow("after several keys") << "SEX;Variable"
                                        << "" << false << "PS";
    QTest::newRow("filter switched on and off between") << "Variable"
                                                        << "SEX='M'" << false << "PS";
    QTest::newRow("filter on") << "Variable"
                               << "PS='B1'" << true << "SEX";
    QTest::newRow("no index after an index") << "Variable"
                                             << "" << false << "";
}

void DataTableTest::tiesKeepFileOrder()
{
    // Rows equal in every index field keep their file order, whatever order they showed
    // before: the result equals setting the last index on a freshly loaded table.
    QFETCH(QString, before);
    QFETCH(QString, filter);
    QFETCH(bool, filterStaysOn);
    QFETCH(QString, index);
    DataTable direct;
    load(direct);
    if (filterStaysOn) {
        direct.setFilter(filter);
        direct.setFiltered(true);
    }
    direct.setIndexFieldNames(index);
    const QStringList expected = column(direct, "Variable").split(u',');

    DataTable t;
    load(t);
    t.setIndexFieldNames(before);
    if (!filter.isEmpty()) {
        t.setFilter(filter);
        t.setFiltered(true);
        t.setFiltered(filterStaysOn);
    }
    // The current row stays current at its new place.
    const QStringList shown = column(t, "Variable").split(u',');
    t.moveTo(int(shown.indexOf(QStringLiteral("height"))) + 1);
    t.setIndexFieldNames(index);
    QCOMPARE(column(t, "Variable").split(u','), expected);
    QCOMPARE(t.fieldText("Variable"), QStringLiteral("height"));
    QCOMPARE(t.recNo(), int(expected.indexOf(QStringLiteral("height"))) + 1);
}

void DataTableTest::newOrderKeepsCurrentRow()
{
    DataTable t;
    load(t);
    DataSource source(&t);
    Recorder rec;
    rec.attach(source, this);
    t.setFilter(QStringLiteral("PS='B1'"));
    t.setFiltered(true);
    QCOMPARE(t.fieldText("Variable"), QStringLiteral("weight"));
    rec.take();

    t.setIndexFieldNames(QStringLiteral("ID"));
    QCOMPARE(t.fieldText("Variable"), QStringLiteral("weight"));
    QCOMPARE(t.recNo(), 4);
    QCOMPARE(rec.take(), QStringLiteral("reset handler:4"));

    t.setIndexFieldNames(QStringLiteral("ID")); // no change, no notification
    QCOMPARE(rec.take(), QString());

    QCOMPARE(errorOf([&] { t.setIndexFieldNames(QStringLiteral("ID;Nope")); }),
             QStringLiteral("unknown index field \"Nope\" in \"t.xml\""));
    QCOMPARE(t.indexFieldNames(), QStringLiteral("ID"));
}

void DataTableTest::badFilterKeepsPrevious()
{
    DataTable t;
    load(t);
    t.setFilter(QStringLiteral("PS='B1'"));
    t.setFiltered(true);
    t.moveTo(3);
    QCOMPARE(errorOf([&] { t.setFilter(QStringLiteral("PS XOR 'B2'")); }),
             QStringLiteral("unknown operator \"XOR\" at position 4"));
    QCOMPARE(errorOf([&] { t.setFilter(QStringLiteral("Nope='x'")); }),
             QStringLiteral("unknown field \"Nope\" at position 1"));
    QCOMPARE(t.filter(), QStringLiteral("PS='B1'"));
    QCOMPARE(t.recordCount(), 4);
    QCOMPARE(t.recNo(), 3);

    // Switching on again moves to the first row even though nothing else changed.
    t.setFiltered(true);
    QCOMPARE(t.recNo(), 1);
    t.setFilterOptions({true, false});
    t.setFilter(QStringLiteral("variable = 'WEIGHT'"));
    QCOMPARE(column(t, "Variable"), QStringLiteral("weight,Weight"));
    t.setFiltered(false);
    QCOMPARE(t.recordCount(), 5);
}

void DataTableTest::notifiesDataSources()
{
    DataTable t;
    DataSource source(&t);
    Recorder rec;
    rec.attach(source, this);

    load(t);
    QCOMPARE(rec.take(), QStringLiteral("reset handler:1"));
    t.next();
    QCOMPARE(rec.take(), QStringLiteral("row handler:2"));
    t.last();
    t.next(); // past the end: no move
    QCOMPARE(rec.take(), QStringLiteral("row handler:5"));
    t.setFilter(QStringLiteral("SEX='M'")); // filter off: nothing visible changes
    QCOMPARE(rec.take(), QString());
    t.setFiltered(true);
    QCOMPARE(rec.take(), QStringLiteral("reset handler:1"));
    t.close();
    QVERIFY(!source.isActive());
    QCOMPARE(rec.take(), QStringLiteral("reset"));
    t.open();
    QVERIFY(source.isActive());
    QCOMPARE(rec.take(), QStringLiteral("reset handler:1"));

    source.setEnabled(false);
    QVERIFY(!source.isActive());
    t.next();
    t.setFiltered(false);
    QCOMPARE(rec.take(), QStringLiteral("reset"));
    source.setEnabled(true);
    source.setEnabled(true);
    QCOMPARE(rec.take(), QStringLiteral("reset handler:1"));

    // A handler may move another table; each table reports its own moves.
    DataTable child;
    load(child);
    DataSource childSource(&child);
    Recorder childRec;
    childRec.attach(childSource, this);
    source.setHandler([&] {
        child.setFilter(QStringLiteral("PS='%1'").arg(t.fieldText("PS")));
        child.setFiltered(true);
    });
    t.moveTo(3);
    QCOMPARE(child.recordCount(), 1);
    QCOMPARE(childRec.take(), QStringLiteral("reset handler:1"));
}

void DataTableTest::sourceOutlivesTable()
{
    auto table = std::make_unique<DataTable>();
    auto source = std::make_unique<DataSource>(table.get());
    load(*table);
    table.reset();
    QCOMPARE(source->table(), nullptr);
    QVERIFY(!source->isActive());
    source.reset(); // must not reach the destroyed table
}

void DataTableTest::closesAndReopens()
{
    DataTable t;
    QCOMPARE(errorOf([&] { t.open(); }), QStringLiteral("cannot open the table: it holds no data"));
    load(t);
    t.setFilter(QStringLiteral("PS='B1'"));
    t.setFiltered(true);
    t.setIndexFieldNames(QStringLiteral("Variable"));
    t.close();
    QVERIFY(!t.isOpen());
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(t.fieldText("Variable"), QString());
    QCOMPARE(t.filter(), QStringLiteral("PS='B1'"));
    QVERIFY(t.isFiltered());
    QCOMPARE(t.indexFieldNames(), QStringLiteral("Variable"));
    t.open();
    QCOMPARE(column(t, "Variable"), QStringLiteral("Height,height,Weight,weight"));
    load(t); // reloading an open table applies the settings at once
    QCOMPARE(column(t, "Variable"), QStringLiteral("Height,height,Weight,weight"));
    QCOMPARE(t.fileName(), QStringLiteral("t.xml"));
}

void DataTableTest::failedLoadLeavesTableEmpty()
{
    DataTable t;
    load(t);
    t.setFilter(QStringLiteral("PS='B1'"));
    t.setFiltered(true);
    DataSource source(&t);
    Recorder rec;
    rec.attach(source, this);

    QByteArray broken = kPacket;
    broken.chop(20);
    QVERIFY(errorOf([&] {
                t.loadFromData(broken, QStringLiteral("b.xml"));
            }).startsWith(QLatin1String("\"b.xml\": line 2, column")));
    QVERIFY(!t.isOpen());
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(t.fieldCount(), 0);
    QCOMPARE(t.filter(), QStringLiteral("PS='B1'"));
    QVERIFY(t.isFiltered());
    QCOMPARE(rec.take(), QStringLiteral("reset"));
    QCOMPARE(errorOf([&] { t.open(); }),
             QStringLiteral("cannot open the table in \"t.xml\": it holds no data"));

    // A filter that does not fit the fields of a new file fails the load.
    DataTable other;
    other.setFilter(QStringLiteral("Nope='x'"));
    other.setFiltered(true);
    QCOMPARE(errorOf([&] { load(other); }),
             QStringLiteral("\"t.xml\": unknown field \"Nope\" at position 1"));
    QVERIFY(!other.isOpen());

    const QString missing = QStringLiteral("/nonexistent/dir/x.xml");
    QVERIFY(errorOf([&] {
                t.loadFromFile(missing);
            }).startsWith(QStringLiteral("cannot open \"%1\": ").arg(missing)));
}

void DataTableTest::refusesEditsWhenReadOnly_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("error");
    QTest::newRow("edit") << 0 << "cannot edit: the table in \"t.xml\" is read-only";
    QTest::newRow("append") << 1 << "cannot append a row: the table in \"t.xml\" is read-only";
    QTest::newRow("delete all") << 2
                                << "cannot delete the rows: the table in \"t.xml\" is read-only";
    QTest::newRow("set value") << 3 << "cannot change a value: the table in \"t.xml\" is read-only";
}

void DataTableTest::refusesEditsWhenReadOnly()
{
    QFETCH(int, operation);
    QFETCH(QString, error);
    DataTable t;
    load(t);
    t.edit();
    t.setReadOnly(true);
    QVERIFY(!t.isEditing());
    const std::function<void()> ops[] = {
        [&] { t.edit(); },
        [&] { t.append({"B9"}); },
        [&] { t.deleteAll(); },
        [&] { t.setFieldText(QStringLiteral("PS"), QStringLiteral("X")); },
    };
    QCOMPARE(errorOf(ops[operation]), error);
    QCOMPARE(t.recordCount(), 5);
    QCOMPARE(t.fieldText("PS"), QStringLiteral("B1"));
    QCOMPARE(t.changeCount(), 0);
}

void DataTableTest::appendFitsValues_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stored"); // or the error

    QTest::newRow("text cut to width") << 0 << "abcdefgh"
                                       << "abcde";
    QTest::newRow("text within width") << 0 << "abc"
                                       << "abc";
    QTest::newRow("ui2 highest") << 1 << "65535"
                                 << "65535";
    QTest::newRow("ui2 empty") << 1 << ""
                               << "";
    QTest::newRow("ui2 too big") << 1 << "65536"
                                 << "value \"65536\" does not fit the ui2 field \"Index\"";
    QTest::newRow("ui2 negative") << 1 << "-1"
                                  << "value \"-1\" does not fit the ui2 field \"Index\"";
    QTest::newRow("ui2 fraction") << 1 << "1.5"
                                  << "value \"1.5\" does not fit the ui2 field \"Index\"";
    QTest::newRow("i1 lowest") << 2 << "-128"
                               << "-128";
    QTest::newRow("i1 too low") << 2 << "-129"
                                << "value \"-129\" does not fit the i1 field \"Small\"";
    QTest::newRow("i1 too high") << 2 << "128"
                                 << "value \"128\" does not fit the i1 field \"Small\"";
    QTest::newRow("i8 lowest") << 3 << "-9223372036854775808"
                               << "-9223372036854775808";
    QTest::newRow("ui8 highest") << 4 << "18446744073709551615"
                                 << "18446744073709551615";
    QTest::newRow("ui8 too big")
        << 4 << "18446744073709551616"
        << "value \"18446744073709551616\" does not fit the ui8 field \"Huge\"";
}

void DataTableTest::appendFitsValues()
{
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QString, stored);
    FieldDef small;
    small.name = QStringLiteral("Small");
    small.type = FieldType::Int8;
    FieldDef big = small;
    big.name = QStringLiteral("Big");
    big.type = FieldType::Int64;
    FieldDef huge = small;
    huge.name = QStringLiteral("Huge");
    huge.type = FieldType::UInt64;
    DataTable t;
    t.createDataSet({FieldDef::text(QStringLiteral("Name"), 5),
                     FieldDef::uint16(QStringLiteral("Index")), small, big, huge});
    QStringList values(5);
    values[field] = value;
    const QString error = errorOf([&] { t.append(values); });
    if (error != QLatin1String("(no error)")) {
        QCOMPARE(error, stored);
        QCOMPARE(t.recordCount(), 0);
        QCOMPARE(t.changeCount(), 0);
        return;
    }
    QCOMPARE(t.recordCount(), 1);
    QCOMPARE(t.currentValue(field), stored);
}

void DataTableTest::editsPostsAndCancels()
{
    DataTable t;
    load(t);
    QCOMPARE(errorOf([&] { t.setFieldText(QStringLiteral("Variable"), QStringLiteral("x")); }),
             QStringLiteral(
                 "cannot set field \"Variable\": the table in \"t.xml\" is not being edited"));
    t.edit();
    t.setFieldText(QStringLiteral("variable"), QStringLiteral("mass and more than twenty"));
    QCOMPARE(t.fieldText("Variable"), QStringLiteral("mass and more than t"));
    QCOMPARE(errorOf([&] { t.setFieldText(QStringLiteral("ID"), QStringLiteral("x")); }),
             QStringLiteral("value \"x\" does not fit the i4 field \"ID\" in \"t.xml\""));
    t.cancel();
    QCOMPARE(t.fieldText("Variable"), QStringLiteral("weight"));
    QCOMPARE(t.changeCount(), 0);

    t.setFilter(QStringLiteral("PS='B1'"));
    t.setFiltered(true);
    t.edit();
    t.setFieldText(QStringLiteral("Variable"), QStringLiteral("mass"));
    t.post();
    QCOMPARE(t.fieldText("Variable"), QStringLiteral("mass"));
    QCOMPARE(t.changeCount(), 1);
    t.edit();
    t.setFieldText(QStringLiteral("PS"), QStringLiteral("B9")); // leaves the filter
    t.next();                                                   // moving posts the edit
    QCOMPARE(t.recordCount(), 3);
    QCOMPARE(t.changeCount(), 1);
    QCOMPARE(column(t, "Variable"), QStringLiteral("Height,height,Weight"));
}

void DataTableTest::savesChangeLog_data()
{
    QTest::addColumn<int>("form");
    QTest::newRow("utf-8") << int(PacketForm::Utf8);
    QTest::newRow("plain") << int(PacketForm::Plain);
}

void DataTableTest::savesChangeLog()
{
    QFETCH(int, form);
    DataTable t;
    load(t);
    t.edit();
    t.setFieldText(QStringLiteral("Variable"), QString::fromUtf8("σ ≈ é \"'\\"));
    t.setFieldText(QStringLiteral("ID"), QString());
    t.post();
    t.append({"B3", "new\r\n\tline", "F", "7"});
    QCOMPARE(t.changeCount(), 2);
    const QByteArray saved = t.saveToData(PacketForm(form));
    QVERIFY(saved.contains("RowState=\"1\"") && saved.contains("RowState=\"8\"") &&
            saved.contains("RowState=\"4\""));

    DataTable back;
    back.loadFromData(saved, QStringLiteral("s.xml"));
    QCOMPARE(back.changeCount(), 0);
    for (const char* f : {"PS", "Variable", "SEX", "ID", "Info"})
        QCOMPARE(column(back, f), column(t, f));

    t.deleteAll();
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(t.changeCount(), 5); // the appended row leaves no trace
    back.loadFromData(t.saveToData(PacketForm(form)), QStringLiteral("s.xml"));
    QCOMPARE(back.recordCount(), 0);

    t.append({"B4", "kept"});
    t.mergeChangeLog();
    QCOMPARE(t.changeCount(), 0);
    const QByteArray merged = t.saveToData(PacketForm(form));
    QVERIFY(!merged.contains("RowState"));
    back.loadFromData(merged, QStringLiteral("s.xml"));
    QCOMPARE(column(back, "Variable"), QStringLiteral("kept"));
}

void DataTableTest::saveIsAtomic()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("old.xml"));
    DataTable t;
    load(t);
    t.saveToFile(path, PacketForm::Utf8);
    QCOMPARE(t.fileName(), path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();

    const QString nowhere = dir.filePath(QStringLiteral("missing/x.xml"));
    QVERIFY(errorOf([&] {
                t.saveToFile(nowhere, PacketForm::Utf8);
            }).startsWith(QStringLiteral("cannot write \"%1\": ").arg(nowhere)));

    // Make the folder unwritable; as root a mode is not enough, the immutable flag is.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    bool immutable = false;
    if (QFile probe(dir.filePath(QStringLiteral("probe"))); probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        immutable =
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), dir.path()}) == 0;
        if (!immutable) {
            QFile::setPermissions(dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("no way to make a folder unwritable here");
        }
    }
    t.edit();
    t.setFieldText(QStringLiteral("PS"), QStringLiteral("changed"));
    t.post();
    const QString error = errorOf([&] { t.saveToFile(path, PacketForm::Plain); });
    if (immutable)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), dir.path()});
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(error.startsWith(QStringLiteral("cannot write \"%1\": ").arg(path)),
             qPrintable(error));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
}

void DataTableTest::loadsRegularFilesOnly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error"); // %1 stands for the path
    QTest::newRow("device") << "device"
                            << "cannot read \"%1\": it is not a regular file";
    QTest::newRow("FIFO") << "fifo"
                          << "cannot read \"%1\": it is not a regular file";
    QTest::newRow("folder") << "folder"
                            << "cannot read \"%1\": it is not a regular file";
    QTest::newRow("larger than the cap")
        << "large"
        << "cannot read \"%1\": it has 1073741825 bytes, more than the limit of 1073741824 "
           "bytes (1 GiB) for a table file";
}

void DataTableTest::loadsRegularFilesOnly()
{
    // A device or a FIFO would be read without end; a huge file would fill the memory.
    QFETCH(QString, kind);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = dir.filePath(QStringLiteral("t.xml"));
    if (kind == QLatin1String("device")) {
        path = QStringLiteral("/dev/zero");
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("t.xml")));
    } else {
        QFile large(path); // sparse: no disk space needed
        QVERIFY(large.open(QIODevice::WriteOnly));
        QVERIFY(large.resize(kMaxPacketFileSize + 1));
    }
    DataTable t;
    load(t);
    QCOMPARE(errorOf([&] { t.loadFromFile(path); }), error.arg(path));
    QVERIFY(!t.isOpen());
    QCOMPARE(t.fieldCount(), 0);

    // Read apart from the table (as a worker thread reads), such a file is not taken and
    // a FIFO does not block; installing what was read reads the file and fails alike.
    ParsedPacketFile parsed = ParsedPacketFile::read(path);
    QVERIFY(!parsed.isRead());
    load(t);
    QCOMPARE(errorOf([&] { t.loadParsed(std::move(parsed)); }), error.arg(path));
    QVERIFY(!t.isOpen());
}

void DataTableTest::readsValuesAsThePacketReader_data()
{
    QTest::addColumn<QByteArray>("declaration");
    QTest::addColumn<QByteArray>("rows");
    const QByteArray utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
    const QByteArray cp1252 =
        "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>";
    QTest::newRow("UTF-8 with references")
        << utf8
        << QByteArray(
               "<ROW A=\"x&#013;&#010;y&lt;&amp;&quot;&apos;&gt;\" B=\"&#xFEFF;&#x1F600;&#228;\"/>"
               "<ROW A=\"plain\"/><ROW B=\"\xc3\xa4\xe2\x82\xac&#92;\"/>");
    QTest::newRow("literal blanks normalised")
        << utf8 << QByteArray("<ROW A=\"a\tb\nc\r\nd\re\" B=\"&#009;\"/>");
    QTest::newRow("windows-1252 bytes")
        << cp1252
        << QByteArray("<ROW A=\"\x80\xe4\x9f\" B=\"\xfc&amp;&#8364;\"/><ROW A=\"ascii\"/>");
    QTest::newRow("undeclared single-byte text")
        << QByteArray("<?xml version=\"1.0\" standalone=\"yes\"?>")
        << QByteArray("<ROW A=\"Gem\xfcse\" B=\"&#013;\xe9\"/>");
}

void DataTableTest::readsValuesAsThePacketReader()
{
    QFETCH(QByteArray, declaration);
    QFETCH(QByteArray, rows);
    const QByteArray data = declaration +
                            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                            "<FIELD attrname=\"A\" fieldtype=\"string\" WIDTH=\"40\"/>"
                            "<FIELD attrname=\"B\" fieldtype=\"string\" WIDTH=\"40\"/>"
                            "</FIELDS></METADATA><ROWDATA>" +
                            rows + "</ROWDATA></DATAPACKET>";
    const DataPacket packet = DataPacketReader::read(data, QStringLiteral("t.xml"));
    DataTable t;
    t.loadFromData(data, QStringLiteral("t.xml"));
    QCOMPARE(t.recordCount(), int(packet.rows.size()));
    for (int r = 0; r < t.recordCount(); ++r) {
        for (int f = 0; f < 2; ++f)
            QCOMPARE(t.value(r, f), packet.rows[size_t(r)].values.at(f));
    }
    // What the table writes reads back as the same rows.
    const DataPacket back =
        DataPacketReader::read(t.saveToData(PacketForm::Plain), QStringLiteral("w.xml"));
    QCOMPARE(back.rows.size(), packet.rows.size());
    for (size_t r = 0; r < back.rows.size(); ++r)
        QCOMPARE(back.rows[r].values, packet.rows[r].values);
}

void DataTableTest::placesErrorsAfterDecodedValues_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QString>("error");
    // Values with references and literal line ends come before the fault, so a place
    // counted on decoded text would be off.
    QTest::newRow("reference line ends on the same line")
        << QByteArray(R"(<ROW A="x&#013;&#010;y" B="&#228;"/><ROW A="&bogus;"/>)")
        << QStringLiteral("line 4, column 45: unknown entity \"&bogus;\"");
    QTest::newRow("literal line feed in a value")
        << QByteArray("<ROW A=\"a\nb&amp;\"/>\n<ROW A=\"x\" A=\"y\"/>")
        << QStringLiteral("line 6, column 12: duplicate attribute \"A\" in <ROW>");
    QTest::newRow("literal CR LF in a value")
        << QByteArray("<ROW A=\"a\r\nb&lt;\"/>\r\n<ROW B=\"1\" C=\"2\"/>")
        << QStringLiteral("line 6, column 12: ROW attribute \"C\" names no field");
    QTest::newRow("characters of several bytes")
        << QByteArray(R"(<ROW A="äö&amp;ü" B="1"/><ROW A="&#0;"/>)")
        << QStringLiteral("line 4, column 34: character reference to an invalid character");
    QTest::newRow("start tag of a row whose value was decoded")
        << QByteArray(R"(<ROW A="q&amp;"/><ROW A="p&#010;q" RowState="8"/>)")
        << QStringLiteral("line 4, column 18: modified row (RowState 8) without its original row");
    // Faults inside a value whose start is decoded already.
    QTest::newRow("unknown entity after references in the same value")
        << QByteArray(R"(<ROW A="ä&amp;&#010;b&bogus;"/>)")
        << QStringLiteral("line 4, column 22: unknown entity \"&bogus;\"");
    QTest::newRow("'<' after a literal line feed in the same value")
        << QByteArray("<ROW A=\"a&amp;\nbc<\"/>")
        << QStringLiteral("line 5, column 3: '<' not allowed in an attribute value");
    QTest::newRow("bad digit in a reference after a decoded one")
        << QByteArray(R"(<ROW B="1" A="é&lt;&#x12G;"/>)")
        << QStringLiteral("line 4, column 25: bad character reference");
}

void DataTableTest::placesErrorsAfterDecodedValues()
{
    QFETCH(QByteArray, rows);
    QFETCH(QString, error);
    const QByteArray data =
        "<?xml version=\"1.0\" standalone=\"yes\"?>\n<DATAPACKET Version=\"2.0\"><METADATA>"
        "<FIELDS><FIELD attrname=\"A\" fieldtype=\"string\" WIDTH=\"20\"/><FIELD attrname=\"B\" "
        "fieldtype=\"string\" WIDTH=\"20\"/></FIELDS></METADATA>\n<ROWDATA>\n" +
        rows + "</ROWDATA></DATAPACKET>";
    const QString expected = QStringLiteral("\"t.xml\": ") + error;
    DataTable t;
    QCOMPARE(errorOf([&] { t.loadFromData(data, QStringLiteral("t.xml")); }), expected);
    // The packet reader, which decodes into texts of their own, agrees.
    QCOMPARE(errorOf([&] { DataPacketReader::read(data, QStringLiteral("t.xml")); }), expected);
}

void DataTableTest::namesFileWhenMemoryRunsOut()
{
#ifdef VELTRA_TEST_ASAN
    QSKIP("AddressSanitizer reserves more address space than any limit allows");
#else
    // A 48 MB single-byte (Windows-1252) value with a reference is decoded through a
    // buffer of three times its size, 192 MB with the file's bytes; the address space
    // allows less. (UTF-8 values are decoded in place, needing no buffer.)
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("big.xml"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET><METADATA><FIELDS>"
                   "<FIELD attrname=\"A\" fieldtype=\"string\"/></FIELDS></METADATA>"
                   "<ROWDATA><ROW A=\"&amp;\xE9");
        const QByteArray chunk(1 << 20, 'x');
        for (int i = 0; i < 48; ++i)
            file.write(chunk);
        file.write("\"/></ROWDATA></DATAPACKET>");
    }
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        QSKIP("no /proc/self/statm to learn the address space in use");
    const rlim_t inUse = statm.readAll().split(' ').value(0).toULongLong() * rlim_t(getpagesize());
    DataTable t;
    QString error;
    {
        const ResourceLimit limit(RLIMIT_AS, inUse + (80u << 20));
        error = errorOf([&] { t.loadFromFile(path); });
    }
    QCOMPARE(error, QStringLiteral("\"%1\": not enough memory to read the file").arg(path));
    QVERIFY(!t.isOpen());
#endif
}

void DataTableTest::savesOverRegularFilesOnly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error"); // %1 stands for the path
    QTest::newRow("FIFO") << "fifo"
                          << "cannot write \"%1\": it is a FIFO, not a regular file";
    QTest::newRow("link to a FIFO") << "link"
                                    << "cannot write \"%1\": it is a FIFO, not a regular file";
    QTest::newRow("folder") << "folder"
                            << "cannot write \"%1\": it is a folder, not a regular file";
    QTest::newRow("no name") << "empty"
                             << "cannot write a file without a name";
}

void DataTableTest::savesOverRegularFilesOnly()
{
    // A save replaces its target: it must never swap a device, a FIFO or a folder for a
    // file, and it writes nothing beside them.
    QFETCH(QString, kind);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QString path = fifo;
    if (kind == QLatin1String("link")) {
        path = dir.filePath(QStringLiteral("link.xml"));
        QVERIFY(QFile::link(fifo, path));
    } else if (kind == QLatin1String("folder")) {
        path = dir.filePath(QStringLiteral("sub"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    } else if (kind == QLatin1String("empty")) {
        path.clear();
    }
    const QStringList before = filesIn(dir.path());
    DataTable t;
    load(t);
    QCOMPARE(errorOf([&] { t.saveToFile(path, PacketForm::Utf8); }), error.arg(path));
    QCOMPARE(filesIn(dir.path()), before);
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("sub"))).isDir() ||
            kind != QLatin1String("folder"));
    QCOMPARE(t.fileName(), QStringLiteral("t.xml"));
}

void DataTableTest::reportsFailedWrite()
{
    // A write the file system refuses (here: beyond the file size limit, as a full disk
    // refuses it) fails the save with the system's reason and leaves the old file.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("t.xml"));
    const QString fresh = dir.filePath(QStringLiteral("new.xml"));
    DataTable t;
    load(t);
    t.saveToFile(path, PacketForm::Utf8);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();
    t.edit();
    t.setFieldText(QStringLiteral("PS"), QStringLiteral("changed"));
    t.post();

    QString overOld, asNew;
    {
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        const ResourceLimit limit(RLIMIT_FSIZE, 100);
        overOld = errorOf([&] { t.saveToFile(path, PacketForm::Plain); });
        asNew = errorOf([&] { t.saveToFile(fresh, PacketForm::Utf8); });
        std::signal(SIGXFSZ, handler);
    }
    QCOMPARE(overOld, QStringLiteral("cannot write \"%1\": File too large").arg(path));
    QCOMPARE(asNew, QStringLiteral("cannot write \"%1\": File too large").arg(fresh));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("t.xml")});
}

void DataTableTest::createsDataSet()
{
    DataTable t;
    QCOMPARE(errorOf([&] {
                 t.createDataSet({FieldDef::text(QStringLiteral("Top"), 5),
                                  FieldDef::text(QStringLiteral("TOP"), 5)});
             }),
             QStringLiteral("duplicate field name \"TOP\""));
    QVERIFY(!t.isOpen());
    t.createDataSet(
        {FieldDef::text(QStringLiteral("Top"), 5), FieldDef::uint16(QStringLiteral("Index"))});
    QVERIFY(t.isOpen());
    QVERIFY(t.eof());
    QCOMPARE(t.fieldNames(), QStringList({"Top", "Index"}));
    QCOMPARE(t.fields().at(1).typeName, QStringLiteral("ui2"));
    t.append({"ABCDEFG", "12"});
    t.setFilter(QStringLiteral("Index=12"));
    t.setFiltered(true);
    QCOMPARE(t.fieldText("top"), QStringLiteral("ABCDE"));
    QCOMPARE(t.fieldInt("index"), 12);
    QCOMPARE(errorOf([&] { t.fieldInt("Top"); }),
             QStringLiteral("field \"Top\": \"ABCDE\" is not an integer"));
}

void DataTableTest::takesFilterPassesFromTheCaller()
{
    DataTable table;
    table.createDataSet(
        {FieldDef::text(QStringLiteral("ID"), 4), FieldDef::text(QStringLiteral("Info"), 20)});
    for (const char* info : {"b", "a", "b"})
        table.append({QString::number(table.recordCount() + 1), QLatin1String(info)});
    table.setIndexFieldNames(QStringLiteral("Info"));
    auto ids = [&table] { return FirstColumn(table); };
    const QString expression = QStringLiteral("Info = 'b'");

    // The rows the caller says pass, in the table's order, with the expression as filter.
    table.setFilterPasses(expression, {false, true, true}, table.contentStamp());
    QVERIFY(table.isFiltered());
    QCOMPARE(table.filter(), expression);
    QCOMPARE(ids(), (QStringList{"2", "3"}));
    QCOMPARE(table.recNo(), 1);

    // Passes for other content or another number of rows: the table evaluates the filter.
    table.setFilterPasses(expression, {false, true, true}, table.contentStamp() + 1);
    QCOMPARE(ids(), (QStringList{"1", "3"}));
    table.setFilterPasses(expression, {true}, table.contentStamp());
    QCOMPARE(ids(), (QStringList{"1", "3"}));

    // A rejected expression changes nothing.
    QVERIFY_THROWS_EXCEPTION(VeltraError,
                             table.setFilterPasses(QStringLiteral("Nope = 'b'"), {true, true, true},
                                                   table.contentStamp()));
    QCOMPARE(table.filter(), expression);
    QCOMPARE(ids(), (QStringList{"1", "3"}));

    // The digest of a field follows its values, not the table they are in.
    DataTable copy;
    copy.loadFromData(table.saveToData(PacketForm::Utf8), QStringLiteral("copy"));
    QCOMPARE(copy.fieldDigest(QStringLiteral("info")), table.fieldDigest(QStringLiteral("Info")));
    QVERIFY(copy.contentStamp() != table.contentStamp());
    QVERIFY(copy.fieldDigest(QStringLiteral("ID")) != table.fieldDigest(QStringLiteral("Info")));
    copy.setFiltered(false);
    copy.first();
    copy.edit();
    copy.setFieldText(QStringLiteral("Info"), QStringLiteral("c"));
    copy.post();
    QVERIFY(copy.fieldDigest(QStringLiteral("Info")) != table.fieldDigest(QStringLiteral("Info")));
    QCOMPARE(copy.storedValue(0, 1), QStringLiteral("c"));
}

void DataTableTest::sameFilterAgainFollowsChanges()
{
    // Setting the filter a table already shows may keep its rows, but only while its
    // content, options and order are unchanged.
    DataTable table;
    table.createDataSet(
        {FieldDef::text(QStringLiteral("ID"), 4), FieldDef::text(QStringLiteral("PS"), 4)});
    for (const char* ps : {"a", "b", "a"})
        table.append({QString::number(table.recordCount() + 1), QLatin1String(ps)});
    auto ids = [&table] { return FirstColumn(table); };
    const QString expression = QStringLiteral("PS = 'A'");
    table.setFilter(expression);
    table.setFiltered(true);
    QCOMPARE(ids(), QStringList{});

    FilterOptions options;
    options.ignoreCase = true;
    table.setFilterOptions(options);
    table.setFilter(expression);
    QCOMPARE(ids(), (QStringList{"1", "3"}));

    table.last();
    table.edit();
    table.setFieldText(QStringLiteral("PS"), QStringLiteral("c"));
    table.post();
    table.setFilter(expression);
    QCOMPARE(ids(), QStringList{"1"});
    QCOMPARE(table.recNo(), 1);

    table.setIndexFieldNames(QStringLiteral("ID"));
    table.setFilter(QStringLiteral("PS = 'b' OR PS = 'c'"));
    QCOMPARE(ids(), (QStringList{"2", "3"}));
    table.setFilter(QStringLiteral("PS = 'b' OR PS = 'c'"));
    QCOMPARE(ids(), (QStringList{"2", "3"}));
}

void DataTableTest::orderAgainFollowsChanges()
{
    // A table sorted by an order it had before sorts by the values it holds now.
    DataTable table;
    table.createDataSet(
        {FieldDef::text(QStringLiteral("ID"), 4), FieldDef::text(QStringLiteral("PS"), 4)});
    for (const char* ps : {"c", "a", "b", "a"})
        table.append({QString::number(table.recordCount() + 1), QLatin1String(ps)});
    auto ids = [&table] { return FirstColumn(table); };
    table.setIndexFieldNames(QStringLiteral("PS"));
    QCOMPARE(ids(), (QStringList{"2", "4", "3", "1"}));
    table.setIndexFieldNames(QStringLiteral("ID"));
    table.first();
    table.edit();
    table.setFieldText(QStringLiteral("PS"), QStringLiteral("A"));
    table.post();
    table.setIndexFieldNames(QStringLiteral("PS"));
    QCOMPARE(ids(), (QStringList{"1", "2", "4", "3"}));
    // A filtered part of the rows in the same order as the whole.
    table.setFilter(QStringLiteral("PS = 'a' OR PS = 'b'"));
    table.setFiltered(true);
    QCOMPARE(ids(), (QStringList{"2", "4", "3"}));
}

QTEST_GUILESS_MAIN(DataTableTest)
#include "DataTable_test.moc"
