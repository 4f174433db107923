// The editing functions of the "&Database" menu: the copy of the information page, the
// paste into it, and the two save commands with the update markers they set. The save
// commands run on tables opened for writing (the browser opens them read-only, where
// the commands fail and change nothing). That a saved parameter table, and only that,
// has the next search build its index again is tested with the search window.
#include "../common/Actions.h"
#include "../common/TestFiles.h"
#include "GuiFixture.h"

#include "data/DataTable.h"
#include "util/LocaleText.h"
#include "widgets/DbRichText.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextCursor>

using fixture::Child;
using fixture::Session;
using veltra::DataTable;
using veltra::TForm1;

namespace {

const QString Utf8Declaration =
    QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>");
const QString OldChange = QStringLiteral("01.01.2001");

const QString RtfInfo = QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}}"
                                       "\\pard\\f0\\b Bold words\\b0  and plain ones\\par\n"
                                       "Variable\\tab VR\\par\n}");

/// The browser started on a parameter table made for editing: one row per FileType
/// letter (Variable "V" + the letter, "V0" for none), all on the data file abc.dbf, a row
/// without data file (VN) and a row with rich text Info (VR). Data files and the saved
/// tables go to RunDir, a folder with a "." in its name; the hierarchy files are read
/// from the current folder.
struct EditSession : Session
{
    QString runDir;

    EditSession()
    {
        runDir = dir.filePath(QStringLiteral("db.v2"));
        QDir().mkpath(runDir);
        const fixture::Fields fields = {
            {"PS", "string"},       {"Variable", "string"},   {"Agemin", "string"},
            {"Agemax", "string"},   {"SEX", "string"},        {"DataSource", "string"},
            {"DataFile", "string"}, {"RSTRC", "string"},      {"ID", "i4"},
            {"Info", "bin.hex"},    {"VARLABELS", "bin.hex"}, {"FileType", "string"},
            {"Change", "string"}};
        QList<QStringList> rows;
        int id = 0;
        for (const char* code : {"0", "A", "B", "C", "D", "X"}) {
            const QString letter = QLatin1String(code);
            const QString variable = QStringLiteral("V") + letter;
            rows.append({"B1", variable, "0", "80", "M", "Alpha Survey", "abc.dbf", "A",
                         QString::number(++id),
                         QStringLiteral("Körpergewicht ") + variable + QStringLiteral("\r\n"), "",
                         letter == QLatin1String("0") ? QString() : letter, OldChange});
        }
        rows.append({"B1", "VN", "0", "80", "M", "Beta Survey", "", "A", "7", "No data row\r\n", "",
                     "", OldChange});
        rows.append({"B1", "VR", "0", "80", "M", "Gamma Survey", "abc.dbf", "A", "8", RtfInfo, "",
                     "", OldChange});
        fixture::WriteFile(dir.filePath(QStringLiteral("daten1a.xml")),
                           fixture::Packet(fields, rows));
        fixture::WriteFile(
            dataFile(),
            fixture::Packet({{"AGEGRP", "string"}, {"NOBS", "i4"}, {"GENERALF", "bin.hex"}},
                            {{"Gruppe ä", "120", fixture::GfLines}, {"2", "98", ""}}));
    }
    QString dataFile() const { return runDir + QStringLiteral("/abc.dbf"); }
    QString savedParameters() const { return runDir + QStringLiteral("/daten1a.xml"); }
    QString savedDataSet() const { return runDir + QStringLiteral("/abc.xml"); }

    TForm1& startOn(const QString& variable, bool writable)
    {
        form = std::make_unique<TForm1>(exePath(), runDir);
        form->Guard().setReporter([this](const QString& message) { errors << message; });
        form->SetBeeper([this] { ++beeps; });
        form->show();
        if (writable) {
            form->Database().parameters().setReadOnly(false);
            form->Database().dataFile().setReadOnly(false);
        }
        if (!clickRow("dbgSources", variable))
            qWarning("no row %s", qPrintable(variable));
        return *form;
    }
    QString current(const char* field) const
    {
        return form->Database().parameters().fieldText(QLatin1String(field));
    }
};

