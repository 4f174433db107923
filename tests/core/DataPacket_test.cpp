// Reading and writing of data packets: encodings, escapes, field types, change log,
// malformed input, kept markup and the round trip through both file forms.
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
    void readsOtherEngineStyle_data();
    void readsOtherEngineStyle();
    void writesWidthOfStringFields_data();
    void writesWidthOfStringFields();
    void keepsMarkup_data();
    void keepsMarkup();
    void plainFormKeepsNonAsciiMarkup_data();
    void plainFormKeepsNonAsciiMarkup();
    void refusesUnwritableFieldName();
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
    QTest::newRow("value starting with U+FEFF")
        << packet("<ROW A=\"\xef\xbb\xbfx\" B=\"\xef\xbb\xbf\"/>", utf8Decl)
        << QStringLiteral("\uFEFFx") << QStringLiteral("\uFEFF");
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
    QTest::newRow("cut right after <?xml")
        << QByteArray("<?xml")
        << "line 1, column 6: unexpected end of input in the XML declaration";
    QTest::newRow("declaration without version")
        << QByteArray("<?xml?><DATAPACKET/>")
        << "line 1, column 8: the XML declaration lacks the version";
    QTest::newRow("width in two cases")
        << (kDecl + "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"string\" "
                    "WIDTH=\"6\" width=\"8\"/></FIELDS></METADATA></DATAPACKET>")
        << "line 2, column 80: duplicate attribute \"width\" in <FIELD>";
    QTest::newRow("subtype in two cases in a nested field")
        << (kDecl + "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"D\" fieldtype=\"nested\">"
                    "<FIELDS><FIELD attrname=\"X\" fieldtype=\"bin.hex\" subtype=\"Text\" "
                    "Subtype=\"Text\"/></FIELDS></FIELD></FIELDS></METADATA></DATAPACKET>")
        << "line 2, column 133: duplicate attribute \"Subtype\" in <FIELD>";
    QTest::newRow("lower-case width not a number")
        << (kDecl + "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"string\" "
                    "width=\"x\"/></FIELDS></METADATA></DATAPACKET>")
        << "line 2, column 77: width \"x\" is not a number";
    QByteArray many;
    for (int i = 0; i < 40; ++i)
        many += " a" + QByteArray::number(i) + "=\"\"";
    QTest::newRow("duplicate among many attributes")
        << (kDecl + "<DATAPACKET><METADATA><FIELDS/><PARAMS" + many +
            " a3=\"\"/></METADATA></DATAPACKET>")
        << QStringLiteral("line 2, column %1: duplicate attribute \"a3\" in <PARAMS>")
               .arg(39 + many.size() + 1);
    QTest::newRow("second ROWDATA")
        << (kDecl + kHead + "</ROWDATA>\n<ROWDATA>" + kTail) << "line 4, column 1: second ROWDATA";
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

void DataPacketTest::readsOtherEngineStyle_data()
{
    roundTrip_data();
}

