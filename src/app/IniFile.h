// A small reader and writer of INI settings files: [Section] lines and Key=Value lines.
#pragma once

#include <QList>
#include <QString>

namespace veltra {

/// The content of one INI file in memory. Sections and keys are matched without regard
/// to case; the file's order is kept and new keys are added at the end of their section
/// (new sections at the end of the file), so a written file reads plainly, e.g.
/// "[Screen]" then "Maximized=1". Lines that are neither sections nor keys are kept.
class IniFile
{
public:
    /// Reads the file; false (and an empty content) when it cannot be read.
    bool load(const QString& path);
    /// Writes the content atomically; false when the file cannot be written.
    bool save(const QString& path) const;

    /// The value's text; def when the key is missing.
    QString readString(const QString& section, const QString& key, const QString& def) const;
    /// The value read as a decimal integer; def when missing or not an integer.
    int readInteger(const QString& section, const QString& key, int def) const;
    /// A truth value stored as an integer: non-zero is true; def when missing or invalid.
    bool readBool(const QString& section, const QString& key, bool def) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

    QString text() const;

private:
    struct Line
    {
        QString section; // the section the line belongs to
        QString key;     // empty for section headers and other lines
        QString value;
        QString raw; // the line as read, for headers and other lines
    };
    const Line* find(const QString& section, const QString& key) const;

    QList<Line> m_lines;
};

} // namespace veltra
