// Getting tables out: clipboard text, the spreadsheet form, text files written and read.
#include "../common/TestFiles.h"
#include "data/DataTable.h"
#include "tables/ResultTable.h"
#include "tables/TableExport.h"
#include "util/NumberFormat.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace veltra;

Q_DECLARE_METATYPE(veltra::TableTextLayout)
Q_DECLARE_METATYPE(veltra::ResultTableForm)

namespace {

using fixture::ReadBytes;

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

/// The message of the VeltraError the call throws; empty when it throws none.
template <typename Call> QString ErrorOf(Call call)
{
    try {
        call();
    } catch (const VeltraError& error) {
        return error.message();
    }
    return QString();
}

} // namespace

class TableExportTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void clipboardText_data();
    void clipboardText();
    void spreadsheetLines_data();
    void spreadsheetLines();
    void sampleCells_data();
    void sampleCells();
    void writeTextLines_data();
    void writeTextLines();
    void writeReplacesTheOldFile();
    void writeRefusesWhatIsNoFile();
    void failedWriteKeepsTheOldFile();
    void readTextLines_data();
    void readTextLines();
    void readErrorsNameTheFile();

private:
    QTemporaryDir m_dir;
};

void TableExportTest::clipboardText_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("text");
    QTest::newRow("no lines") << QStringList{} << "";
    QTest::newRow("one line") << QStringList{"a"} << "a";
    QTest::newRow("two lines") << QStringList{"   AGEGRP", "     1.00"} << "   AGEGRP\r\n     1.00";
    QTest::newRow("empty lines") << QStringList{"", ""} << "\r\n";
    QTest::newRow("empty last line") << QStringList{"a", ""} << "a\r\n";
}

void TableExportTest::clipboardText()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, text);
    QCOMPARE(ClipboardText(lines), text);
}

void TableExportTest::spreadsheetLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<TableTextLayout>("layout");
    QTest::addColumn<QString>("separator"); // the decimal separator of the table's numbers
    QTest::addColumn<QStringList>("expected");
    const TableTextLayout formatted9{TableTextKind::Formatted, {9, 9, 9}, {}};
    const TableTextLayout formatted6{TableTextKind::Formatted, {6, 6, 6}, {}};
    const TableTextLayout csv{TableTextKind::Csv, {}, {}};
    const TableTextLayout tab{TableTextKind::TabDelimited, {}, {}};

    QTest::newRow("formatted header and row")
        << QStringList{"   AGEGRP     NOBS", "     1.00   245.00"}
        << TableTextLayout{TableTextKind::Formatted, {9, 9}, {}} << "."
        << QStringList{"AGEGRP\tNOBS", "1.00\t245.00"};
    QTest::newRow("a long text with blanks pushes the cells after it")
        << QStringList{"   AGEGRP     MEAN      MAX", "0 - <1 years    65.58    73.53",
                       "   1 - <2    78.47    85.34"}
        << formatted9 << "."
        << QStringList{"AGEGRP\tMEAN\tMAX", "0 - <1 years\t65.58\t73.53", "1 - <2\t78.47\t85.34"};
    QTest::newRow("a long text whose blank falls on a column end")
        << QStringList{"AGEGRP  MEAN   MAX", "0 - <1 years 65.58 73.53"} << formatted6 << "."
        << QStringList{"AGEGRP\tMEAN\tMAX", "0 - <1 years\t65.58\t73.53"};
    QTest::newRow("a long text followed by a full cell")
        << QStringList{"AGEGRP  NOBS  MEAN", "0 - <1 years132.00 65.58"} << formatted6 << "."
        << QStringList{"AGEGRP\tNOBS\tMEAN", "0 - <1 years\t132.00\t65.58"};
    QTest::newRow("a long text in the middle column")
        << QStringList{"     1.00   Source      MAX", "     2.00Alpha Survey 1998    73.53"}
        << formatted9 << "." << QStringList{"1.00\tSource\tMAX", "2.00\tAlpha Survey 1998\t73.53"};
    QTest::newRow("a full cell before a later long text stays alone")
        << QStringList{"   AGE  NOBS  NAME", "123.45  0.00Alpha Survey"} << formatted6 << "."
        << QStringList{"AGE\tNOBS\tNAME", "123.45\t0.00\tAlpha Survey"};
    QTest::newRow("header names as long as their columns")
        << QStringList{"AGEGRPAGEMinAGEMax", "  0.00  1.00  2.00"} << formatted6 << "."
        << QStringList{"AGEGRP\tAGEMin\tAGEMax", "0.00\t1.00\t2.00"};
    QTest::newRow("an empty value's dot is an empty cell")
        << QStringList{"     NOBS     MEAN", "        .    65.58"}
        << TableTextLayout{TableTextKind::Formatted, {9, 9}, {}} << "."
        << QStringList{"NOBS\tMEAN", "\t65.58"};
    QTest::newRow("a decimal comma stays in its cell")
        << QStringList{"     MEAN       SD", "    65,58     3,12"}
        << TableTextLayout{TableTextKind::Formatted, {9, 9}, {}} << ","
        << QStringList{"MEAN\tSD", "65.58\t3.12"};
    QTest::newRow("user-formatted: wider captions, a blank cell, a dot kept")
        << QStringList{"     Name   NOBS", " Alpha      .", "           12"}
        << TableTextLayout{TableTextKind::UserFormatted, {6, 7}, {9, 7}} << "."
        << QStringList{"Name\tNOBS", "Alpha\t.", "\t12"};
    QTest::newRow("no widths: the header's columns")
        << QStringList{"   AGEGRP     NOBS", "0 - <1 years   132.00", ""}
        << TableTextLayout{TableTextKind::Formatted, {}, {}} << "."
        << QStringList{"AGEGRP\tNOBS", "0 - <1 years\t132.00"};
    QTest::newRow("csv quotes undone")
        << QStringList{"AGEGRP;SOURCE;MEAN", "0 - <1 years;\"A;B \"\"x\"\"\";65,58", "1 - <2;\"two",
                       "lines\";"}
        << csv << ","
        << QStringList{"AGEGRP\tSOURCE\tMEAN", "0 - <1 years\t\"A;B \"\"x\"\"\"\t65.58",
                       "1 - <2\t\"two\nlines\"\t"};
    QTest::newRow("tab-delimited keeps a leading empty cell")
        << QStringList{"A\tB\tC", "\tx y\t1,5", "\"a\tb\"\t\t"} << tab << ","
        << QStringList{"A\tB\tC", "\tx y\t1.5", "\"a\tb\"\t\t"};
    QTest::newRow("empty view") << QStringList{} << formatted9 << "." << QStringList{};
}

