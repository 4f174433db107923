// Getting tables out: the text for the clipboard, the spreadsheet form with TABs
// between cells, and text files written whole or not at all.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace veltra {

/// The lines as one text for the clipboard, joined by CR LF (no line break after the
/// last line).
QString ClipboardText(const QStringList& lines);

/// The spreadsheet form of the lines (BlanksToTabs on every line): every "," becomes a
/// blank, the line is trimmed and every run of blanks becomes one TAB.
QStringList ConvertLinesToTabs(const QStringList& lines);

/// Writes the lines as UTF-8, each ended by CR LF, through WriteFileSafely: a failed
/// write leaves the old file whole. An empty list writes an empty file. A target that
/// exists and is not a regular file (after symbolic links) is refused. Throws
/// VeltraError naming the file and the reason.
void WriteTextLines(const QString& path, const QStringList& lines);

/// The text of a file written by another program: UTF-8 when the bytes are valid
/// UTF-8 (a byte order mark is dropped), otherwise the Windows-1252 code page of stored
/// files.
QString DecodeText(const QByteArray& bytes);

/// The largest text file read (format files, GF line files): 4 MiB, far beyond any
/// format or list of GF lines written by hand.
constexpr qint64 kMaxTextFileSize = qint64(4) << 20;

/// The lines of a text file (DecodeText; CR LF, LF or CR end a line, a line break at
/// the end opens no further line). Only a regular file of at most kMaxTextFileSize
/// bytes is read. Throws VeltraError naming the file and the reason.
QStringList ReadTextLines(const QString& path);

} // namespace veltra
