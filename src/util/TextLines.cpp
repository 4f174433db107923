#include "util/TextLines.h"

#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace veltra {

QStringList TextLines(const QString& text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            lines.append(line);
            line.clear();
        } else {
            line.append(c);
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

QStringList ShownLines(const QStringList& lines)
{
    QStringList shown;
    for (const QString& line : lines) {
        // A trailing break opens one more (empty) line in the view, which TextLines drops.
        shown << TextLines(line + QLatin1Char('\n'));
    }
    return shown;
}

QStringList ViewLines(const QString& viewText)
{
    if (viewText.isEmpty())
        return {};
    QString text = viewText;
    text.replace(QChar(0x2029), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

void WriteTextLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    WriteFileOrThrow(path, bytes);
}

QString DecodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1252("windows-1252");
    if (cp1252.isValid())
        return cp1252(bytes);
    // Without the code page in the platform's converters, Latin-1 is the closest reading.
    return QString::fromLatin1(bytes);
}

QStringList ReadTextLines(const QString& path)
{
    const QFileInfo source(path);
    if (source.exists() && !source.isFile())
        throw VeltraError(QStringLiteral("Cannot read \"%1\": it is not a regular file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw VeltraError(QStringLiteral("Cannot open \"%1\": %2").arg(path, file.errorString()));
    // Read one byte beyond the limit, so that a file growing meanwhile is caught too.
    const QByteArray bytes = file.read(kMaxTextFileSize + 1);
    if (bytes.size() > kMaxTextFileSize)
        throw VeltraError(QStringLiteral("Cannot read \"%1\": it has more than the limit of %2 "
                                         "bytes (4 MiB) for a text file")
                              .arg(path)
                              .arg(kMaxTextFileSize));
    if (file.error() != QFileDevice::NoError)
        throw VeltraError(QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
    return TextLines(DecodeText(bytes));
}

} // namespace veltra