void TableExportTest::spreadsheetLines()
{
    QFETCH(QStringList, lines);
    QFETCH(TableTextLayout, layout);
    QFETCH(QString, separator);
    QFETCH(QStringList, expected);
    // The table's numbers use the case's separator; the clipboard the locale's (C here).
    SetDecimalSeparator(separator.at(0));
    QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral("."));
    QCOMPARE(SpreadsheetLines(lines, layout), expected);
    SetDecimalSeparator(u'.');
}

void TableExportTest::sampleCells_data()
{
    QTest::addColumn<ResultTableForm>("form");
    QTest::newRow("formatted") << ResultTableForm::Formatted;
    QTest::newRow("csv") << ResultTableForm::Csv;
    QTest::newRow("tab-delimited") << ResultTableForm::TabDelimited;
}

void TableExportTest::sampleCells()
{
    // The sample's ef0010.xml as the viewer tabulates it, under the locale of the run (C,
    // and de_DE with a decimal comma): every row has the header's cells, the age group
    // text is one cell, the numbers read back.
    QFETCH(ResultTableForm, form);
    DataTable table;
    table.loadFromFile(QStringLiteral(VELTRA_SAMPLE_DIR "/ef0010.xml"));
    ResultTableOptions options;
    options.form = form;
    options.fieldNames = table.fieldNames();
    if (form != ResultTableForm::Formatted) {
        for (QString& name : options.fieldNames)
            name = name.toUpper();
    }
    options.checked = QList<bool>(options.fieldNames.size(), true);
    options.sectionFieldNames = DefaultSectionFieldNames();
    const GeneratorResult result = GenerateResultTable(table, options);
    QVERIFY2(result.complete(), qPrintable(result.error));
    const TableTextKind kind = form == ResultTableForm::Formatted ? TableTextKind::Formatted
                               : form == ResultTableForm::Csv     ? TableTextKind::Csv
                                                                  : TableTextKind::TabDelimited;
    const TableTextLayout layout{kind, result.columnWidths, result.headerWidths};

    const QList<QStringList> rows = TableCells(result.lines, layout);
    QCOMPARE(rows.size(), table.recordCount() + 1);
    const QStringList& header = rows.first();
    QCOMPARE(header.first().toUpper(), QStringLiteral("AGEGRP"));
    qsizetype mean = -1;
    for (qsizetype c = 0; c < header.size() && mean < 0; ++c) {
        if (header[c].compare(QStringLiteral("MEAN"), Qt::CaseInsensitive) == 0)
            mean = c;
    }
    QVERIFY(mean > 0);
    for (qsizetype r = 1; r < rows.size(); ++r)
        QVERIFY2(rows[r].size() == header.size(),
                 qPrintable(QStringLiteral("row %1: %2").arg(r).arg(rows[r].join(u'|'))));
    QCOMPARE(rows[1].first(), QStringLiteral("0 - <1 years"));
    const QString decimal = QLocale::system().decimalPoint();
    QCOMPARE(rows[1][mean], QStringLiteral("65") + decimal + QStringLiteral("58"));

    // The clipboard text: the same cells, TAB between them, the numbers in the locale's form.
    const QStringList spread = SpreadsheetLines(result.lines, layout);
    QCOMPARE(spread.size(), rows.size());
    QCOMPARE(spread[1].split(u'\t'), rows[1]);
}

