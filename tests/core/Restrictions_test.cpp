// Quality restriction code and sentences from Info lines, and the update
// status lines of a parameter row.
#include "app/Restrictions.h"
#include "util/LocaleText.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace veltra;

namespace {

// A labelled Info line: the label padded to the 24-character label column.
QString Labelled(const QString& label, const QString& value)
{
    return label.leftJustified(24, u' ') + value;
}

QString Sentence(const char* text)
{
    return QStringLiteral("        ") + QString::fromLatin1(text) + u'\n';
}

const char* const S1 = "Survey quality not clear.";
const char* const S2 = "No access to original data.";
const char* const S3 = "Survey may be out of date.";
const char* const S4 = "Survey may be not valid for German population.";
const char* const S5 = "Survey might be not representative for considered population";
const char* const S6 = "Data might have a low degree of accuracy.";
const char* const S7 = "Variation might have a lack of accuracy.";

} // namespace

class RestrictionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restrictionCode_data();
    void restrictionCode();
    void restrictionText_data();
    void restrictionText();
    void displayLines_data();
    void displayLines();
    void updateStatusLines_data();
    void updateStatusLines();
    void updateStatusMissingFile_data();
    void updateStatusMissingFile();

private:
    QTemporaryDir m_dir;
    // Modification times given to the main data set and to a data file.
    const QDateTime m_mainTime{QDate(2021, 3, 5), QTime(14, 7, 9)};
    const QDateTime m_fileTime{QDate(2019, 11, 30), QTime(8, 0, 1)};
};

void RestrictionsTest::restrictionCode_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("expected");
    const QString r = "Restrictions";
    QTest::newRow("with carriage return") << QStringList{Labelled(r, "0100001\r")} << "0100001";
    QTest::newRow("without carriage return keeps flag 7")
        << QStringList{Labelled(r, "0100001")} << "0100001";
    QTest::newRow("leading blanks go, inner ones stay")
        << QStringList{Labelled(r, "  01 0\r")} << "01 0";
    QTest::newRow("two lines joined by a blank")
        << QStringList{Labelled(r, "10\r"), "Other\r", Labelled(r, "1111111\r")} << "10\r 1111111";
    QTest::newRow("cut at a line feed") << QStringList{Labelled(r, "1\n1111111\r")} << "1";
    QTest::newRow("label only") << QStringList{"Restrictions\r"} << "";
    QTest::newRow("lower-case word") << QStringList{Labelled("restrictions", "1111111\r")} << "";
    QTest::newRow("word with colon") << QStringList{Labelled("Restrictions:", "1111111\r")} << "";
    QTest::newRow("no lines") << QStringList() << "";
}

void RestrictionsTest::restrictionCode()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, expected);
    QCOMPARE(RestrictionCode(lines), expected);
}

void RestrictionsTest::restrictionText_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("expected");
    const QString r = "Restrictions";
    const QString info = "Some parameter\r";

    QTest::newRow("flags 2 and 7")
        << QStringList{info, Labelled(r, "0100001\r")} << Sentence(S2) + Sentence(S7);
    QTest::newRow("flag 7 without a character after it")
        << QStringList{info, Labelled(r, "0100001")} << Sentence(S2) + Sentence(S7);
    QTest::newRow("all flags") << QStringList{Labelled(r, "1111111\r")}
                               << Sentence(S1) + Sentence(S2) + Sentence(S3) + Sentence(S4) +
                                      Sentence(S5) + Sentence(S6) + Sentence(S7);
    QTest::newRow("seven zeros") << QStringList{Labelled(r, "0000000\r")}
                                 << Sentence("No quality restrictions marked.");
    QTest::newRow("other characters set nothing")
        << QStringList{Labelled(r, "2x1?1\r")} << Sentence(S3) + Sentence(S5);
    QTest::newRow("characters after the seventh ignored")
        << QStringList{Labelled(r, "00000001\r")} << Sentence("No quality restrictions marked.");
    QTest::newRow("two lines: first seven characters of the joined code")
        << QStringList{Labelled(r, "10\r"), Labelled(r, "1111111\r")}
        << Sentence(S1) + Sentence(S5) + Sentence(S6) + Sentence(S7);
    QTest::newRow("tab after the word")
        << QStringList{"Restrictions\t" + QString(11, u' ') + "1\r"} << Sentence(S1);
    QTest::newRow("lower-case word") << QStringList{Labelled("restrictions", "1111111\r")} << "";
    QTest::newRow("word with colon") << QStringList{Labelled("Restrictions:", "1111111\r")} << "";
    QTest::newRow("no restriction line") << QStringList{info, "Variable\r"} << "";
    QTest::newRow("empty code") << QStringList{Labelled(r, "   \r")} << "";
    QTest::newRow("no Info lines") << QStringList() << "";
}

