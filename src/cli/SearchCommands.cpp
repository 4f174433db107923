// index, search and keywords: the search index generation, the keyword search over the
// parameter rows' Info texts and the keyword lists, as the search window makes them.
#include "cli/CliCommand.h"

#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "search/SearchFilter.h"
#include "search/SearchIndex.h"
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

/// The value after an option; none is a usage error.
QString OptionValue(QStringList& args, const QString& option, const QString& what)
{
    if (args.isEmpty())
        throw CliUsageError(QStringLiteral("search: %1 needs %2").arg(option, what));
    return args.takeFirst();
}

} // namespace

void RunIndex(CliContext& context, QStringList args)
{
    if (!args.isEmpty())
        throw CliUsageError(QStringLiteral("index takes no arguments"));
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
    SearchTerms terms;
    QStringList searched;
    bool showFilter = false;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--op1")) {
            terms.op1 = OptionValue(args, arg, QStringLiteral("AND or OR"));
        } else if (arg == QLatin1String("--op2")) {
            terms.op2 = OptionValue(args, arg, QStringLiteral("AND or OR"));
        } else if (arg == QLatin1String("--exclude")) {
            terms.exclude = OptionValue(args, arg, QStringLiteral("a term"));
        } else if (arg == QLatin1String("--language")) {
            const QString language =
                OptionValue(args, arg, QStringLiteral("german, english or none"));
            if (language != QLatin1String("german") && language != QLatin1String("english") &&
                language != QLatin1String("none"))
                throw CliUsageError(
                    QStringLiteral("search: --language must be german, english or none, not "
                                   "\"%1\"")
                        .arg(language));
            terms.german = language == QLatin1String("german");
        } else if (arg == QLatin1String("--show-filter")) {
            showFilter = true;
        } else if (arg.startsWith(QLatin1String("--")) || searched.size() == 3) {
            throw CliUsageError(QStringLiteral("search: unexpected argument \"%1\"").arg(arg));
        } else {
            searched << arg;
        }
    }
    searched.resize(3);
    terms.term1 = searched.at(0);
    terms.term2 = searched.at(1);
    terms.term3 = searched.at(2);

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
        parameters.setFilter(expression);
        parameters.setFiltered(true);
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
    if (args.size() != 1)
        throw CliUsageError(usage);
    const QString language = args.first();
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