void DataPacketTest::readsOtherEngineStyle()
{
    // Lower-case width and subtype, fieldname, DECIMALS, a nested field with detail rows,
    // encoding="utf-8", indented: as other engines write packets.
    QFETCH(int, form);
    QFile file(QStringLiteral(VELTRA_TEST_DATA_DIR "/packets/other-engine.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const DataPacket p = DataPacketReader::read(file.readAll(), file.fileName());
    QCOMPARE(p.fields.size(), 5);
    const FieldDef& ps = p.fields.at(0);
    QCOMPARE(ps.width, 6);
    QCOMPARE(ps.attributes, XmlAttributes({{"fieldname", "PS"}}));
    QCOMPARE(p.fields.at(1).width, 24);
    QVERIFY(p.fields.at(1).required);
    QCOMPARE(p.fields.at(2).width, 19);
    QCOMPARE(p.fields.at(2).attributes, XmlAttributes({{"fieldname", "Mean"}, {"DECIMALS", "4"}}));
    QCOMPARE(p.fields.at(3).subtype, QStringLiteral("Text"));
    QCOMPARE(p.fields.at(3).kind(), FieldKind::Memo);
    QCOMPARE(p.rows.size(), size_t(2));
    QCOMPARE(p.rows[0].values, QStringList({"B1", QString::fromUtf8("Körpergewicht"), "70.5000",
                                            "line 1\r\nline 2", ""}));

    const QByteArray bytes = DataPacketWriter::write(p, PacketForm(form));
    for (const char* expected :
         {"<FIELD attrname=\"PS\" fieldtype=\"string\" WIDTH=\"6\" fieldname=\"PS\"/>",
          "<FIELD attrname=\"Variable\" fieldtype=\"string\" WIDTH=\"24\" required=\"true\" "
          "fieldname=\"Variable\"/>",
          "<FIELD attrname=\"Mean\" fieldtype=\"fixed\" WIDTH=\"19\" fieldname=\"Mean\" "
          "DECIMALS=\"4\"/>",
          "<FIELD attrname=\"Info\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\" fieldname=\"Info\"/>",
          // the nested field's own field gets the upper-case width too
          "<FIELD attrname=\"Age\" fieldname=\"Age\" fieldtype=\"string\" WIDTH=\"10\"/>",
          "<ROWGroups Age=\"0-1\"/>", "<ROWGroups Age=\"1-3\"/>"})
        QVERIFY2(bytes.contains(expected), expected);
    QVERIFY(DataPacketReader::read(bytes, QStringLiteral("w.xml")) == p);
}

void DataPacketTest::writesWidthOfStringFields_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("width");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("original"); // saved values of a modified first row
    QTest::addColumn<QString>("written");      // WIDTH written; empty for none

    QTest::newRow("no width: longest value")
        << "string" << 0 << QStringList{"abc", "a", ""} << QStringList() << "3";
    QTest::newRow("no width, no value: 1")
        << "string" << 0 << QStringList{"", ""} << QStringList() << "1";
    QTest::newRow("wide string") << "string.uni" << 0 << QStringList{QString::fromUtf8("σσσσ")}
                                 << QStringList() << "4";
    QTest::newRow("saved value of a modified row counts")
        << "string" << 0 << QStringList{"ab"} << QStringList{"abcde"} << "5";
    QTest::newRow("own width kept")
        << "string" << 6 << QStringList{"abcdefghij"} << QStringList() << "6";
    QTest::newRow("no width for a number")
        << "i4" << 0 << QStringList{"12345"} << QStringList() << "";
    QTest::newRow("width of a memo kept")
        << "bin.hex" << 8 << QStringList{"x"} << QStringList() << "8";
}

void DataPacketTest::writesWidthOfStringFields()
{
    QFETCH(QString, type);
    QFETCH(int, width);
    QFETCH(QStringList, values);
    QFETCH(QStringList, original);
    QFETCH(QString, written);
    FieldDef f = field(QStringLiteral("F"), type);
    f.width = width;
    QList<QStringList> rows;
    for (const QString& v : values)
        rows.append({v});
    DataPacket p = table({f}, rows);
    if (!original.isEmpty()) {
        p.rows[0].original = original;
        p.rows[0].change = RowChange::Modified;
    }
    const QByteArray tag = "<FIELD attrname=\"F\" fieldtype=\"" + type.toLatin1() + "\"" +
                           (written.isEmpty() ? "" : " WIDTH=\"" + written.toLatin1() + "\"") +
                           "/>";
    for (PacketForm form : {PacketForm::Utf8, PacketForm::Plain}) {
        const QByteArray bytes = DataPacketWriter::write(p, form);
        QVERIFY2(bytes.contains(tag), bytes.constData());
    }
}

void DataPacketTest::keepsMarkup_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("written"); // UTF-8 form after the declaration

    QTest::newRow("unknown elements and attributes keep their places")
        << QByteArray("<DATAPACKET Version=\"2.0\" Extra=\"x\"><Note a=\"1\">text &amp; "
                      "<b>bold</b></Note><METADATA Kind=\"k\"><Info/><FIELDS Mode=\"m\">"
                      "<FIELD attrname=\"A\" fieldtype=\"i4\"/><Skip/></FIELDS><Mid/>"
                      "<PARAMS P=\"1\"/><Last>i</Last></METADATA><Between/>"
                      "<ROWDATA Order=\"o\"><ROW A=\"1\"/></ROWDATA><After/></DATAPACKET>")
        << QByteArray("<DATAPACKET Version=\"2.0\" Extra=\"x\"><Note a=\"1\">text &amp; "
                      "<b>bold</b></Note><METADATA Kind=\"k\"><Info/><FIELDS Mode=\"m\">"
                      "<FIELD attrname=\"A\" fieldtype=\"i4\"/><Skip/></FIELDS><Mid/>"
                      "<PARAMS P=\"1\"/><Last>i</Last></METADATA><Between/>"
                      "<ROWDATA Order=\"o\"><ROW A=\"1\"/></ROWDATA><After/></DATAPACKET>");
    QTest::newRow("comments and PIs keep their places")
        << QByteArray("<!-- head -->\n<?app run fast?>\n<DATAPACKET Version=\"2.0\"><METADATA>"
                      "<FIELDS><!-- f0 --><FIELD attrname=\"A\" fieldtype=\"i4\"/><!-- f1 -->"
                      "</FIELDS><!-- m1 --><PARAMS/><!-- m2 --></METADATA><ROWDATA><!-- r0 -->"
                      "<ROW A=\"1\"/><!-- r1 --><ROW A=\"2\"/><?r2?></ROWDATA></DATAPACKET>\n"
                      "<!-- tail -->\n")
        << QByteArray("<!-- head --><?app run fast?><DATAPACKET Version=\"2.0\"><METADATA>"
                      "<FIELDS><!-- f0 --><FIELD attrname=\"A\" fieldtype=\"i4\"/><!-- f1 -->"
                      "</FIELDS><!-- m1 --><PARAMS/><!-- m2 --></METADATA><ROWDATA><!-- r0 -->"
                      "<ROW A=\"1\"/><!-- r1 --><ROW A=\"2\"/><?r2?></ROWDATA></DATAPACKET>"
                      "<!-- tail -->");
    QTest::newRow("nested field, detail rows, value of the nested field")
        << QByteArray("<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/>"
                      "<FIELD attrname=\"D\" fieldtype=\"nested\"><FIELDS><FIELD attrname=\"X\" "
                      "fieldtype=\"string\" width=\"4\"/></FIELDS><PARAMS/></FIELD></FIELDS>"
                      "</METADATA><ROWDATA><ROW A=\"1\"><D><ROWD X=\"a&lt;b\"/><ROWD X=\"c\" "
                      "RowState=\"4\"/></D></ROW><ROW A=\"2\" D=\"v\"/></ROWDATA></DATAPACKET>")
        << QByteArray("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" "
                      "fieldtype=\"i4\"/><FIELD attrname=\"D\" fieldtype=\"nested\"><FIELDS>"
                      "<FIELD attrname=\"X\" fieldtype=\"string\" WIDTH=\"4\"/></FIELDS><PARAMS/>"
                      "</FIELD></FIELDS><PARAMS/></METADATA><ROWDATA><ROW A=\"1\"><D><ROWD "
                      "X=\"a&lt;b\"/><ROWD X=\"c\" RowState=\"4\"/></D></ROW><ROW A=\"2\" "
                      "D=\"v\"/></ROWDATA></DATAPACKET>");
    QTest::newRow("text, CDATA and line ends")
        << QByteArray("<DATAPACKET><METADATA><FIELDS/></METADATA><ROWDATA/><X>a\r\nb&#13;c\td "
                      "\"q\" &gt;<![CDATA[<raw> & ]]><!--c--></X></DATAPACKET>")
        << QByteArray("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS></FIELDS><PARAMS/>"
                      "</METADATA><ROWDATA></ROWDATA><X>a\nb&#013;c\td \"q\" &gt;<![CDATA[<raw> & "
                      "]]><!--c--></X></DATAPACKET>");
    QTest::newRow("several PARAMS: first place, last value")
        << QByteArray("<DATAPACKET><METADATA><PARAMS Lcid=\"1033\" A=\"1\"/><FIELDS/><PARAMS "
                      "Lcid=\"1031\" B=\"2\"><Sub/></PARAMS></METADATA></DATAPACKET>")
        << QByteArray("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS></FIELDS><PARAMS "
                      "Lcid=\"1031\" A=\"1\" B=\"2\"><Sub/></PARAMS></METADATA><ROWDATA>"
                      "</ROWDATA></DATAPACKET>");
    QTest::newRow("detail rows of a modified row: original's, then modification's")
        << QByteArray("<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/>"
                      "</FIELDS></METADATA><ROWDATA><ROW RowState=\"1\" A=\"1\"><D><R X=\"a\"/>"
                      "</D></ROW><ROW RowState=\"8\" A=\"2\"><D><R RowState=\"4\" X=\"b\"/></D>"
                      "</ROW><ROW RowState=\"2\" A=\"3\"><D/></ROW></ROWDATA></DATAPACKET>")
        << QByteArray("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" "
                      "fieldtype=\"i4\"/></FIELDS><PARAMS/></METADATA><ROWDATA><ROW A=\"2\"><D>"
                      "<R X=\"a\"/></D><D><R RowState=\"4\" X=\"b\"/></D></ROW></ROWDATA>"
                      "</DATAPACKET>");
}

