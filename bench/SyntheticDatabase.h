// A large, deterministic reference-value database written into a temporary directory,
// with the fields of the bundled sample, for timing the table engine.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace veltra {

/// Writes topics.xml, para1.xml, daten1a.xml and the data files in the plain data-packet
/// form. The same shape always gives the same bytes. The directory and its files are
/// removed when the object is destroyed.
class SyntheticDatabase
{
public:
    struct Shape
    {
        int headlines = 20;
        int topicsPerHeadline = 50;
        int rowsPerTopic = 20;
        int dataFiles = 500; // distinct data files; parameter rows share them in turn
        int ageGroups = 10;
        int infoLength = 500; // characters of each Info text, about
    };

    /// Generates the database; throws VeltraError when the directory or a file cannot
    /// be written.
    explicit SyntheticDatabase(Shape shape);
    SyntheticDatabase();

    QString dir() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    /// Full path of the parameter table.
    QString parameterTablePath() const { return filePath(QStringLiteral("daten1a.xml")); }
    /// The PS keys of all topics, in file order.
    const QStringList& topicKeys() const { return m_topicKeys; }
    /// The data file names, in the order the parameter rows first use them.
    const QStringList& dataFiles() const { return m_dataFiles; }
    int parameterRows() const { return m_parameterRows; }

private:
    void writeFile(const QString& name, const QByteArray& bytes) const;

    QTemporaryDir m_dir;
    QStringList m_topicKeys;
    QStringList m_dataFiles;
    int m_parameterRows = 0;
};

} // namespace veltra
