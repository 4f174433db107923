// Writing a whole file so that a failure leaves the old file as it was.
#pragma once

#include <QByteArray>
#include <QString>

namespace veltra {

/// Writes bytes to path through a temporary file that replaces the target only when every
/// byte is written. Returns an empty string on success, otherwise the system's reason (a
/// full disk, a missing folder, no permission); the old file is then untouched. Callers
/// put the reason into their own message.
QString WriteFileSafely(const QString& path, const QByteArray& bytes);

} // namespace veltra
