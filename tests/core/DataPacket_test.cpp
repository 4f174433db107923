// Reading and writing of data packets: encodings, escapes, field types, change log,
// malformed input and the round trip through both file forms.
#include "data/DataPacketReader.h"
#include "data/DataPacketWriter.h"
#include "util/VeltraError.h"

#include <QtTest>

using namespace veltra;

namespace {

const QByteArray kDecl = "<?xml version=\"1.0\" standalone=\"yes\"?>\n";
// Two fields; rows follow on line 3 so that error columns count from the row's start.
const QByteArray kHead = "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                         "<FIELD attrname=\"A\" fieldtype=\"string\" WIDTH=\"20\"/>"
                         "<FIELD attrname=\"B\" fieldtype=\"i4\"/>"
                         "</FIELDS><PARAMS/></METADATA><ROWDATA>\n";
const QByteArray kTail = "</ROWDATA></DATAPACKET>";

QByteArray packet(const QByteArray& rows, const QByteArray& decl = kDecl)
{
    return decl + kHead + rows + kTail;
}

QString errorOf(const QByteArray& data)
{
    try {
        DataPacketReader::read(data, QStringLiteral("t.xml"));
    } catch (const VeltraError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

DataPacket table(const QList<FieldDef>& fields, const QList<QStringList>& rows)
{
    DataPacket p;
    p.fields = fields;
    for (const QStringList& values : rows) {
        PacketRow r;
        r.values = values;
        p.rows.push_back(r);
    }
    return p;
}

FieldDef field(const QString& name, const QString& type)
{
    FieldDef f;
    f.name = name;
    f.typeName = type;
    f.type = FieldDef::typeFromName(type);
    return f;
}

} // namespace

class DataPacketTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsValue_data();
    void readsValue();
    void readsWindows1252File();
    void readsFieldTypes();
    void appliesChangeLog();
    void keepsParams();
    void rejectsBadInput_data();
    void rejectsBadInput();
    void readsHugeValue();
    void writesForms();
    void roundTrip_data();
    void roundTrip();
};

void DataPacketTest::readsValue_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("a"); // value of A in the first row
    QTest::addColumn<QString>("b");

    const QByteArray utf8Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
    QTest::newRow("plain ascii") << packet("<ROW A=\"x y\" B=\"12\"/>") << "x y"
                                 << "12";
    QTest::newRow("absent attributes") << packet("<ROW B=\"1\"/>") << ""
                                       << "1";
    QTest::newRow("utf-8 declared, any case")
        << packet("<ROW A=\"caf\xc3\xa9 \xcf\x83\"/>", "<?xml version='1.0' encoding='utf-8'?>")
        << QString::fromUtf8("café σ") << "";
    QTest::newRow("no declaration, valid utf-8")
        << packet("<ROW A=\"\xe2\x89\x88\"/>", "") << QString::fromUtf8("≈") << "";
    QTest::newRow("no encoding, single-byte text")
        << packet("<ROW A=\"caf\xe9\"/>") << QString::fromUtf8("café") << "";
    QTest::newRow("iso-8859-1 declared")
        << packet("<ROW A=\"\xe9\x80\"/>", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>")
        << QString::fromUtf8("é€") << "";
    QTest::newRow("windows-1252 declared")
        << packet("<ROW A=\"\x93q\x94\"/>", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>")
        << QString::fromUtf8("“q”") << "";
    QTest::newRow("named entities") << packet("<ROW A=\"&lt;&gt;&quot;&amp;&apos;\"/>") << "<>\"&'"
                                    << "";
    QTest::newRow("numeric references")
        << packet("<ROW A=\"a&#013;&#010;b&#009;&#092;&#x3C3;&#963;\"/>")
        << QString::fromUtf8("a\r\nb\t\\σσ") << "";
    QTest::newRow("supplementary reference")
        << packet("<ROW A=\"&#x1F600;&#128512;\"/>") << QString::fromUtf8("😀😀") << "";
    QTest::newRow("literal blanks are normalised")
        << packet("<ROW A=\"a\tb\r\nc\nd\"/>") << "a b c d"
        << "";
    QTest::newRow("single quotes, blanks around =")
        << packet("<ROW A = 'say \"hi\"' B\n=\"2\" />") << "say \"hi\""
        << "2";
    QTest::newRow("attributes in any order") << packet("<ROW B=\"3\" A=\"z\"/>") << "z"
                                             << "3";
    QTest::newRow("comments, PIs and utf-8 bom")
        << ("\xef\xbb\xbf" + kDecl + "<!-- c -->\n<?pi x?>" + kHead +
            "<!-- r --><ROW A=\"\xc3\xa9\"/>\n" + kTail + "\n<!-- end -->\n")
        << QString::fromUtf8("é") << "";
}

void DataPacketTest::readsValue()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, a);
    QFETCH(QString, b);
    const DataPacket p = DataPacketReader::read(data, QStringLiteral("t.xml"));
    QCOMPARE(p.rows.size(), size_t(1));
    QCOMPARE(p.rows[0].values.value(0), a);
    QCOMPARE(p.rows[0].values.value(1), b);
}

