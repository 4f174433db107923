// The texts of one age group of a data file, read once for the views, the
// "Selected Functions" view and the report.
#pragma once

#include "util/GeneratorResult.h"

#include <QString>
#include <QStringList>

namespace veltra {

class DataTable;

/// What the browser shows of the data file's current age-group row.
struct AgeGroupTexts
{
    /// The status bar's age-group text: "Group:" + AGEGRP, then " Age: " + AGEMin + " - "
    /// when the file has AGEMin, then AGEMax when it has AGEMax ("Group:3 Age: 6 - 10");
    /// "Group: undef." for a file without AGEGRP.
    QString caption;
    /// The lines of GENERALF (CR LF, LF and CR end a line); empty without the field.
    QStringList gfLines;
    QString moments;   ///< MOMENTS
    QString quantiles; ///< QUANTILES
};

/// The texts of the table's current row; every text is empty when the table is closed
/// or shows no row (the caption still follows the file's fields).
AgeGroupTexts CurrentAgeGroup(const DataTable& dataFile);
/// The texts of the table's visible row `row` (0-based); empty texts outside the rows.
AgeGroupTexts AgeGroupAt(const DataTable& dataFile, int row);

/// The status bar's content text of a parameter row: "Current : " + its first Info line.
QString CurrentContentText(const QString& infoFieldText);

/// The "Selected Functions" view for an age group: contentText (the status bar's
/// content text), two blanks and the group's caption; an empty line; the conversion
/// of the group's GF lines. When the conversion stops, the lines so far are kept and
/// stopRow names the failing GF line.
GeneratorResult SelectedFunctions(const QString& contentText, const AgeGroupTexts& group);

} // namespace veltra
