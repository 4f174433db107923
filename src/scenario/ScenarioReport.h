// The report of a scenario run, for the report writers (RTF and PDF): the scenario, its
// inputs with their sources, the correlations, the result table per age run and, per run,
// what each input was drawn from and the sensitivities. It uses the documentation
// report's font and block marks, so paper, fonts and fixed-pitch tables follow it.
#pragma once

#include "scenario/Simulation.h"
#include "util/PageSetup.h"

#include <QString>
#include <memory>

class QTextDocument;

namespace veltra {

/// The report as a document; every number as the text output shows it (six significant
/// digits).
std::unique_ptr<QTextDocument> BuildScenarioReport(const SimulationResult& result);

/// Writes the report to path: PDF for a path ending in ".pdf" (any case), RTF otherwise.
/// Throws VeltraError naming the file when it cannot be written.
void WriteScenarioReport(const SimulationResult& result, const QString& path, PaperSize paper);

} // namespace veltra
