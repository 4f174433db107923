#include "util/SafeFile.h"

#include <QSaveFile>

namespace veltra {

QString WriteFileSafely(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Unbuffered, so that a failing write (a full disk) reports the system's reason at once
    // instead of in a flush that the commit does not check.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return reason;
        }
        written += n;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace veltra