void RestrictionsTest::restrictionText()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, expected);
    QCOMPARE(RestrictionText(lines), expected);
}

void RestrictionsTest::displayLines_data()
{
    const QString header = QStringLiteral("Restrictions in Quality for Exposure Factors (Pandor):");
    QTest::addColumn<QString>("info");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<QStringList>("expected");
    // An Info field as stored: CR LF line ends, the code after the 24-character label.
    const QString flagged = QStringLiteral("Body weight\r\n") +
                            Labelled(QStringLiteral("Restrictions"), QStringLiteral("0100001")) +
                            QStringLiteral("\r\n");
    const QStringList sentences{QStringLiteral("        ") + QLatin1String(S2),
                                QStringLiteral("        ") + QLatin1String(S7)};
    QTest::newRow("row change") << flagged << false << QStringList{header} + sentences;
    QTest::newRow("status bar") << flagged << true << QStringList{header, QString()} + sentences;
    QTest::newRow("no restriction line")
        << QStringLiteral("Body weight\r\n") << false << QStringList{header};
    QTest::newRow("RTF info") << QStringLiteral(
                                     "{\\rtf1\\ansi Body weight\\par Restrictions            "
                                     "1000000\\par}")
                              << false
                              << QStringList{header,
                                             QStringLiteral("        ") + QLatin1String(S1)};
}

void RestrictionsTest::displayLines()
{
    QFETCH(QString, info);
    QFETCH(bool, blank);
    QFETCH(QStringList, expected);
    QCOMPARE(RestrictionDisplayLines(info, blank ? RestrictionLayout::BlankAfterHeader
                                                 : RestrictionLayout::Plain),
             expected);
}

void RestrictionsTest::updateStatusLines_data()
{
    QTest::addColumn<QString>("dataFile");
    QTest::addColumn<QString>("fileType");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("expected");

    const QString mainDate = DateTimeText(m_mainTime);
    const QString fileDate = DateTimeText(m_fileTime);

    QTest::newRow("all parts") << "bw.xml"
                               << "B"
                               << "05.03.2021"
                               << QStringList{"Update status of Veltra data",
                                              "Main Data Set  : " + mainDate,
                                              "Reference File : " + fileDate + "  as bw.xml",
                                              "Updated        : B", "Changed        : 05.03.2021"};
    QTest::newRow("no data file, no change")
        << ""
        << "A"
        << ""
        << QStringList{"Update status of Veltra data", "Main Data Set  : " + mainDate,
                       "Updated        : A"};
    QTest::newRow("empty file type still shown")
        << "bw.xml"
        << ""
        << ""
        << QStringList{"Update status of Veltra data", "Main Data Set  : " + mainDate,
                       "Reference File : " + fileDate + "  as bw.xml", "Updated        : "};
}

void RestrictionsTest::updateStatusLines()
{
    QFETCH(QString, dataFile);
    QFETCH(QString, fileType);
    QFETCH(QString, change);
    QFETCH(QStringList, expected);

    QVERIFY(m_dir.isValid());
    for (const auto& [name, time] : {std::pair{QStringLiteral("daten1a.xml"), m_mainTime},
                                     std::pair{QStringLiteral("bw.xml"), m_fileTime}}) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
    }

    // The file names are plain names looked up in the current directory.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    const QStringList lines = UpdateStatusLines("daten1a.xml", dataFile, fileType, change);
    QDir::setCurrent(previous);
    QCOMPARE(lines, expected);
}

void RestrictionsTest::updateStatusMissingFile_data()
{
    QTest::addColumn<QString>("mainFile");
    QTest::addColumn<QString>("dataFile");
    QTest::addColumn<QString>("missing");
    QTest::newRow("main data set") << "nothere1a.xml"
                                   << ""
                                   << "nothere1a.xml";
    QTest::newRow("data file") << "daten1a.xml"
                               << "gone.xml"
                               << "gone.xml";
}

void RestrictionsTest::updateStatusMissingFile()
{
    QFETCH(QString, mainFile);
    QFETCH(QString, dataFile);
    QFETCH(QString, missing);

    QVERIFY(m_dir.isValid());
    QFile main(m_dir.filePath("daten1a.xml"));
    QVERIFY(main.open(QIODevice::WriteOnly));
    main.close();

    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    QString message;
    try {
        UpdateStatusLines(mainFile, dataFile, "A", "");
    } catch (const VeltraError& error) {
        message = error.message();
    }
    QDir::setCurrent(previous);
    QVERIFY2(message.contains(missing), qPrintable("message: " + message));
}

QTEST_GUILESS_MAIN(RestrictionsTest)
#include "Restrictions_test.moc"