void DataPacketTest::keepsMarkup()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, written);
    const QByteArray utf8Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    const DataPacket p = DataPacketReader::read(kDecl + data, QStringLiteral("t.xml"));
    QCOMPARE(DataPacketWriter::write(p, PacketForm::Utf8), utf8Decl + written);
    // Both forms read back as the expected file does, kept markup included.
    const DataPacket expected = DataPacketReader::read(utf8Decl + written, QStringLiteral("e.xml"));
    for (PacketForm form : {PacketForm::Utf8, PacketForm::Plain}) {
        const DataPacket back =
            DataPacketReader::read(DataPacketWriter::write(p, form), QStringLiteral("w.xml"));
        QVERIFY(back == expected);
    }
}

void DataPacketTest::plainFormKeepsNonAsciiMarkup_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("ascii"); // the plain form stays ASCII without an encoding

    const QByteArray fields = "<FIELD attrname=\"A\" fieldtype=\"string\" WIDTH=\"9\"/>";
    auto packet = [](const QByteArray& fields, const QByteArray& rest) {
        return "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields + "</FIELDS></METADATA>" +
               rest + "</DATAPACKET>";
    };
    QTest::newRow("value") << packet(fields, "<ROWDATA><ROW A=\"\xc3\xa9\"/></ROWDATA>") << true;
    QTest::newRow("text of a kept element")
        << packet(fields, "<ROWDATA><ROW A=\"x\"><D>\xc3\xa9</D></ROW></ROWDATA>") << true;
    QTest::newRow("attribute value of a kept element")
        << packet(fields, "<X v=\"\xe2\x82\xac\"/>") << true;
    QTest::newRow("field name")
        << packet("<FIELD attrname=\"Gr\xc3\xb6\xc3\x9f\xc3\xa9\" fieldtype=\"i4\"/>",
                  "<ROWDATA><ROW Gr\xc3\xb6\xc3\x9f\xc3\xa9=\"1\"/></ROWDATA>")
        << false;
    QTest::newRow("other FIELD attribute") << packet("<FIELD attrname=\"A\" fieldtype=\"i4\" "
                                                     "\xc3\xa9=\"1\"/>",
                                                     "")
                                           << false;
    QTest::newRow("comment") << packet(fields, "<!-- \xc3\xa9 -->") << false;
    QTest::newRow("CDATA section") << packet(fields, "<X><![CDATA[\xc3\xa9]]></X>") << false;
    QTest::newRow("name of a kept element") << packet(fields, "<\xc3\xa9/>") << false;
    QTest::newRow("table property") << ("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields +
                                        "</FIELDS><PARAMS \xc3\xa9=\"1\"/>"
                                        "</METADATA></DATAPACKET>")
                                    << false;
}

