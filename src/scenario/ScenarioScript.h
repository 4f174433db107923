// A scenario as a stand-alone script for R (base R only) or Python (numpy and scipy) that
// reproduces the whole run with the script language's own random numbers: the same
// distributions (database inputs resolved to their fits or observed percentiles for each
// age run), truncation, the formula, Latin hypercube or random sampling, the rank
// correlations by Iman-Conover, and the same percentiles per age run, printed as CSV.
#pragma once

#include "scenario/Scenario.h"

#include <QString>
#include <QStringList>

namespace veltra {

enum class ScriptLanguage
{
    R,
    Python
};

/// The language named "r" or "python" (any case); throws VeltraError for another name.
ScriptLanguage ParseScriptLanguage(const QString& name);

/// The formula in the language, over the inputs as the script keeps them (x[["BW"]] in R,
/// x["BW"] in Python), evaluated element by element on vectors. Throws VeltraError
/// naming the position (1-based) of a token the script cannot express (a comparison, the
/// conditional operator, a function other than the arithmetic ones).
QString TranslateFormula(const QString& formula, const QStringList& names, ScriptLanguage language);

/// The script of the scenario, its database inputs read from databaseDir. The script
/// prints one CSV line per run: group, age_min, age_max, n, mean, sd, the percentiles at
/// SimulationLevels and an error column (a run that cannot be made has only its error).
/// Throws VeltraError for a fault of the whole scenario, as RunScenario does, or for a
/// formula or distribution the language cannot express (naming the input).
QString ScenarioScript(const Scenario& scenario, const QString& databaseDir,
                       ScriptLanguage language);

/// Writes ScenarioScript to path through the program's one file writer; throws VeltraError
/// naming the file when it cannot be written.
void WriteScenarioScript(const QString& path, const Scenario& scenario, const QString& databaseDir,
                         ScriptLanguage language);

} // namespace veltra
