// The results of a scenario run as the viewer and veltra-cli show and save them: text
// lines, JSON and CSV.
#pragma once

#include "scenario/Simulation.h"
#include "util/Workbook.h"

#include <QByteArray>
#include <QStringList>

namespace veltra {

/// The column label of a level: "P01", "P97.5", "P99.9".
QString LevelLabel(double level);

/// The result as the viewer's result view and `simulate --format text` show it: a head
/// (scenario, iterations, seed, sampling), then one block per run.
QStringList SimulationLines(const SimulationResult& result);

/// The result as JSON: "schema", "name", "seed", "iterations", "sampling", "runs" (one
/// object a run: "group", "age_min", "age_max", "n", "mean", "sd", "percentiles" keyed
/// "0.01" ... "0.999", "ci", "sensitivity", "achieved", "sources", or "error"). The time
/// taken is left out, so the same scenario and seed give the same bytes.
QByteArray SimulationJson(const SimulationResult& result);

/// The result table as CSV: a header line, then one line a run.
QByteArray SimulationCsv(const SimulationResult& result);

/// The header and the rows of the result table (the CSV's cells and the workbook's).
QStringList SimulationTableHeader();
QList<QStringList> SimulationTableRows(const SimulationResult& result);

/// The result as workbook sheets: "Results" (the result table, numbers as numeric cells)
/// and "Inputs" (per run, what each input was drawn from).
QList<WorkbookSheet> SimulationWorkbook(const SimulationResult& result);

} // namespace veltra