void TableExportTest::writeTextLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty table: empty file") << QStringList{} << QByteArray();
    QTest::newRow("every line ends with CR LF")
        << QStringList{"   AGEGRP", "     1.00"} << QByteArray("   AGEGRP\r\n     1.00\r\n");
    QTest::newRow("empty lines") << QStringList{"", "x", ""} << QByteArray("\r\nx\r\n\r\n");
    QTest::newRow("UTF-8") << QStringList{QString::fromUtf8("Gr\u00f6\u00dfe \u03c3")}
                           << QByteArray("Gr\xc3\xb6\xc3\x9f"
                                         "e \xcf\x83\r\n");
}

void TableExportTest::writeTextLines()
{
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(QStringLiteral("table.txt"));
    WriteTextLines(path, lines);
    QCOMPARE(ReadBytes(path), bytes);
    QCOMPARE(ReadTextLines(path), lines);
}

void TableExportTest::writeReplacesTheOldFile()
{
    const QString path = m_dir.filePath(QStringLiteral("old.txt"));
    WriteBytes(path, "a much longer old content that must not survive\r\n");
    WriteTextLines(path, {"new"});
    QCOMPARE(ReadBytes(path), QByteArray("new\r\n"));
}

void TableExportTest::writeRefusesWhatIsNoFile()
{
    const QString folder = m_dir.filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(ErrorOf([&] { WriteTextLines(folder, {"x"}); }),
             QStringLiteral("cannot write \"%1\": it is a folder, not a regular file").arg(folder));
    QVERIFY(QFileInfo(folder).isDir());

    const QString missingFolder = m_dir.filePath(QStringLiteral("no/such/folder/t.txt"));
    const QString message = ErrorOf([&] { WriteTextLines(missingFolder, {"x"}); });
    QVERIFY2(message.startsWith(QStringLiteral("cannot write \"%1\": ").arg(missingFolder)),
             qPrintable(message));
    QVERIFY(!QFileInfo::exists(missingFolder));
}

void TableExportTest::failedWriteKeepsTheOldFile()
{
    if (::geteuid() == 0)
        QSKIP("the superuser may write into a read-only folder");
    const QString folder = m_dir.filePath(QStringLiteral("readonly"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/table.txt");
    WriteBytes(path, "old\r\n");
    QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const QString message = ErrorOf([&] { WriteTextLines(path, {"new"}); });
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY2(message.startsWith(QStringLiteral("cannot write \"%1\": ").arg(path)),
             qPrintable(message));
    QCOMPARE(ReadBytes(path), QByteArray("old\r\n"));
}

void TableExportTest::readTextLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("UTF-8, CR LF") << QByteArray("Gr\xc3\xb6\xc3\x9f"
                                                "e\r\nNOBS F9.2\r\n")
                                  << QStringList{QString::fromUtf8("Gr\u00f6\u00dfe"), "NOBS F9.2"};
    QTest::newRow("Windows-1252") << QByteArray("Gr\xf6\xdf"
                                                "e\n\x80 5\n")
                                  << QStringList{QString::fromUtf8("Gr\u00f6\u00dfe"),
                                                 QString::fromUtf8("\u20ac 5")};
    QTest::newRow("byte order mark dropped") << QByteArray("\xef\xbb\xbf"
                                                           "AGEGRP I6\r\n")
                                             << QStringList{"AGEGRP I6"};
    QTest::newRow("CR alone ends a line") << QByteArray("a\rb") << QStringList{"a", "b"};
    QTest::newRow("empty lines stay") << QByteArray("a\n\n\nb\n") << QStringList{"a", "", "", "b"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void TableExportTest::readTextLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const QString path = m_dir.filePath(QStringLiteral("format.txt"));
    WriteBytes(path, bytes);
    QCOMPARE(ReadTextLines(path), lines);
}

void TableExportTest::readErrorsNameTheFile()
{
    const QString missing = m_dir.filePath(QStringLiteral("missing.txt"));
    const QString message = ErrorOf([&] { (void)ReadTextLines(missing); });
    QVERIFY2(message.startsWith(QStringLiteral("Cannot open \"%1\": ").arg(missing)),
             qPrintable(message));
    QCOMPARE(ErrorOf([&] { (void)ReadTextLines(m_dir.path()); }),
             QStringLiteral("Cannot read \"%1\": it is not a regular file").arg(m_dir.path()));

    // A text file is read up to its limit and no further.
    const QString large = m_dir.filePath(QStringLiteral("large.txt"));
    QByteArray lines(kMaxTextFileSize, 'x');
    for (qsizetype i = 79; i < lines.size(); i += 80)
        lines[i] = '\n';
    {
        QFile file(large);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(lines), lines.size());
    }
    QCOMPARE(ReadTextLines(large).size(), lines.count('\n') + 1);
    {
        QFile file(large);
        QVERIFY(file.open(QIODevice::Append));
        QCOMPARE(file.write("x"), 1);
    }
    QCOMPARE(ErrorOf([&] { (void)ReadTextLines(large); }),
             QStringLiteral("Cannot read \"%1\": it has more than the limit of 4194304 bytes "
                            "(4 MiB) for a text file")
                 .arg(large));
}

QTEST_GUILESS_MAIN(TableExportTest)
#include "TableExport_test.moc"
