// Splitting texts into lines: CR LF, LF and CR all end a line.
#pragma once

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

} // namespace veltra