enum Save
{
    SaveChanges,
    SaveInDataSet
};

void RunSave(TForm1& form, Save save)
{
    // The entries are hidden or disabled; the handlers run through the guard as a
    // triggered entry would.
    fixture::runHandler(form, save == SaveChanges ? "Savechanges1" : "Savechangesindataset1");
}

using fixture::ReadBytes;

/// The values of every field of a saved table's row with that Variable.
QString SavedValue(const QString& path, const QString& variable, const QString& field)
{
    DataTable table;
    table.loadFromFile(path);
    for (table.first(); !table.eof(); table.next()) {
        if (table.fieldText(QStringLiteral("Variable")) == variable)
            return table.fieldText(field);
    }
    return QStringLiteral("(no row)");
}

QList<QStringList> AllRows(const QString& path)
{
    DataTable table;
    table.loadFromFile(path);
    QList<QStringList> rows;
    for (int row = 0; row < table.recordCount(); ++row) {
        QStringList values;
        for (int field = 0; field < table.fieldCount(); ++field)
            values << table.value(row, field);
        rows << values;
    }
    return rows;
}

} // namespace

class EditingTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void infoPageToClipboard_data();
    void infoPageToClipboard();
    void pasteChangesNothingOnTheReadOnlyView();
    void saveMarksTheRow_data();
    void saveMarksTheRow();
    void failuresChangeNothing_data();
    void failuresChangeNothing();
    void failedWriteIsReported_data();
    void failedWriteIsReported();
};

void EditingTest::infoPageToClipboard_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::newRow("Ctrl+I") << true;
    QTest::newRow("menu entry") << false;
}

void EditingTest::infoPageToClipboard()
{
    QFETCH(bool, byKey);
    EditSession s;
    TForm1& form = s.startOn(QStringLiteral("VR"), false);
    QVERIFY(Child<veltra::DbRichText>(form, "dbmInfo")
                ->toPlainText()
                .startsWith(QStringLiteral("Bold words and plain ones")));
    QGuiApplication::clipboard()->clear();

    if (byKey) {
        Child<veltra::DbGrid>(form, "dbgSources")->setFocus();
        QTest::keyClick(Child<veltra::DbGrid>(form, "dbgSources"), Qt::Key_I, Qt::ControlModifier);
    } else {
        auto* action = Child<QAction>(form, "InfoPagetoClipboard1");
        action->trigger();
    }
    QVERIFY(s.errors.isEmpty());
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    QVERIFY(copied);
    QCOMPARE(copied->text(), Child<veltra::DbRichText>(form, "dbmInfo")->toPlainText());
    QVERIFY(copied->hasHtml());
    // The formatted form keeps the bold words.
    QVERIFY2(copied->html().contains(QStringLiteral("font-weight")), qPrintable(copied->html()));
    QVERIFY(copied->html().contains(QStringLiteral("Bold words")));
    // The whole text stays selected.
    const QTextCursor cursor = Child<veltra::DbRichText>(form, "dbmInfo")->textCursor();
    QCOMPARE(cursor.selectionStart(), 0);
    QCOMPARE(cursor.selectionEnd(),
             Child<veltra::DbRichText>(form, "dbmInfo")->document()->characterCount() - 1);
}

void EditingTest::pasteChangesNothingOnTheReadOnlyView()
{
    EditSession s;
    TForm1& form = s.startOn(QStringLiteral("VA"), false);
    const QString shown = Child<veltra::DbRichText>(form, "dbmInfo")->toPlainText();
    QVERIFY(!shown.isEmpty());
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted over the page"));

    fixture::runHandler(form, "PasteClipboardToInfopage1");
    QVERIFY(s.errors.isEmpty());
    QCOMPARE(Child<veltra::DbRichText>(form, "dbmInfo")->toPlainText(), shown);
    QCOMPARE(s.current("Info"), QStringLiteral("Körpergewicht VA\r\n"));
    QCOMPARE(form.Database().parameters().changeCount(), 0);
}

