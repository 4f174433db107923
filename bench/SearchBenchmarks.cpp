// Timings of the keyword search on the synthetic database of 20,000 parameter rows: one
// complete index generation (the three hierarchy tables and the index loaded, the index
// filled and written, both keyword lists and the folded Info texts made), which should
// take under 250 ms, and a search of three terms and an excluded term over every Info
// text with the search window's filter options through the search's folded texts, which
// should take under 10 ms (and, for comparison, through the table's own filter). Collecting 300,000
// distinct keyword phrases into a keyword list, each looked up first as the generation does, should
// take under 2 s.
#include "SyntheticDatabase.h"

#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "search/SearchFilter.h"
#include "search/SearchIndex.h"
#include "search/SearchTexts.h"
#include "util/VeltraError.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

namespace {

using veltra::DataTable;
using veltra::SyntheticDatabase;

/// The database of the search benchmarks, made at their first run.
const SyntheticDatabase& Database()
{
    static const std::unique_ptr<SyntheticDatabase> db = std::make_unique<SyntheticDatabase>();
    return *db;
}

void IndexGeneration(benchmark::State& state)
{
    try {
        const SyntheticDatabase& db = Database();
        const int rows = db.parameterRows();
        for (auto _ : state) {
            veltra::ReferenceDatabase database(db.dir(), db.dir());
            DataTable index;
            const veltra::IndexGeneration generation =
                BuildSearchIndex(database, index, db.dir(), QDateTime::currentDateTime());
            // Every parameter row has its index row and protocol line; both lists are
            // filled.
            if (index.recordCount() != rows || generation.protocol.size() != rows + 1 ||
                generation.keywords.german.entries().isEmpty() ||
                generation.keywords.english.entries().isEmpty()) {
                state.SkipWithError("the generation left rows or keywords out");
                return;
            }
            state.counters["german"] =
                static_cast<double>(generation.keywords.german.entries().size());
            state.counters["english"] =
                static_cast<double>(generation.keywords.english.entries().size());
        }
        state.counters["rows"] = rows;
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

/// The terms of the keyword search benchmarks: three terms and an excluded one.
QString KeywordExpression()
{
    veltra::SearchTerms terms;
    terms.term1 = QStringLiteral("body weight");
    terms.term2 = QStringLiteral("KINDER");
    terms.term3 = QStringLiteral("drinking water");
    terms.exclude = QStringLiteral("erwachsene");
    terms.op1 = QStringLiteral("AND");
    terms.op2 = QStringLiteral("OR");
    return SearchFilterExpression(terms);
}

/// The keyword search as the search window runs it (the folded texts made when the
/// table was loaded); state.range(0) = 0 times the table's own filter on the same
/// expression instead, which other expressions take.
void KeywordSearch(benchmark::State& state)
{
    const bool folded = state.range(0) != 0;
    try {
        const SyntheticDatabase& db = Database();
        DataTable parameters;
        parameters.loadFromFile(db.parameterTablePath());
        veltra::FilterOptions options;
        options.ignoreCase = true;
        options.partialCompare = true;
        parameters.setFilterOptions(options);
        const QString expression = KeywordExpression();
        veltra::SearchTexts texts;
        texts.Prepare(parameters);
        int found = 0;
        state.counters["texts_MiB"] = double(texts.byteCount()) / (1 << 20);
        for (auto _ : state) {
            if (folded) {
                ApplySearchFilter(parameters, texts, expression);
            } else {
                parameters.setFiltered(false);
                parameters.setFilter(expression);
                parameters.setFiltered(true);
            }
            found = parameters.recordCount();
        }
        if (found == 0 || found == db.parameterRows()) {
            state.SkipWithError("the search found no row or every row");
            return;
        }
        state.counters["rows"] = db.parameterRows();
        state.counters["found"] = found;
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

/// Folding the 20,000 Info texts for the search, as the generation and a table loaded
/// with other texts do.
void SearchTextsBuild(benchmark::State& state)
{
    try {
        const SyntheticDatabase& db = Database();
        DataTable parameters;
        parameters.loadFromFile(db.parameterTablePath());
        qsizetype bytes = 0;
        for (auto _ : state) {
            const veltra::SearchTexts texts = veltra::SearchTexts::Build(parameters);
            bytes = texts.byteCount();
        }
        // What the search keeps, against the parameter table's file.
        state.counters["MiB"] = double(bytes) / (1 << 20);
        state.counters["per_file"] =
            double(bytes) / double(QFileInfo(db.parameterTablePath()).size());
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

/// Adds state.range(0) distinct phrases, in an order that is not sorted and with case
/// variants of earlier ones, as the German list collects the phrases of the "Additional"
/// lines: a phrase is added unless the list holds it.
void KeywordCollection(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    QStringList phrases;
    phrases.reserve(count * 2);
    std::uint32_t seed = 12345;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        phrases << QStringLiteral("Phrase %1 of k\u00F6rper %2").arg(seed % 1000003u).arg(i);
        if (i % 4 == 0)
            phrases << phrases.last().toUpper();
    }
    qsizetype entries = 0;
    for (auto _ : state) {
        veltra::KeywordList list;
        for (const QString& phrase : std::as_const(phrases)) {
            if (!list.Holds(phrase))
                list.Add(phrase);
        }
        entries = list.entries().size();
    }
    if (entries != count) {
        state.SkipWithError("the list lost phrases or kept a case variant");
        return;
    }
    state.counters["phrases"] = count;
}

} // namespace

BENCHMARK(KeywordCollection)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);
BENCHMARK(IndexGeneration)->Unit(benchmark::kMillisecond);
BENCHMARK(KeywordSearch)->ArgName("folded")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchTextsBuild)->Unit(benchmark::kMillisecond);
