// Fuzz target for the scenario reader and the formula. An input starting with "F" is a
// formula over the names A, B and C: it is compiled, evaluated and, when the value is not
// finite, searched for a division by zero. Any other input is a scenario file: what the
// reader accepts must write and read back to the same bytes, and its user inputs (the
// database inputs replaced by constants) are run for a few iterations with two threads.
// Every fault must be a VeltraError; anything else, a crash or a hang, is a finding.
#include "scenario/Formula.h"
#include "scenario/Scenario.h"
#include "scenario/Simulation.h"
#include "util/VeltraError.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void RunFormula(const QString& text)
{
    try {
        veltra::Formula formula(text,
                                {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        formula.values()[0] = 1.5;
        formula.values()[1] = 0;
        formula.values()[2] = -2;
        if (!std::isfinite(formula.evaluate()))
            formula.divisionByZero();
        formula.usedNames();
    } catch (const veltra::VeltraError&) {
    }
}

void RunScenario(const QByteArray& json)
{
    veltra::Scenario scenario;
    try {
        scenario = veltra::ReadScenario(json, QStringLiteral("fuzz"));
    } catch (const veltra::VeltraError&) {
        return;
    }
    const QByteArray written = veltra::ScenarioJson(scenario);
    const veltra::Scenario again = veltra::ReadScenario(written, QStringLiteral("written"));
    if (veltra::ScenarioJson(again) != written)
        std::abort();
    try {
        QList<veltra::Marginal> marginals;
        for (veltra::ScenarioInput& input : scenario.inputs) {
            if (input.kind == veltra::ScenarioInput::Kind::Database) {
                input.kind = veltra::ScenarioInput::Kind::Constant;
                input.constant = 1;
            }
        }
        scenario.correlations.removeIf([&](const veltra::ScenarioCorrelation& c) {
            return veltra::FindInput(scenario, c.a)->kind ==
                       veltra::ScenarioInput::Kind::Constant ||
                   veltra::FindInput(scenario, c.b)->kind == veltra::ScenarioInput::Kind::Constant;
        });
        for (const veltra::ScenarioInput& input : scenario.inputs)
            marginals << veltra::Marginal::FromUserInput(input);
        veltra::RunOptions options;
        options.iterations = 1 + qint64(scenario.iterations % 64);
        options.threads = 2;
        veltra::SimulateMarginals(scenario, marginals, options);
    } catch (const veltra::VeltraError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (bytes.startsWith('F'))
        RunFormula(QString::fromUtf8(bytes.mid(1)));
    else
        RunScenario(bytes);
    return 0;
}
