// The command/parameter table: a data source's description and, per age group, the
// best distributions of its converted GF parameter sets.
#pragma once

#include "util/GeneratorResult.h"

#include <QString>

namespace veltra {

class DataTable;

struct CommandTableOptions
{
    int top = 2;            ///< distributions after the GF line (1 to 5 in the viewer)
    bool excludeGf = false; ///< leave out the GF line (converted line 1)
};

/// The parameter row's texts the table describes.
struct CommandTableSource
{
    QString dataSource; ///< DataSource
    QString variable;   ///< Variable
    QString sex;        ///< SEX
    QString info;       ///< the Info field text (its first line is shown)
};

/// The texts of the parameter table's current row (empty without a current row); throws
/// when the table lacks one of the fields.
CommandTableSource CurrentCommandTableSource(const DataTable& parameters);

/// The command table of the data file's visible rows: "Source     : ", "Variable   : ",
/// "Sex/Gender : " and "Current    : " lines (the last with the first Info line, without
/// its CR), then for each age group with GF lines its caption (as the status bar shows
/// it, AgeGroupAt), the converted lines 0 to top + 1 (line 1 left out with excludeGf; a
/// group with fewer lines lists those it has) and an empty line; a group without GF
/// lines adds nothing. The table's current row is not moved. A conversion that fails
/// stops the table at that group: stopRow is the group's 0-based row, the error names
/// the group and the GF line, the lines of the groups before are kept. A closed data
/// file gives no lines and fails before any row with "No data set selected.".
GeneratorResult GenerateCommandTable(const CommandTableSource& source, const DataTable& dataFile,
                                     const CommandTableOptions& options);

} // namespace veltra
