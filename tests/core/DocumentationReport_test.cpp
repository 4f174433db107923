// The documentation report of a parameter row on the small crafted database: its blocks
// and sections in order, the sections each data file's fields give, the rows without a
// usable data file, and the line that ends a report whose building failed.
#include "../common/TestDatabase.h"

#include "convert/ConvertParameterSets.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "reports/DocumentationReport.h"
#include "util/NumberFormat.h"
#include "util/ProtocolLog.h"
#include "util/TextLines.h"

#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

using namespace veltra;

namespace {

const QString Dash(71, QLatin1Char('-'));
const QString GfRaw = QStringLiteral("GF-DISTRIBUTION-APPROACH (raw parameters)");
const QString GfTransformed = QStringLiteral("GF-DISTRIBUTION-APPROACH (transformed parameters)");
const QString Moments = QStringLiteral("MOMENTS OF THE DISTRIBUTION (emp. & adjusted)");
const QString Quantiles = QStringLiteral("QUANTILES OF THE DISTRIBUTION (emp. & adjusted)");
const QString WeibullGf = QStringLiteral("TYPE=Weibull;\r\nPT=0.1 0.5 2;\r\nAP=0.2;\r\n");

/// The crafted database in a temporary folder, one of its parameter rows current and the
/// row's data file connected as the viewer connects it.
struct Database
{
    QTemporaryDir dir;
    std::unique_ptr<ReferenceDatabase> db;
    ProtocolLog log;

    Database() { fixture::WriteDatabase(dir.path()); }

    /// Replaces a data file of the database before a row is opened.
    void writeDataFile(const QString& name, const QByteArray& packet)
    {
        fixture::WriteFile(dir.filePath(name), packet);
    }

    ReferenceDatabase& open(qint64 id)
    {
        db = std::make_unique<ReferenceDatabase>(dir.path(), dir.path());
        db->LoadParameterTable();
        select(id);
        return *db;
    }

    /// Moves to another row of the open database and connects its data file.
    void select(qint64 id)
    {
        db->LocateParameter(id);
        (void)db->ConnectDataFile(
            ReferenceDatabase::CurrentText(db->parameters(), QStringLiteral("DataFile")), false,
            log);
    }
};

/// The viewer's settings at start for the connected data file: every field checked.
ReportOptions Options(const ReferenceDatabase& db)
{
    ReportOptions options;
    options.table.fieldNames = db.dataFieldNames();
    options.table.checked = QList<bool>(db.dataFieldNames().size(), true);
    options.table.sectionFieldNames = DefaultSectionFieldNames();
    return options;
}

QStringList Lines(const ReportResult& report)
{
    return ReportPlainLines(*report.document);
}

/// A section: its header, its block and the empty line after it.
QStringList Section(const QString& content, const QString& caption, const QString& title,
                    const QStringList& block)
{
    return QStringList{Dash, content, caption, title, QString()} + block + QStringList{QString()};
}

/// The section titles in report order, each with the age-group caption of its header.
QStringList SectionTitles(const QStringList& lines)
{
    QStringList titles;
    for (qsizetype i = 0; i + 3 < lines.size(); ++i) {
        if (lines.at(i) == Dash &&
            lines.at(i + 1) != QLatin1String("SUMMARY (distrib. parameters)"))
            titles << lines.at(i + 2) + QLatin1Char('|') + lines.at(i + 3);
    }
    return titles;
}

/// The lines of a report made up to the end of the summary, for a data file whose
/// command table is `commandTable`.
QStringList UpToSummary(const QString& path, const QStringList& info, const QStringList& table,
                        const QStringList& commandTable, const QString& content)
{
    return QStringList{QStringLiteral("Data Documentation : ") + path, QString(), QString()} +
           info + QStringList{QString(), QString()} + table +
           QStringList{QString(), Dash,    QStringLiteral("SUMMARY (distrib. parameters)"),
                       QString(), content, QString()} +
           commandTable + QStringList{QString()};
}

} // namespace

class DocumentationReportTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { SetDecimalSeparator(QChar(u'.')); }
    void wholeReportInOrder();
    void sectionsFollowTheFields_data();
    void sectionsFollowTheFields();
    void rowWithoutDataFilePath();
    void dataFileNotOpen_data();
    void dataFileNotOpen();
    void failureEndsTheReport_data();
    void failureEndsTheReport();
    void infoKeepsItsFormatting();
};

