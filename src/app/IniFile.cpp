#include "app/IniFile.h"

#include "util/SafeFile.h"

#include <QFile>

namespace veltra {

namespace {

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

bool IniFile::load(const QString& path)
{
    m_lines.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString content = QString::fromUtf8(file.readAll());
    content.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    content.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList rows = content.split(QLatin1Char('\n'));
    if (!rows.isEmpty() && rows.last().isEmpty())
        rows.removeLast();
    QString section;
    for (const QString& row : rows) {
        const QString trimmed = row.trimmed();
        Line line;
        line.raw = row;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            section = trimmed.mid(1, trimmed.size() - 2).trimmed();
            line.section = section;
        } else {
            line.section = section;
            const qsizetype eq = row.indexOf(QLatin1Char('='));
            if (eq > 0 && !trimmed.startsWith(QLatin1Char(';'))) {
                line.key = row.left(eq).trimmed();
                line.value = row.mid(eq + 1).trimmed();
            }
        }
        m_lines.append(line);
    }
    return true;
}

bool IniFile::save(const QString& path) const
{
    return WriteFileSafely(path, text().toUtf8()).isEmpty();
}

QString IniFile::text() const
{
    QString out;
    for (const Line& line : m_lines) {
        out += line.key.isEmpty() ? line.raw : line.key + QLatin1Char('=') + line.value;
        out += QLatin1Char('\n');
    }
    return out;
}

const IniFile::Line* IniFile::find(const QString& section, const QString& key) const
{
    for (const Line& line : m_lines) {
        if (!line.key.isEmpty() && SameName(line.section, section) && SameName(line.key, key))
            return &line;
    }
    return nullptr;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    const Line* line = find(section, key);
    return line ? line->value : def;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const
{
    const Line* line = find(section, key);
    if (!line)
        return def;
    bool ok = false;
    const int value = line->value.toInt(&ok, 10);
    return ok ? value : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    for (Line& existing : m_lines) {
        if (!existing.key.isEmpty() && SameName(existing.section, section) &&
            SameName(existing.key, key)) {
            existing.value = value;
            return;
        }
    }
    Line line;
    line.section = section;
    line.key = key;
    line.value = value;
    // After the last line of the section, or a new section at the end.
    qsizetype insertAt = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (SameName(m_lines.at(i).section, section))
            insertAt = i + 1;
    }
    if (insertAt < 0) {
        Line header;
        header.section = section;
        header.raw = QLatin1Char('[') + section + QLatin1Char(']');
        m_lines.append(header);
        m_lines.append(line);
        return;
    }
    // Keep blank lines that separate sections after the new key.
    while (insertAt > 0 && m_lines.at(insertAt - 1).key.isEmpty() &&
           m_lines.at(insertAt - 1).raw.trimmed().isEmpty())
        --insertAt;
    m_lines.insert(insertAt, line);
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeInteger(section, key, value ? 1 : 0);
}

} // namespace veltra