void EditingTest::saveMarksTheRow_data()
{
    QTest::addColumn<int>("save");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QList<QPair<QString, QString>> changes = {{"", "A"},  {"A", "A"}, {"B", "C"},
                                                    {"C", "C"}, {"D", ""},  {"X", "X"}};
    const QList<QPair<QString, QString>> dataSet = {{"", "B"},  {"A", "C"}, {"B", "B"},
                                                    {"C", "C"}, {"D", "D"}, {"X", "X"}};
    for (const auto& [before, after] : changes)
        QTest::addRow("save changes, FileType \"%s\"", qPrintable(before))
            << int(SaveChanges) << before << after;
    for (const auto& [before, after] : dataSet)
        QTest::addRow("save in data set, FileType \"%s\"", qPrintable(before))
            << int(SaveInDataSet) << before << after;
}

void EditingTest::saveMarksTheRow()
{
    QFETCH(int, save);
    QFETCH(QString, before);
    QFETCH(QString, after);
    const QString variable =
        QStringLiteral("V") + (before.isEmpty() ? QStringLiteral("0") : before);
    EditSession s;
    TForm1& form = s.startOn(variable, true);
    QCOMPARE(s.current("FileType"), before);
    const QStringList logBefore = s.log();
    const QDate firstDay = QDate::currentDate();

    RunSave(form, Save(save));
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(QLatin1Char('\n'))));
    // The date of the save, in the system's short date format where that fits the field's
    // ten characters, else as ISO date (the day may turn meanwhile). Under the tests' C
    // locale the short date has eleven characters.
    const QString date = s.current("Change");
    QVERIFY2(date == veltra::ChangeDateText(firstDay, QLocale::system()) ||
                 date == veltra::ChangeDateText(QDate::currentDate(), QLocale::system()),
             qPrintable(date));
    QVERIFY2(date.size() <= 10, qPrintable(date));
    QCOMPARE(s.current("Variable"), variable);
    QCOMPARE(s.current("FileType"), after);
    QVERIFY(!form.Database().parameters().isEditing());
    const QStringList added = s.log().mid(logBefore.size());
    QCOMPARE(added.size(), 1);
    QCOMPARE(s.log().mid(0, logBefore.size()), logBefore);

    if (save == SaveChanges) {
        QCOMPARE(added.first(), QStringLiteral("Saving changes for : ") + s.savedParameters());
        QCOMPARE(form.Database().parameters().changeCount(), 0);
        const QByteArray bytes = ReadBytes(s.savedParameters());
        QVERIFY(bytes.startsWith(Utf8Declaration.toUtf8()));
        QVERIFY(bytes.contains(QStringLiteral("Körpergewicht").toUtf8()));
        QVERIFY(!bytes.contains("RowState"));
        QCOMPARE(SavedValue(s.savedParameters(), variable, QStringLiteral("FileType")), after);
        QCOMPARE(SavedValue(s.savedParameters(), variable, QStringLiteral("Change")), date);
        // Every row is saved, not only those the filter shows; the others as they were.
        QCOMPARE(AllRows(s.savedParameters()).size(),
                 AllRows(s.dir.filePath(QStringLiteral("daten1a.xml"))).size());
        QCOMPARE(SavedValue(s.savedParameters(), QStringLiteral("VN"), QStringLiteral("Change")),
                 OldChange);
        QVERIFY(!QFile::exists(s.savedDataSet()));
    } else {
        // The protocol line has the system's short date, whatever its length.
        const QString start =
            QStringLiteral("Data set ") + s.savedDataSet() + QStringLiteral(" updated: ");
        QVERIFY2(added.first().startsWith(start), qPrintable(added.first()));
        const QString shownDate =
            added.first().mid(start.size()).section(QStringLiteral(" /"), 0, 0);
        QVERIFY2(shownDate == veltra::ShortDateText(firstDay) ||
                     shownDate == veltra::ShortDateText(QDate::currentDate()),
                 qPrintable(added.first()));
        const QString prefix = start + shownDate + QStringLiteral(" /");
        const QString time = added.first().mid(prefix.size());
        const QString longTime =
            veltra::RemoveTimeZoneFormat(QLocale::system().timeFormat(QLocale::LongFormat));
        QVERIFY2(QLocale::system().toTime(time, longTime).isValid(), qPrintable(time));
        QVERIFY(!QFile::exists(s.savedParameters()));
        const QByteArray bytes = ReadBytes(s.savedDataSet());
        QVERIFY(bytes.startsWith(Utf8Declaration.toUtf8()));
        QVERIFY(bytes.contains(QStringLiteral("Gruppe ä").toUtf8()));
        QCOMPARE(AllRows(s.savedDataSet()), AllRows(s.dataFile()));
    }
}

