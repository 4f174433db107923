// Writing a whole file so that a failure leaves the old file as it was. Every file the
// program writes goes through this routine.
#pragma once

#include <QByteArray>
#include <QString>

namespace veltra {

/// Writes bytes to path through a temporary file in the target's folder that replaces the
/// target only when every step succeeded: each write (short writes and interrupted calls
/// continued), fdatasync of the file, close, rename over the target, fsync of the folder.
/// A target that exists and is not a regular file after symbolic links (a folder, FIFO or
/// device) is refused; a symbolic link to a regular file has that file replaced and stays
/// a link. Returns an empty string on success, otherwise the reason (the system's text
/// for a failing call); the old file is then whole and no temporary file is left.
/// Callers that report the failure use WriteFailureMessage for its one form.
QString WriteFileSafely(const QString& path, const QByteArray& bytes);

/// The one form of a write failure's message: cannot write "PATH": REASON.
QString WriteFailureMessage(const QString& path, const QString& reason);

/// WriteFileSafely, throwing VeltraError with WriteFailureMessage when it fails.
void WriteFileOrThrow(const QString& path, const QByteArray& bytes);

/// What a path that exists and is not a regular file is, after symbolic links:
/// "a folder", "a FIFO", "a character device", ...; empty for a regular file or a path
/// that does not exist.
QString NonRegularFileKind(const QString& path);

} // namespace veltra
