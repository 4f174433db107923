// index, search and keywords: the search index generation, the keyword search over the
// parameter rows' Info texts and the keyword lists, as the search window makes them.
#include "cli/CliCommand.h"

#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "search/SearchFilter.h"
#include "search/SearchIndex.h"
#include "search/SearchTexts.h"
#include "util/GeneratorResult.h"
#include "util/VeltraError.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace veltra {

namespace {

/// A database whose tables the search commands load from the database directory.
std::unique_ptr<ReferenceDatabase> SearchDatabase(const CliContext& context)
{
    return std::make_unique<ReferenceDatabase>(QDir::cleanPath(context.dbDir), context.dbDir);
}

QString IndexPath(const CliContext& context)
{
    return QDir(context.dbDir).filePath(SearchIndexFileName);
}

} // namespace

void RunIndex(CliContext& context, QStringList args)
{
    const CliArguments arguments(QStringLiteral("index"), std::move(args), {}, 0);
    // The generation's index pass on its own, so that the protocol lines made before a
    // failure of the walk are printed above the error.
    const std::unique_ptr<ReferenceDatabase> database = SearchDatabase(context);
    LoadSearchTables(*database, context.dbDir);
    DataTable index;
    const QString path = IndexPath(context);
    LoadSearchIndex(index, path);
    PrintResult(context, FillIndexTable(*database, index, path, QDateTime::currentDateTime()));
}

void RunSearch(CliContext& context, QStringList args)
{
    const CliArguments arguments(QStringLiteral("search"), std::move(args),
                                 {{"--op1", "AND or OR", true},
                                  {"--op2", "AND or OR", true},
                                  {"--exclude", "a term", true},
                                  {"--language", "german, english or none"},
                                  {"--show-filter"}},
                                 3);
    SearchTerms terms;
    terms.term1 = arguments.at(0);
    terms.term2 = arguments.at(1);
    terms.term3 = arguments.at(2);
    if (arguments.has("--op1"))
        terms.op1 = arguments.value("--op1");
    if (arguments.has("--op2"))
        terms.op2 = arguments.value("--op2");
    terms.exclude = arguments.value("--exclude");
    if (arguments.has("--language")) {
        const QString language = arguments.value("--language");
        if (language != QLatin1String("german") && language != QLatin1String("english") &&
            language != QLatin1String("none"))
            throw CliUsageError(
                QStringLiteral("search: --language must be german, english or none, not \"%1\"")
                    .arg(language));
        terms.german = language == QLatin1String("german");
    }
    const bool showFilter = arguments.has("--show-filter");

    // As at the search window's first use, a missing index is generated first.
    if (!QFileInfo::exists(IndexPath(context))) {
        const std::unique_ptr<ReferenceDatabase> database = SearchDatabase(context);
        DataTable index;
        (void)BuildSearchIndex(*database, index, context.dbDir, QDateTime::currentDateTime());
    }

    DataTable parameters;
    parameters.loadFromFile(context.databasePath(ReferenceDatabase::ParameterFile));
    QList<int> columns;
    for (const char* name : {"ID", "PS", "Variable", "Sex", "DataSource"}) {
        const int field = parameters.fieldIndex(QLatin1String(name));
        if (field < 0)
            throw VeltraError(QStringLiteral("\"%1\" has no field \"%2\"")
                                  .arg(parameters.fileName(), QLatin1String(name)));
        columns << field;
    }

    // The window's search: texts compared ignoring case; a rejected expression or
    // operator shows "ERROR" (the reason follows on stderr).
    FilterOptions options;
    options.ignoreCase = true;
    options.partialCompare = true;
    parameters.setFilterOptions(options);
    try {
        const QString expression = SearchFilterExpression(terms);
        if (showFilter)
            context.printLine(QStringLiteral("Filter: ") + expression);
        SearchTexts texts;
        ApplySearchFilter(parameters, texts, expression);
    } catch (const VeltraError&) {
        context.printLine(QStringLiteral("ERROR"));
        throw;
    }

    for (int row = 0, count = parameters.recordCount(); row < count; ++row) {
        QStringList cells;
        for (const int field : std::as_const(columns))
            cells << parameters.value(row, field);
        context.printLine(cells.join(QLatin1Char('\t')));
    }
}

void RunKeywords(CliContext& context, QStringList args)
{
    const QString usage = QStringLiteral("keywords needs german or english");
    const CliArguments arguments(QStringLiteral("keywords"), std::move(args), {}, 1);
    const QString language = arguments.at(0);
    if (language != QLatin1String("german") && language != QLatin1String("english"))
        throw CliUsageError(usage);
    // The lists of a generation's walk over the loaded tables; no index is written.
    const std::unique_ptr<ReferenceDatabase> database = SearchDatabase(context);
    LoadSearchTables(*database, context.dbDir);
    const KeywordLists lists = FillKeywordLists(*database);
    context.printLines(language == QLatin1String("german") ? lists.german.entries()
                                                           : lists.english.entries());
}

} // namespace veltra
