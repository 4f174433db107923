// Reading and writing the settings file format.
#include "app/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using veltra::IniFile;

class IniFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readValues_data();
    void readValues();
    void writeKeepsOtherContent();
    void unreadableAndUnwritable();
};

void IniFileTest::readValues_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("integer"); // [Screen] Maximized, default -1
    QTest::addColumn<bool>("truth");  // the same key as a truth value, default true

    QTest::newRow("one") << QByteArray("[Screen]\nMaximized=1\n") << 1 << true;
    QTest::newRow("zero") << QByteArray("[Screen]\r\nMaximized=0\r\n") << 0 << false;
    QTest::newRow("any non-zero") << QByteArray("[Screen]\nMaximized=-3\n") << -3 << true;
    QTest::newRow("blanks and case") << QByteArray(" [screen] \n maximized = 2 \n") << 2 << true;
    QTest::newRow("not an integer") << QByteArray("[Screen]\nMaximized=yes\n") << -1 << true;
    QTest::newRow("empty value") << QByteArray("[Screen]\nMaximized=\n") << -1 << true;
    QTest::newRow("other section") << QByteArray("[Order]\nMaximized=0\n") << -1 << true;
    QTest::newRow("comment") << QByteArray("[Screen]\n;Maximized=0\n") << -1 << true;
}

void IniFileTest::readValues()
{
    QFETCH(QByteArray, content);
    QFETCH(int, integer);
    QFETCH(bool, truth);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.INI"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    IniFile ini;
    QVERIFY(ini.load(path));
    QCOMPARE(ini.readInteger(QStringLiteral("Screen"), QStringLiteral("Maximized"), -1), integer);
    QCOMPARE(ini.readBool(QStringLiteral("Screen"), QStringLiteral("Maximized"), true), truth);
}

void IniFileTest::writeKeepsOtherContent()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.INI"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("; settings\n[Order]\nRestrict=0.1 0.2\nOther=x\n\n[Keep]\nA=1\n");
    file.close();

    IniFile ini;
    QVERIFY(ini.load(path));
    ini.writeString(QStringLiteral("order"), QStringLiteral("RESTRICT"), QStringLiteral("15 5"));
    ini.writeBool(QStringLiteral("Order"), QStringLiteral("New"), true);
    ini.writeInteger(QStringLiteral("Screen"), QStringLiteral("Maximized"), 0);
    QVERIFY(ini.save(path));

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral("; settings\n[Order]\nRestrict=15 5\nOther=x\nNew=1\n\n[Keep]\nA=1\n"
                            "[Screen]\nMaximized=0\n"));
}

void IniFileTest::unreadableAndUnwritable()
{
    QTemporaryDir dir;
    IniFile ini;
    QVERIFY(!ini.load(dir.filePath(QStringLiteral("missing.INI"))));
    QCOMPARE(ini.readString(QStringLiteral("Order"), QStringLiteral("Restrict"),
                            QStringLiteral("default")),
             QStringLiteral("default"));
    ini.writeBool(QStringLiteral("Screen"), QStringLiteral("Maximized"), true);
    QVERIFY(!ini.save(dir.filePath(QStringLiteral("no/such/folder/a.INI"))));
}

QTEST_GUILESS_MAIN(IniFileTest)
#include "IniFile_test.moc"