void DocumentationReportTest::wholeReportInOrder()
{
    Database data;
    ReferenceDatabase& db = data.open(1); // BW: bw1.xml, three groups, all three fields
    db.dataFile().moveTo(3);
    const ReportResult report = BuildDocumentationReport(db, Options(db));
    QVERIFY2(report.complete(), qPrintable(report.error));
    QVERIFY(!report.dataFileNotOpen);

    const QString content = QStringLiteral("Current : Body weight of men");
    const QStringList table = {"   AGEGRP   AGEMin   AGEMax     NOBS     MEAN",
                               "     1.00     0.00     5.00   120.00    14.50",
                               "     2.00     5.00    10.00    98.00    25.10",
                               "     3.00    10.00    18.00    77.00    52.00"};
    const QStringList weibull = ConvertParameterSets(TextLines(WeibullGf)).lines;
    const QString group1 = QStringLiteral("Group:1 Age: 0 - 5");
    const QString group2 = QStringLiteral("Group:2 Age: 5 - 10");
    const QString group3 = QStringLiteral("Group:3 Age: 10 - 18");
    const QStringList commandTable =
        QStringList{"Source     : Zeta Survey", "Variable   : BW", "Sex/Gender : M",
                    "Current    : Body weight of men", group1} +
        fixture::GfConverted() + QStringList{QString(), group3} + weibull.mid(0, 2) +
        QStringList{QString()};
    // The Info field ends with a line break: its view shows an empty last line.
    const QStringList info = {"Body weight of men", "Variable                BW_kg",
                              fixture::Restrictions(QStringLiteral("0100001")), QString()};

    QStringList expected = UpToSummary(data.dir.filePath(QStringLiteral("bw1.xml")), info, table,
                                       commandTable, content);
    expected << Section(content, group1, GfRaw, TextLines(fixture::GfLines))
             << Section(content, group1, GfTransformed,
                        QStringList{content + "  " + group1, QString()} + fixture::GfConverted())
             << Section(content, group1, Moments, {"Mean 14.5"})
             << Section(content, group1, Quantiles, {"P50 14"});
    // No GF lines: both GF sections stay empty, the first group's conversion is not
    // repeated under the second group's header.
    expected << Section(content, group2, GfRaw, {}) << Section(content, group2, GfTransformed, {})
             << Section(content, group2, Moments, {"Mean 25.1"})
             << Section(content, group2, Quantiles, {"P50 25"});
    expected << Section(content, group3, GfRaw, TextLines(WeibullGf))
             << Section(content, group3, GfTransformed,
                        QStringList{content + "  " + group3, QString()} + weibull)
             << Section(content, group3, Moments, {"Mean 52.0"})
             << Section(content, group3, Quantiles, {"P50 51"});
    QCOMPARE(Lines(report), expected);

    QCOMPARE(report.table.lines, table);
    QCOMPARE(report.commandTable.lines, commandTable);
    // The report reads the groups without moving the data file.
    QCOMPARE(db.dataFile().recNo(), 3);
}

void DocumentationReportTest::sectionsFollowTheFields_data()
{
    QTest::addColumn<QString>("fields"); // the data file's statistics fields, comma-separated
    QTest::addColumn<QStringList>("titles");
    const QStringList gf = {"Group:1|" + GfRaw, "Group:1|" + GfTransformed, "Group:2|" + GfRaw,
                            "Group:2|" + GfTransformed};
    QTest::newRow("GENERALF only") << "GENERALF" << gf;
    QTest::newRow("generalf in lower case") << "generalf" << gf;
    QTest::newRow("GeneralF as the design names it") << "GeneralF" << gf;
    QTest::newRow("moments and quantiles, any case")
        << "Quantiles,moments"
        << QStringList{"Group:1|" + Moments, "Group:1|" + Quantiles, "Group:2|" + Moments,
                       "Group:2|" + Quantiles};
    QTest::newRow("none of the three") << "" << QStringList();
}

