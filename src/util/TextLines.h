// Splitting texts into lines (CR LF, LF and CR all end a line), and text files read
// and written line by line.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace veltra {

/// The lines of a text: CR LF, LF and CR each end a line; a line break at the very end
/// opens no further line; an empty text has no lines.
QStringList TextLines(const QString& text);

/// The lines of a plain text view (QPlainTextEdit/QTextEdit text, paragraphs joined by
/// LF or U+2029); an empty view has no lines.
QStringList ViewLines(const QString& viewText);

/// The lines a plain text view shows when lines are put into it joined by LF: a CR LF,
/// CR or LF inside a line (a memo value) ends a shown line there too.
QStringList ShownLines(const QStringList& lines);

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