void EditingTest::failuresChangeNothing_data()
{
    QTest::addColumn<int>("save");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("reason");
    QTest::newRow("save changes, read-only") << int(SaveChanges) << "VB" << false << "read-only";
    QTest::newRow("save in data set, read-only")
        << int(SaveInDataSet) << "VB" << false << "read-only";
    QTest::newRow("save in data set, no data file")
        << int(SaveInDataSet) << "VN" << true << "no data file is connected";
}

void EditingTest::failuresChangeNothing()
{
    QFETCH(int, save);
    QFETCH(QString, variable);
    QFETCH(bool, writable);
    QFETCH(QString, reason);
    EditSession s;
    TForm1& form = s.startOn(variable, writable);
    QCOMPARE(s.current("Variable"), variable);
    const QString fileType = s.current("FileType");
    const QStringList logBefore = s.log();
    const QStringList filesBefore = QDir(s.runDir).entryList(QDir::Files);

    RunSave(form, Save(save));
    QCOMPARE(s.errors.size(), 1);
    QVERIFY2(s.errors.first().contains(reason), qPrintable(s.errors.first()));
    QCOMPARE(s.current("Variable"), variable);
    QCOMPARE(s.current("FileType"), fileType);
    QCOMPARE(s.current("Change"), OldChange);
    QVERIFY(!form.Database().parameters().isEditing());
    QCOMPARE(form.Database().parameters().changeCount(), 0);
    QCOMPARE(s.log(), logBefore);
    QCOMPARE(QDir(s.runDir).entryList(QDir::Files), filesBefore);
}

void EditingTest::failedWriteIsReported_data()
{
    QTest::addColumn<int>("save");
    QTest::addColumn<QString>("target");
    QTest::newRow("save changes") << int(SaveChanges) << "daten1a.xml";
    QTest::newRow("save in data set") << int(SaveInDataSet) << "abc.xml";
}

void EditingTest::failedWriteIsReported()
{
    QFETCH(int, save);
    QFETCH(QString, target);
    EditSession s;
    // A folder where the file is to be written: the save cannot replace it.
    QVERIFY(QDir(s.runDir).mkdir(target));
    TForm1& form = s.startOn(QStringLiteral("VA"), true);

    RunSave(form, Save(save));
    QCOMPARE(s.errors.size(), 1);
    const QString path = s.runDir + QLatin1Char('/') + target;
    QVERIFY2(s.errors.first().contains(path), qPrintable(s.errors.first()));
    QVERIFY(QFileInfo(path).isDir());
    for (const QString& line : s.log())
        QVERIFY2(!line.startsWith(QStringLiteral("Data set ")), qPrintable(line));
}

QTEST_MAIN(EditingTest)
#include "Editing_test.moc"