void DocumentationReportTest::sectionsFollowTheFields()
{
    QFETCH(QString, fields);
    QFETCH(QStringList, titles);
    fixture::Fields fileFields = {{"AGEGRP", "string"}, {"NOBS", "i4"}};
    QStringList values = {"", "10"};
    for (const QString& name : fields.split(u',', Qt::SkipEmptyParts)) {
        fileFields.append({name, QStringLiteral("bin.hex")});
        values << (name.compare(QLatin1String("GENERALF"), Qt::CaseInsensitive) == 0
                       ? fixture::GfLines
                       : name + QStringLiteral(" text"));
    }
    QStringList first = values, second = values;
    first[0] = QStringLiteral("1");
    second[0] = QStringLiteral("2");
    Database data;
    data.writeDataFile(QStringLiteral("nomin.xml"), fixture::Packet(fileFields, {first, second}));
    ReferenceDatabase& db = data.open(7);
    const ReportResult report = BuildDocumentationReport(db, Options(db));
    QVERIFY2(report.complete(), qPrintable(report.error));
    const QStringList lines = Lines(report);
    QCOMPARE(SectionTitles(lines), titles);
    if (titles.isEmpty()) {
        // Title, Info, table and summary only: the report ends with the summary.
        QCOMPARE(lines.mid(lines.size() - 5),
                 QStringList({"Source     : Theta Survey", "Variable   : GW", "Sex/Gender : M",
                              "Current    : No minimum age row", ""}));
    }
}

void DocumentationReportTest::rowWithoutDataFilePath()
{
    Database data;
    ReferenceDatabase& db = data.open(4); // DW: no data file, none connected before
    const ReportResult report = BuildDocumentationReport(db, Options(db));
    QCOMPARE(Lines(report), QStringList({"Data Documentation : ", ""}));
    QVERIFY(report.complete());
    QVERIFY(!report.dataFileNotOpen);
    QVERIFY(report.table.lines.isEmpty());

    // After another row's file was connected, DataFilePath still names that file; the
    // report of the row without one does not.
    data.open(1);
    data.select(4);
    QVERIFY(data.db->dataFilePath().endsWith(QLatin1String("/bw1.xml")));
    QCOMPARE(Lines(BuildDocumentationReport(*data.db, Options(*data.db))),
             QStringList({"Data Documentation : ", ""}));
}

void DocumentationReportTest::dataFileNotOpen_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("reason"); // %1: the data file's path
    QTest::newRow("missing") << qint64(3) << "Missing file row"
                             << "the data file \"%1\" does not exist";
    QTest::newRow("unreadable") << qint64(5) << "Broken file row"
                                << "\"%1\": line 1, column 1: text outside the root element";
}

void DocumentationReportTest::dataFileNotOpen()
{
    QFETCH(qint64, id);
    QFETCH(QString, content);
    QFETCH(QString, reason);
    Database data;
    ReferenceDatabase& db = data.open(id);
    QVERIFY(!db.dataFilePath().isEmpty());
    const ReportResult report = BuildDocumentationReport(db, Options(db));
    // The table block holds the table command's message, the summary has no command
    // table, no sections follow, and the last line says why the report is incomplete.
    const QStringList lines = Lines(report);
    const qsizetype table = lines.indexOf(QStringLiteral("No selected data set."));
    QVERIFY2(table > 3, qPrintable(lines.join(u'\n')));
    QCOMPARE(lines.mid(table - 2),
             QStringList({"", "", "No selected data set.", "", Dash,
                          "SUMMARY (distrib. parameters)", "", "Current : " + content, "", "",
                          "*** Report incomplete: " + reason.arg(db.dataFilePath())}));
    QCOMPARE(lines.value(3), content);
    QVERIFY(report.dataFileNotOpen);
    QCOMPARE(report.table.error, QStringLiteral("No selected data set."));
    QVERIFY(report.table.lines.isEmpty());
    QCOMPARE(report.error, reason.arg(db.dataFilePath()));
    QVERIFY(!report.complete());
}

void DocumentationReportTest::failureEndsTheReport_data()
{
    QTest::addColumn<bool>("tableFails");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("lastLines"); // the lines before the closing line, "|"-joined
    QTest::newRow("second group's GF line")
        << false
        << "Age group 2 (Group:2), GF line 5 \"PT=0.9 0 2;\": Floating point division by "
           "zero"
        << "Group:2|" + GfTransformed + "||Current : Zero divisor row  Group:2||" +
               ConvertParameterSets(TextLines(QStringLiteral("TYPE=Gamma;\r\nPT=0.9 2 0.5;\r\n"
                                                             "KS=0.01;\r\n")))
                   .lines.join(u'|');
    QTest::newRow("table") << true << ""
                           << "|";
}