void DataPacketTest::readsWindows1252File()
{
    QFile file(QStringLiteral(VELTRA_TEST_DATA_DIR "/packets/cp1252.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const DataPacket p = DataPacketReader::read(file.readAll(), file.fileName());
    QCOMPARE(p.fields.size(), 2);
    QCOMPARE(p.rows.size(), size_t(2));
    QCOMPARE(p.rows[0].values.at(0), QString::fromUtf8("Café € –"));
    QCOMPARE(p.rows[0].values.at(1), QString::fromUtf8("line 1\r\nline 2 µg"));
    QCOMPARE(p.rows[1].values.at(0), QStringLiteral("plain"));
    QCOMPARE(p.rows[1].values.at(1), QString());
}

void DataPacketTest::readsFieldTypes()
{
    const char* types[] = {"string",  "string.uni", "i1",   "i2",       "i4",      "i8",
                           "ui1",     "ui2",        "ui4",  "ui8",      "r8",      "fixed",
                           "boolean", "date",       "time", "dateTime", "bin.hex", "odd.type"};
    QByteArray fields;
    QByteArray row = "<ROW";
    for (size_t i = 0; i < std::size(types); ++i) {
        fields += QByteArray("<FIELD attrname=\"F") + QByteArray::number(int(i)) +
                  "\" fieldtype=\"" + types[i] + "\"/>";
        row += " F" + QByteArray::number(int(i)) + "=\"v" + QByteArray::number(int(i)) + "\"";
    }
    fields += "<FIELD attrname=\"Memo\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\" WIDTH=\"8\" "
              "required=\"true\" readonly=\"true\" hidden=\"true\"/>"
              "<FIELD attrname=\"Detail\" fieldtype=\"nested\"><FIELDS><FIELD attrname=\"X\" "
              "fieldtype=\"i4\"/></FIELDS><PARAMS/></FIELD>";
    row +=
        " Memo=\"m\"><Detail><ROWDetail X=\"1\"/><ROWDetail X=\"2\">t</ROWDetail></Detail></ROW>";
    const QByteArray data = kDecl + "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields +
                            "</FIELDS></METADATA><ROWDATA>" + row + kTail;

    const DataPacket p = DataPacketReader::read(data, QStringLiteral("t.xml"));
    QCOMPARE(p.fields.size(), qsizetype(std::size(types)) + 2);
    for (size_t i = 0; i < std::size(types); ++i) {
        const FieldDef& f = p.fields.at(qsizetype(i));
        QCOMPARE(f.typeName, QString::fromLatin1(types[i]));
        QCOMPARE(FieldDef::nameOfType(f.type),
                 i + 1 == std::size(types) ? QString() : QString::fromLatin1(types[i]));
        QCOMPARE(p.rows[0].values.at(qsizetype(i)), QStringLiteral("v%1").arg(i));
    }
    QCOMPARE(p.fields.at(2).kind(), FieldKind::Number);
    QCOMPARE(p.fields.at(10).kind(), FieldKind::Number);
    QCOMPARE(p.fields.at(16).kind(), FieldKind::Text); // bin.hex without a text subtype
    const FieldDef& memo = p.fields.at(qsizetype(std::size(types)));
    QCOMPARE(memo.kind(), FieldKind::Memo);
    QCOMPARE(memo.subtype, QStringLiteral("Text"));
    QCOMPARE(memo.width, 8);
    QVERIFY(memo.required && memo.readOnly && memo.hidden);
    QCOMPARE(p.fields.last().type, FieldType::Nested);
    QCOMPARE(p.rows[0].values.last(), QString());
}

void DataPacketTest::appliesChangeLog()
{
    const DataPacket p = DataPacketReader::read(packet("<ROW A=\"keep\" B=\"1\"/>"
                                                       "<ROW RowState=\"2\" A=\"gone\" B=\"2\"/>"
                                                       "<ROW RowState=\"1\" A=\"old\" B=\"3\"/>"
                                                       "<ROW RowState=\"8\" A=\"new\"/>"
                                                       "<ROW RowState=\"1\" A=\"x\" B=\"4\"/>"
                                                       "<ROW B=\"\" RowState=\"8\"/>"
                                                       "<ROW RowState=\"4\" A=\"added\" B=\"5\"/>"),
                                                QStringLiteral("t.xml"));
    QList<QStringList> rows;
    for (const PacketRow& r : p.rows) {
        rows.append(r.values);
        QCOMPARE(r.change, RowChange::None);
    }
    const QList<QStringList> expected = {{"keep", "1"}, {"new", "3"}, {"x", ""}, {"added", "5"}};
    QCOMPARE(rows, expected);
}

void DataPacketTest::keepsParams()
{
    const QByteArray data =
        kDecl + "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" "
                "fieldtype=\"string\" WIDTH=\"5\"/></FIELDS><PARAMS LCID=\"1031\" "
                "CHANGE_LOG=\"1 0 4\" DEFAULT_ORDER=\"&quot;A&quot;\"/></METADATA><ROWDATA>"
                "</ROWDATA></DATAPACKET>";
    const DataPacket p = DataPacketReader::read(data, QStringLiteral("t.xml"));
    const QList<std::pair<QString, QString>> expected = {
        {"LCID", "1031"}, {"CHANGE_LOG", "1 0 4"}, {"DEFAULT_ORDER", "\"A\""}};
    QCOMPARE(p.params, expected);
    const QByteArray written = DataPacketWriter::write(p, PacketForm::Utf8);
    QVERIFY(written.contains(
        "<PARAMS LCID=\"1031\" CHANGE_LOG=\"1 0 4\" DEFAULT_ORDER=\"&quot;A&quot;\"/>"));
    QCOMPARE(DataPacketReader::read(written, QStringLiteral("w.xml")).params, expected);
}

void DataPacketTest::rejectsBadInput_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("error");

    const QByteArray badUtf8 =
        packet("<ROW A=\"\xc3\x28\"/>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    QTest::newRow("empty file") << QByteArray()
                                << "line 1, column 1: unexpected end of input, no root element";
    QTest::newRow("truncated in rows")
        << (kDecl + kHead + "<ROW A=\"x\"/>")
        << "line 3, column 13: unexpected end of input, <ROWDATA> not closed";
    QTest::newRow("truncated in a value")
        << (kDecl + kHead + "<ROW A=\"x")
        << "line 3, column 10: unexpected end of input in an attribute value";
    QTest::newRow("wrong root")
        << (kDecl + "<TABLE/>")
        << "line 2, column 1: root element is <TABLE>, expected <DATAPACKET>";
    QTest::newRow("mismatched end tag")
        << packet("<ROW A=\"x\"></RW>") << "line 3, column 12: end tag </RW> does not match <ROW>";
    QTest::newRow("attribute naming no field")
        << packet("<ROW C=\"x\"/>") << "line 3, column 6: ROW attribute \"C\" names no field";
    QTest::newRow("field names match as written")
        << packet("<ROW a=\"x\"/>") << "line 3, column 6: ROW attribute \"a\" names no field";
    QTest::newRow("duplicate attribute") << packet("<ROW A=\"x\" A=\"y\"/>")
                                         << "line 3, column 12: duplicate attribute \"A\" in <ROW>";
    QTest::newRow("duplicate field name")
        << (kDecl + "<DATAPACKET><METADATA><FIELDS>\n<FIELD attrname=\"A\" fieldtype=\"string\"/>\n"
                    "<FIELD attrname=\"a\" fieldtype=\"i4\"/></FIELDS></METADATA></DATAPACKET>")
        << "line 4, column 1: duplicate field name \"a\"";
    QTest::newRow("second field list")
        << (kDecl +
            "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/></FIELDS>\n"
            "<FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/></FIELDS></METADATA></DATAPACKET>")
        << "line 3, column 1: second FIELDS in METADATA";
    QTest::newRow("field without type")
        << (kDecl + "<DATAPACKET><METADATA><FIELDS><FIELD "
                    "attrname=\"A\"/></FIELDS></METADATA></DATAPACKET>")
        << "line 2, column 31: FIELD \"A\" without fieldtype";
    QTest::newRow("unknown entity")
        << packet("<ROW A=\"x&foo;\"/>") << "line 3, column 10: unknown entity \"&foo;\"";
    QTest::newRow("bare ampersand") << packet("<ROW A=\"x & y\"/>")
                                    << "line 3, column 11: '&' not followed by an entity reference";
    QTest::newRow("bad character reference")
        << packet("<ROW A=\"&#xZZ;\"/>") << "line 3, column 12: bad character reference";
    QTest::newRow("reference to NUL")
        << packet("<ROW A=\"&#0;\"/>")
        << "line 3, column 9: character reference to an invalid character";
    QTest::newRow("invalid utf-8")
        << badUtf8
        << QStringLiteral("line 2, column 9: invalid UTF-8 at byte offset %1")
               .arg(badUtf8.indexOf('\xc3'));
    QTest::newRow("unsupported encoding")
        << packet("", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>")
        << "line 1, column 31: unsupported encoding \"UTF-16\"";
    QTest::newRow("less-than in a value")
        << packet("<ROW A=\"a<b\"/>") << "line 3, column 10: '<' not allowed in an attribute value";
    QTest::newRow("control character")
        << packet("<ROW A=\"a\x01\"/>") << "line 3, column 10: invalid character 0x01";
    QTest::newRow("text after the root")
        << (kDecl + kHead + kTail + "x") << "line 3, column 24: text after the root element";
    QTest::newRow("unclosed nested element")
        << packet("<ROW A=\"x\"><D><E></D></ROW>")
        << "line 3, column 18: end tag </D> does not match <E>";
    QTest::newRow("modification without original")
        << packet("<ROW RowState=\"8\" A=\"x\"/>")
        << "line 3, column 1: modified row (RowState 8) without its original row";
    QTest::newRow("doctype") << (kDecl + "<!DOCTYPE x [<!ENTITY a \"b\">]>")
                             << "line 2, column 1: document type declarations are not supported";
}

void DataPacketTest::rejectsBadInput()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, error);
    QCOMPARE(errorOf(data), QStringLiteral("\"t.xml\": ") + error);
}

void DataPacketTest::readsHugeValue()
{
    // A 10 MB value with a reference every few bytes takes the slow path of the
    // reader throughout.
    const QByteArray unit = "abcdefghi&amp;&#013;&#010;\xc3\xa9"; // 13 characters
    QByteArray value;
    value.reserve(11 << 20);
    while (value.size() < (10 << 20))
        value += unit;
    const DataPacket p = DataPacketReader::read(
        packet("<ROW A=\"" + value + "\"/>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
        QStringLiteral("t.xml"));
    const QString& a = p.rows[0].values.at(0);
    QCOMPARE(a.size(), value.size() / unit.size() * 13);
    QCOMPARE(a.left(26), QString::fromUtf8("abcdefghi&\r\néabcdefghi&\r\né"));
}

void DataPacketTest::writesForms()
{
    FieldDef a = FieldDef::text(QStringLiteral("A"), 10);
    FieldDef memo = field(QStringLiteral("Info"), QStringLiteral("bin.hex"));
    memo.subtype = QStringLiteral("Text");
    memo.required = true;
    DataPacket p = table({a, memo}, {{QString::fromUtf8("é<σ>"), "1\r\n2\t\\'\"&"}, {"", ""}});
    p.params = {{"LCID", "1031"}};
    const QByteArray fields =
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"A\" fieldtype=\"string\" WIDTH=\"10\"/>"
        "<FIELD attrname=\"Info\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\" required=\"true\"/>"
        "</FIELDS><PARAMS LCID=\"1031\"/></METADATA><ROWDATA>";
    const QByteArray rows = "<ROW Info=\"1&#013;&#010;2&#009;&#092;&apos;&quot;&amp;\"/><ROW/>"
                            "</ROWDATA></DATAPACKET>";
    QCOMPARE(DataPacketWriter::write(p, PacketForm::Utf8),
             "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" + fields +
                 "<ROW A=\"\xc3\xa9&lt;\xcf\x83&gt;\"" + rows.mid(4));
    QCOMPARE(DataPacketWriter::write(p, PacketForm::Plain),
             "<?xml version=\"1.0\" standalone=\"yes\"?>\n" + fields +
                 "<ROW A=\"&#233;&lt;&#963;&gt;\"" + rows.mid(4));
}

void DataPacketTest::roundTrip_data()
{
    QTest::addColumn<int>("form");
    QTest::newRow("utf-8") << int(PacketForm::Utf8);
    QTest::newRow("plain") << int(PacketForm::Plain);
}

void DataPacketTest::roundTrip()
{
    QFETCH(int, form);
    FieldDef memo = field(QStringLiteral("Info"), QStringLiteral("bin.hex"));
    memo.subtype = QStringLiteral("Text");
    FieldDef wide = field(QString::fromUtf8("Größe"), QStringLiteral("string.uni"));
    wide.width = 40;
    const QList<QStringList> rows = {
        {QString::fromUtf8("σ ≈ é € ü"), "line1\r\nline2\n\ttab", "-12"},
        {"back\\slash 'single' \"double\" <a&b>", "", "0"},
        {QString::fromUtf8("😀 \x01\x1f \x7f"), "  blanks  ", ""},
        {"", "&amp; is not an entity here", "2147483647"},
    };
    DataPacket p = table({wide, memo, field(QStringLiteral("N"), QStringLiteral("i4"))}, rows);
    p.params = {{"LCID", QString::fromUtf8("ä\"<")}};

    const QByteArray bytes = DataPacketWriter::write(p, PacketForm(form));
    if (PacketForm(form) == PacketForm::Plain) {
        // Only the non-ASCII field name is outside ASCII.
        QByteArray rest = bytes;
        rest.replace(QString::fromUtf8("Größe").toUtf8(), "G");
        for (char c : rest)
            QVERIFY2(uchar(c) < 0x80, "plain form holds a non-ASCII byte");
    }
    const DataPacket back = DataPacketReader::read(bytes, QStringLiteral("r.xml"));
    QCOMPARE(back.fields.size(), p.fields.size());
    for (qsizetype i = 0; i < p.fields.size(); ++i) {
        QCOMPARE(back.fields.at(i).name, p.fields.at(i).name);
        QCOMPARE(back.fields.at(i).typeName, p.fields.at(i).typeName);
        QCOMPARE(back.fields.at(i).width, p.fields.at(i).width);
        QCOMPARE(back.fields.at(i).subtype, p.fields.at(i).subtype);
    }
    QCOMPARE(back.params, p.params);
    QCOMPARE(back.rows.size(), p.rows.size());
    for (size_t i = 0; i < p.rows.size(); ++i)
        QCOMPARE(back.rows[i].values, p.rows[i].values);
}

QTEST_GUILESS_MAIN(DataPacketTest)
#include "DataPacket_test.moc"