void DataPacketTest::plainFormKeepsNonAsciiMarkup()
{
    // References cannot stand in names, comments, PIs or CDATA: such a file gets the
    // UTF-8 declaration instead of losing characters or being read as Windows-1252.
    QFETCH(QByteArray, data);
    QFETCH(bool, ascii);
    const DataPacket p = DataPacketReader::read(data, QStringLiteral("t.xml"));
    const QByteArray bytes = DataPacketWriter::write(p, PacketForm::Plain);
    const bool allAscii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0; });
    QCOMPARE(allAscii, ascii);
    QCOMPARE(bytes.startsWith(ascii ? "<?xml version=\"1.0\" standalone=\"yes\"?>"
                                    : "<?xml version=\"1.0\" encoding=\"UTF-8\" "
                                      "standalone=\"yes\"?>"),
             true);
    QVERIFY(DataPacketReader::read(bytes, QStringLiteral("w.xml")) == p);
}

void DataPacketTest::refusesUnwritableFieldName()
{
    // A name that is no XML name can head a FIELD but no ROW attribute: such a field is
    // written while it has no value, and a value makes the save fail naming it.
    DataPacket p = DataPacketReader::read(
        kDecl + "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" "
                "fieldtype=\"i4\"/><FIELD attrname=\"a &amp; b\" "
                "fieldtype=\"string\"/></FIELDS></METADATA>"
                "<ROWDATA><ROW A=\"1\"/><ROW A=\"2\"/></ROWDATA></DATAPACKET>",
        QStringLiteral("t.xml"));
    QCOMPARE(p.fields.at(1).name, QStringLiteral("a & b"));
    for (PacketForm form : {PacketForm::Utf8, PacketForm::Plain}) {
        const QByteArray bytes = DataPacketWriter::write(p, form);
        QVERIFY(bytes.contains("<FIELD attrname=\"a &amp; b\" fieldtype=\"string\" WIDTH=\"1\"/>"));
        DataPacket back = DataPacketReader::read(bytes, QStringLiteral("w.xml"));
        back.fields[1].width = 0;
        QVERIFY(back == p);
    }
    p.rows[1].values[1] = QStringLiteral("x");
    QString error;
    try {
        DataPacketWriter::write(p, PacketForm::Utf8);
    } catch (const VeltraError& e) {
        error = e.message();
    }
    QCOMPARE(error, QStringLiteral("field name \"a & b\" cannot be written as an XML name: the "
                                   "value of row 2 would be lost"));
}

QTEST_GUILESS_MAIN(DataPacketTest)
#include "DataPacket_test.moc"
