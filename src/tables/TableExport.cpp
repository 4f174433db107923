#include "tables/TableExport.h"

#include "util/SafeFile.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace veltra {

QString ClipboardText(const QStringList& lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

QStringList ConvertLinesToTabs(const QStringList& lines)
{
    QStringList converted = lines;
    BlanksToTabsLines(converted);
    return converted;
}

void WriteTextLines(const QString& path, const QStringList& lines)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        throw VeltraError(
            QStringLiteral("Cannot write \"%1\": it is not a regular file").arg(path));
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    const QString reason = WriteFileSafely(path, bytes);
    if (!reason.isEmpty())
        throw VeltraError(QStringLiteral("Cannot write \"%1\": %2").arg(path, reason));
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
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw VeltraError(QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
    return TextLines(DecodeText(bytes));
}

} // namespace veltra
