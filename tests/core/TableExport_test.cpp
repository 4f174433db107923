// Getting tables out: clipboard text, the spreadsheet form, text files written and read.
#include "tables/TableExport.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace veltra;

namespace {

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "(unreadable)";
    return file.readAll();
}

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
    void linesToTabs_data();
    void linesToTabs();
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

void TableExportTest::linesToTabs_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("converted");
    QTest::newRow("formatted header") << "   AGEGRP     NOBS"
                                      << "AGEGRP\tNOBS";
    QTest::newRow("formatted row") << "     1.00   245.00"
                                   << "1.00\t245.00";
    QTest::newRow("decimal comma splits a number") << "     1,50   245,00"
                                                   << "1\t50\t245\t00";
    QTest::newRow("a text with blanks gives one cell per word") << "Alpha Survey 1998     12.00"
                                                                << "Alpha\tSurvey\t1998\t12.00";
    QTest::newRow("leading empty tab-delimited cell is lost") << "\tx\ty"
                                                              << "x\ty";
    QTest::newRow("trailing blanks") << "a  b "
                                     << "a\tb";
    QTest::newRow("empty") << ""
                           << "";
}

void TableExportTest::linesToTabs()
{
    QFETCH(QString, line);
    QFETCH(QString, converted);
    QCOMPARE(ConvertLinesToTabs({line, line}), (QStringList{converted, converted}));
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
    QCOMPARE(FileBytes(path), bytes);
    QCOMPARE(ReadTextLines(path), lines);
}

void TableExportTest::writeReplacesTheOldFile()
{
    const QString path = m_dir.filePath(QStringLiteral("old.txt"));
    WriteBytes(path, "a much longer old content that must not survive\r\n");
    WriteTextLines(path, {"new"});
    QCOMPARE(FileBytes(path), QByteArray("new\r\n"));
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
    QCOMPARE(FileBytes(path), QByteArray("old\r\n"));
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
