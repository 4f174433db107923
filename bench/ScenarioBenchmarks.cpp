// Timings of Monte Carlo scenario runs: one million iterations of a five-input model (two
// GF fits, a lognormal, a triangular, a constant) for one age group, with one and two
// threads; one million draws of a GF fit through its interpolation table and through
// Boost's inverse; building the table.
#include "scenario/Marginal.h"
#include "scenario/Simulation.h"

#include <benchmark/benchmark.h>

namespace {

using namespace veltra;

GfFit GeneralF(double lambda, double p)
{
    GfFit fit;
    fit.family = FitFamily::GeneralF;
    fit.typeName = QStringLiteral("GeneralF");
    fit.m1 = fit.m2 = 100;
    fit.lambda = lambda;
    fit.p = p;
    return fit;
}

const QByteArray FiveInputs = R"({"schema": 1, "formula": "C * IR * F * EF / BW",
    "iterations": 1000000, "seed": 20261211, "inputs": [
    {"name": "BW", "distribution": "generalf", "q": 0, "m1": 100, "m2": 100,
     "lambda": 0.0138965, "p": 0.88601},
    {"name": "IR", "distribution": "generalf", "q": 0, "m1": 100, "m2": 100,
     "lambda": 0.0863584, "p": 0.877209},
    {"name": "C", "distribution": "lognormal", "gm": 30, "gsd": 2.5},
    {"name": "F", "distribution": "triangular", "min": 0.1, "mode": 0.5, "max": 1},
    {"name": "EF", "constant": 0.8}]})";

void BM_FiveInputScenario(benchmark::State& state)
{
    const Scenario scenario = ReadScenario(FiveInputs, QStringLiteral("bench"));
    QList<Marginal> marginals;
    for (const ScenarioInput& input : scenario.inputs)
        marginals << Marginal::FromUserInput(input);
    RunOptions options;
    options.threads = int(state.range(0));
    for (auto _ : state) {
        const RunResult run = SimulateMarginals(scenario, marginals, options);
        benchmark::DoNotOptimize(run.percentiles);
    }
    state.SetItemsProcessed(state.iterations() * scenario.iterations);
}
BENCHMARK(BM_FiveInputScenario)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GfDraws(benchmark::State& state)
{
    Marginal marginal = Marginal::FromFit(GeneralF(0.0138965, 0.88601));
    if (state.range(0))
        marginal.tabulate();
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < 100000; ++i)
            sum += marginal.quantile(CounterUniform(1, 0, quint64(i)));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 100000);
    state.SetLabel(state.range(0) ? "table" : "Boost inverse");
}
BENCHMARK(BM_GfDraws)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_GfTable(benchmark::State& state)
{
    for (auto _ : state) {
        Marginal marginal = Marginal::FromFit(GeneralF(0.0138965, 0.88601));
        marginal.tabulate();
        benchmark::DoNotOptimize(marginal);
    }
}
BENCHMARK(BM_GfTable)->Unit(benchmark::kMillisecond);

} // namespace