void DocumentationReportTest::failureEndsTheReport()
{
    QFETCH(bool, tableFails);
    QFETCH(QString, error);
    QFETCH(QString, lastLines);
    Database data;
    // gf0.xml: the first group converts, the second divides by zero in its fifth GF line.
    data.writeDataFile(
        QStringLiteral("gf0.xml"),
        fixture::Packet(
            {{"AGEGRP", "string"}, {"GENERALF", "bin.hex"}},
            {{"1", fixture::GfLines},
             {"2", QStringLiteral("TYPE=Gamma;\r\nPT=0.9 2 0.5;\r\nKS=0.01;\r\n"
                                  "TYPE=Loglogistisch;\r\nPT=0.9 0 2;\r\nKS=0.02;\r\n")},
             {"3", fixture::GfLines}}));
    ReferenceDatabase& db = data.open(8);
    ReportOptions options = Options(db);
    if (tableFails) {
        // A checked field the data file does not have.
        options.table.fieldNames << QStringLiteral("EXTRA");
        options.table.checked << true;
    }
    const ReportResult report = BuildDocumentationReport(db, options);
    QVERIFY(!report.complete());
    if (tableFails)
        error = report.table.error; // the table generator's own message
    QVERIFY(!error.isEmpty());
    QCOMPARE(report.error, error);

    const QStringList lines = Lines(report);
    QCOMPARE(lines.last(), QStringLiteral("*** Report incomplete: ") + error);
    const QStringList before = lastLines.split(u'|');
    QCOMPARE(lines.mid(lines.size() - 1 - before.size(), before.size()), before);
    // Nothing of the third group; with a failing table not even the summary.
    QVERIFY(!lines.contains(QStringLiteral("Group:3")));
    QCOMPARE(lines.contains(QStringLiteral("SUMMARY (distrib. parameters)")), !tableFails);
}

void DocumentationReportTest::infoKeepsItsFormatting()
{
    Database data;
    ReferenceDatabase& db = data.open(1);
    DataTable& parameters = db.parameters();
    parameters.setReadOnly(false);
    parameters.edit();
    parameters.setFieldText(QStringLiteral("Info"),
                            QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Body "
                                           "{\\b weight}\\line of men\\par Second\\par}"));
    parameters.post();
    const ReportResult report = BuildDocumentationReport(db, Options(db));
    const QStringList lines = Lines(report);
    QCOMPARE(lines.mid(0, 7), QStringList({"Data Documentation : " + db.dataFilePath(), "", "",
                                           "Body weight", "of men", "Second", ""}));
    QCOMPARE(SectionTitles(lines).first(), "Group:1 Age: 0 - 5|" + GfRaw);
    QCOMPARE(lines.at(lines.indexOf(QStringLiteral("SUMMARY (distrib. parameters)")) + 2),
             QStringLiteral("Current : Body weight"));

    // The Info block keeps its bold word and its font; the lines the report adds carry
    // no format of their own and show in the report's font.
    const QTextDocument& document = *report.document;
    QCOMPARE(document.defaultFont(), ReportFont());
    QCOMPARE(ReportFont().family(), QStringLiteral("Courier New"));
    QTextBlock info = document.findBlockByNumber(3);
    QCOMPARE(info.text(), QString(QStringLiteral("Body weight") + QChar::LineSeparator + "of men"));
    bool boldWeight = false;
    for (auto it = info.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        QCOMPARE(fragment.charFormat().fontFamilies().toStringList(), QStringList{"Arial"});
        if (fragment.text() == QLatin1String("weight"))
            boldWeight = fragment.charFormat().fontWeight() == QFont::Bold;
        else
            QVERIFY(fragment.charFormat().fontWeight() != QFont::Bold);
    }
    QVERIFY(boldWeight);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockNumber() == 3 || block.blockNumber() == 4)
            continue;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            QVERIFY2(!it.fragment().charFormat().hasProperty(QTextFormat::FontFamilies) &&
                         !it.fragment().charFormat().hasProperty(QTextFormat::FontWeight),
                     qPrintable(block.text()));
    }
}

QTEST_GUILESS_MAIN(DocumentationReportTest)
#include "DocumentationReport_test.moc"
