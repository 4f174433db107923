// Reading back the files a test made the program write.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace fixture {

/// The bytes of the file at path. A file that cannot be read gives a text naming it, which
/// no written content equals: a missing file fails a comparison rather than passing for an
/// empty one.
inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "(cannot read " + path.toUtf8() + ")";
    return file.readAll();
}

} // namespace fixture
