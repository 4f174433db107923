// The database the viewer opens at start: the argument, the current folder's, or a copy
// of the installed sample.
#include "app/DatabaseFolder.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace veltra;

namespace {

void Write(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void MakeDatabase(const QString& folder)
{
    for (const char* name : {"topics.xml", "para1.xml", "daten1a.xml", "ef0001.xml"})
        Write(folder + u'/' + QLatin1String(name), QByteArray("<DATAPACKET/>") + name);
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class DatabaseFolderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void choosesTheStartFolder()
    {
        QTemporaryDir root;
        const QString prefix = root.filePath("usr");
        MakeDatabase(prefix + "/share/veltra/sample");
        const QString sample = InstalledSampleFolder(prefix + "/bin");
        QCOMPARE(sample, prefix + "/share/veltra/sample");
        QVERIFY(InstalledSampleFolder(root.filePath("elsewhere/bin")).isEmpty());

        const QString home = root.filePath("home");
        const QString userData = root.filePath("data/Veltra");
        QDir().mkpath(home);

        // An argument and a database in the current folder are opened as they are.
        QCOMPARE(ChooseStartFolder("db", home, sample, userData).folder, home + "/db");
        MakeDatabase(root.filePath("work"));
        const StartFolder inDatabase =
            ChooseStartFolder({}, root.filePath("work"), sample, userData);
        QVERIFY(inDatabase.folder.isEmpty() && inDatabase.protocolLine.isEmpty());
        QVERIFY(ChooseStartFolder({}, home, QString(), userData).folder.isEmpty());

        // A bare start elsewhere opens a writable copy of the sample and says so.
        const StartFolder bare = ChooseStartFolder({}, home, sample, userData);
        QCOMPARE(bare.folder, userData + "/sample");
        QCOMPARE(bare.protocolLine, "No database in the current folder " + home +
                                        ": opened the sample database in " + userData + "/sample");
        QVERIFY(IsDatabaseFolder(bare.folder));
        QCOMPARE(Read(bare.folder + "/ef0001.xml"), QByteArray("<DATAPACKET/>ef0001.xml"));

        // The next start keeps the user's copy, changes included.
        Write(bare.folder + "/daten1a.xml", "changed");
        QCOMPARE(ChooseStartFolder({}, home, sample, userData).folder, bare.folder);
        QCOMPARE(Read(bare.folder + "/daten1a.xml"), QByteArray("changed"));
    }

    void aCopyThatFailsNamesTheFolder()
    {
        QTemporaryDir root;
        MakeDatabase(root.filePath("sample"));
        // A file where the user's data folder should be: the folder cannot be made.
        Write(root.filePath("data"), "a file");
        try {
            ChooseStartFolder({}, root.path(), root.filePath("sample"), root.filePath("data"));
            QFAIL("no error");
        } catch (const VeltraError& error) {
            QCOMPARE(error.message(), "Cannot create the folder " + root.filePath("data/sample"));
        }
    }
};

QTEST_MAIN(DatabaseFolderTest)
#include "DatabaseFolder_test.moc"
