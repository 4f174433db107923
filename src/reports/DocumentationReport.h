// The documentation report of a parameter row: its Info text, its formatted result
// table, its command/parameter summary and, for every age group of its data file, the
// GF approximation, the converted GF parameter sets, the moments and the quantiles.
#pragma once

#include "tables/CommandTable.h"
#include "tables/ResultTable.h"
#include "util/GeneratorResult.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <memory>

class QTextDocument;

namespace veltra {

class ReferenceDatabase;

/// The line that ends a report whose building failed, followed by the error's text; the
/// viewer writes the same line to the protocol log.
inline constexpr const char* ReportIncompleteText = "*** Report incomplete: ";

/// The report's own font: the lines it adds and every block without a font of its own
/// are set in it. Both front ends use it, so the files they write are the same.
/// "Courier New" at 9 points (12 pixels on a 96 dpi screen), a typewriter face where
/// the system has no font of that name.
QFont ReportFont();

struct ReportOptions
{
    /// The formatted table's settings; the form is always Formatted. fieldNames are the
    /// browser's DataFieldNames (the viewer's, upper-cased after a CSV table), checked
    /// the variable list's marks.
    ResultTableOptions table;
    /// The command/parameter table's settings.
    CommandTableOptions commandTable;
    /// The document's default font.
    QFont font = ReportFont();
};

struct ReportResult
{
    /// The report. Never null.
    std::unique_ptr<QTextDocument> document;
    /// The formatted result table as the "Parameter Table" tab shows it. Failed before
    /// any row with "No selected data set." when the data file is not open; no lines and
    /// complete when the row has no data file path (nothing was generated).
    GeneratorResult table;
    /// The command/parameter table shown in the summary (no lines when the data file is
    /// not open).
    GeneratorResult commandTable;
    /// Why the report stopped; its last line is ReportIncompleteText + error. Empty when
    /// the report is complete.
    QString error;

    /// The data file the report is about, as its title names it; empty when the row has
    /// none (the report is its title only).
    QString dataFilePath;
    /// The row has a data file path but its data file is not open: the report holds
    /// the table command's message in place of the table, no sections, and ends as
    /// incomplete; the table command's message is due.
    bool dataFileNotOpen = false;

    bool complete() const { return error.isEmpty(); }
};

/// Builds the documentation report of the database's current parameter row and its
/// connected data file, in this order:
///   "Data Documentation : " + dataFilePath(), an empty line; when dataFilePath() is not
///   empty and the row names a data file (dataFileName(); a row without one gets no path
///   and nothing more): the Info block (empty line, the Info text with its formatting, empty line),
///   the table block (empty line, the formatted result table, empty line), the summary
///   (dash line, "SUMMARY (distrib. parameters)", empty line, "Current : " + first Info
///   line, empty line, the command/parameter table, empty line), then for each age group
///   from the first row to the last its sections: GF raw and GF transformed (when the
///   data file has a field GeneralF, in any case), MOMENTS, QUANTILES (likewise). A
///   section is its header (dash line, content text, the group's caption, the title, an
///   empty line), the block and an empty line. A block with no text adds nothing; every
///   block and every added line starts a paragraph of its own.
/// A data file that is not open gives "No selected data set." as the table block, no
/// command table and no sections, and ends the report after the summary with
/// ReportIncompleteText + why: the data file "PATH" does not exist, or the reader's
/// message. Every paragraph is marked with its ReportBlockKind and block number
/// (util/PageSetup.h) for the printed forms; the default tab width is half an inch. A
/// failing table or GF conversion ends the report after the lines made so far with
/// ReportIncompleteText + the error (which names the age group and GF line).
/// The data file's current row is not moved; nothing is copied through the clipboard.
ReportResult BuildDocumentationReport(const ReferenceDatabase& db, const ReportOptions& options);

/// The report's lines as a plain text view shows them: one per paragraph and per
/// forced line break; an empty document has none.
QStringList ReportPlainLines(const QTextDocument& document);

} // namespace veltra
