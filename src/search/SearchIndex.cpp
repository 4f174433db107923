#include "search/SearchIndex.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "data/FieldDef.h"
#include "data/ReferenceDatabase.h"
#include "util/LocaleText.h"
#include "util/RtfReader.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <optional>
#include <vector>

namespace veltra {

const QString SearchIndexFileName = QStringLiteral("veltraIndex.xml");

namespace {

/// The value of a "Variable" or "Additional" line starts after a label column of 24
/// characters.
constexpr qsizetype LabelWidth = 24;

/// The widths of the index's code fields (Top, PS) and text fields (DKey, EKey).
constexpr qsizetype KeyWidth = 6;
constexpr qsizetype TextKeyWidth = 120;

/// Compares two texts by code point (UTF-16 order differs from it only where a surrogate
/// meets a character from U+E000 on).
int CompareCodePoints(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a.at(i).unicode();
        const char16_t y = b.at(i).unicode();
        if (x == y)
            continue;
        auto rank = [](char16_t c) -> int {
            if (c >= 0xE000)
                return c - 0x800;
            if (c >= 0xD800)
                return c + 0x2000;
            return c;
        };
        return rank(x) < rank(y) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

QString TableName(const DataTable& table)
{
    return table.fileName().isEmpty() ? QStringLiteral("(not loaded)") : table.fileName();
}

/// The position of a field the walk reads; throws naming the file and the field.
int RequiredField(const DataTable& table, const QString& name)
{
    const int field = table.fieldIndex(name);
    if (field < 0)
        throw VeltraError(QStringLiteral("\"%1\" has no field \"%2\"").arg(TableName(table), name));
    return field;
}

/// The walk reads rows by position, so each table must show all its rows, in the
/// walk's order.
void RequireWalkOrder(const DataTable& table, const QString& order)
{
    const QString name = TableName(table);
    if (!table.isOpen())
        throw VeltraError(QStringLiteral("The hierarchy walk needs \"%1\" open").arg(name));
    if (table.isFiltered() && !table.filter().trimmed().isEmpty())
        throw VeltraError(QStringLiteral("The hierarchy walk needs every row of \"%1\", which "
                                         "is filtered by \"%2\"")
                              .arg(name, table.filter()));
    if (table.indexFieldNames().compare(order, Qt::CaseInsensitive) != 0) {
        auto described = [](const QString& names) {
            return names.isEmpty() ? QStringLiteral("in file order")
                                   : QStringLiteral("ordered by ") + names;
        };
        throw VeltraError(QStringLiteral("The hierarchy walk needs \"%1\" %2; it is %3")
                              .arg(name, described(order), described(table.indexFieldNames())));
    }
}

void RequireWalkOrders(const ReferenceDatabase& database)
{
    RequireWalkOrder(database.headlines(), QStringLiteral("STRC"));
    RequireWalkOrder(database.topics(), QString());
    RequireWalkOrder(database.parameters(), QString());
}

/// The hierarchy walk over the rows of the three tables by position: headlines in the
/// order shown, for each its topics (TOP = Top), for each topic its parameter rows
/// (PS = PS), both in file order. The lower tables are grouped by key once, so the walk
/// costs one pass over each table whatever the number of topics.
class HierarchyWalk
{
public:
    explicit HierarchyWalk(const ReferenceDatabase& database)
        : m_head(database.headlines()), m_topics(database.topics()),
          m_parameters(database.parameters()),
          m_headTop(RequiredField(m_head, QStringLiteral("Top"))),
          m_topicPs(RequiredField(m_topics, QStringLiteral("PS")))
    {
        const int topicTop = RequiredField(m_topics, QStringLiteral("TOP"));
        const int parameterPs = RequiredField(m_parameters, QStringLiteral("PS"));
        for (int row = 0, count = m_topics.recordCount(); row < count; ++row)
            m_topicsOf[m_topics.value(row, topicTop)].push_back(row);
        for (int row = 0, count = m_parameters.recordCount(); row < count; ++row)
            m_parametersOf[m_parameters.value(row, parameterPs)].push_back(row);
    }

    /// Calls onHeadline(h) at each headline row, onTopic(t) at each topic row and
    /// onParameter(h, t, p) at each parameter row, in walk order (row positions).
    template <typename OnHeadline, typename OnTopic, typename OnParameter>
    void run(OnHeadline&& onHeadline, OnTopic&& onTopic, OnParameter&& onParameter) const
    {
        for (int h = 0, heads = m_head.recordCount(); h < heads; ++h) {
            onHeadline(h);
            const auto topics = m_topicsOf.constFind(m_head.value(h, m_headTop));
            if (topics == m_topicsOf.cend())
                continue;
            for (const int t : *topics) {
                onTopic(t);
                const auto rows = m_parametersOf.constFind(m_topics.value(t, m_topicPs));
                if (rows == m_parametersOf.cend())
                    continue;
                for (const int p : *rows)
                    onParameter(h, t, p);
            }
        }
    }

private:
    const DataTable& m_head;
    const DataTable& m_topics;
    const DataTable& m_parameters;
    const int m_headTop;
    const int m_topicPs;
    QHash<QString, std::vector<int>> m_topicsOf;
    QHash<QString, std::vector<int>> m_parametersOf;
};

/// True when the first word of the line (ExtractWord(line, 1, StandardWordDelimiters))
/// is `word`, without making the word.
bool FirstWordIs(QStringView line, QLatin1StringView word)
{
    qsizetype i = 0;
    while (i < line.size() && StandardWordDelimiters.contains(line.at(i)))
        ++i;
    if (line.size() - i < word.size() || line.mid(i, word.size()) != word)
        return false;
    const qsizetype end = i + word.size();
    return end == line.size() || StandardWordDelimiters.contains(line.at(end));
}

/// The Info lines a generation reads, each as InfoLines gives it (ending with its
/// carriage return); empty where there is no such line.
struct InfoKeyLines
{
    QString first; ///< the first line, without its carriage return
    QString firstAdditional;
    QString lastAdditional;
    QString lastVariable;
};

/// The lines of InfoKeyLines from an Info text, in one pass over its plain text (lines
/// end at CR LF, CR or LF, as InfoLines splits them), making only the lines kept.
InfoKeyLines ReadInfoKeyLines(const QString& info)
{
    const QString plain = IsRtfText(info) ? RtfToPlainText(info) : info;
    const QStringView text(plain);
    const qsizetype n = text.size();
    InfoKeyLines keys;
    auto withReturn = [](QStringView line) {
        QString kept;
        kept.reserve(line.size() + 1);
        kept.append(line);
        kept.append(u'\r');
        return kept;
    };
    bool firstSeen = false;
    for (qsizetype i = 0; i < n;) {
        qsizetype end = i;
        while (end < n && text.at(end) != u'\r' && text.at(end) != u'\n')
            ++end;
        const QStringView line = text.mid(i, end - i);
        if (!firstSeen) {
            keys.first = line.toString();
            firstSeen = true;
        }
        if (FirstWordIs(line, QLatin1StringView("Additional"))) {
            keys.lastAdditional = withReturn(line);
            if (keys.firstAdditional.isEmpty())
                keys.firstAdditional = keys.lastAdditional;
        } else if (FirstWordIs(line, QLatin1StringView("Variable"))) {
            keys.lastVariable = withReturn(line);
        }
        if (end < n && text.at(end) == u'\r' && end + 1 < n && text.at(end + 1) == u'\n')
            ++end;
        i = end + 1;
    }
    return keys;
}

/// The InfoKeyLines of the parameter rows, read at a row's first visit and kept, so that
/// the two passes of a generation read each Info text once.
class InfoKeyCache
{
public:
    InfoKeyCache(const DataTable& parameters, int infoField)
        : m_parameters(parameters), m_info(infoField),
          m_keys(size_t(std::max(parameters.recordCount(), 0))), m_read(m_keys.size(), false)
    {
    }

    const InfoKeyLines& at(int row)
    {
        const size_t r = size_t(row);
        if (!m_read[r]) {
            m_keys[r] = ReadInfoKeyLines(m_parameters.value(row, m_info));
            m_read[r] = true;
        }
        return m_keys[r];
    }

private:
    const DataTable& m_parameters;
    const int m_info;
    std::vector<InfoKeyLines> m_keys;
    std::vector<bool> m_read;
};

/// The value of a labelled Info line as the keyword lists read it: the part before the
/// first carriage return (nothing when there is none), from position 25, trimmed.
QString KeywordValue(const QString& line)
{
    return TrimBlanks(TextBeforeChar(line, u'\r').mid(LabelWidth));
}

/// DKey: the first "Additional" line's value, from position 25, without the line's
/// carriage return and trailing blanks, then without leading blanks and control
/// characters; empty when there is no such line.
QString AdditionalKey(const QString& line)
{
    if (line.isEmpty())
        return {};
    QString value = line.mid(LabelWidth);
    if (value.endsWith(u'\r'))
        value.chop(1);
    return TrimLeftText(TrimRightBlanks(value));
}

/// A text cut to the width of its index field at the last boundary of a user-perceived
/// character within it, so that no surrogate pair or combining sequence is split.
QString FieldText(const QString& text, qsizetype width)
{
    if (text.size() <= width)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(width);
    const qsizetype end = finder.isAtBoundary() ? width : finder.toPreviousBoundary();
    return text.left(std::max<qsizetype>(end, 0));
}

/// The ID of a parameter row read as an integer, as the table reads an integer field:
/// blanks around it ignored, empty as 0.
qint64 ParameterId(const DataTable& parameters, int row, int field)
{
    const QString text = parameters.value(row, field).trimmed();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const qint64 id = text.toLongLong(&ok);
    if (!ok)
        throw VeltraError(QStringLiteral("\"%1\", parameter row %2: the ID \"%3\" is not an "
                                         "integer")
                              .arg(TableName(parameters))
                              .arg(row + 1)
                              .arg(text));
    return id;
}

/// A headline or topic text for the English list: trimmed, capitalised, unless empty or
/// held already.
void AddTitle(KeywordList& english, const QString& text)
{
    const QString title = TrimBlanks(text);
    if (!title.isEmpty() && !english.Holds(title))
        english.Add(TrimBlanks(Capitalised(title)));
}

/// The links of the three hierarchy tables silenced for a generation: no handler filters
/// a table while it loads or while the walk reads it by position.
class SilencedLinks
{
public:
    explicit SilencedLinks(ReferenceDatabase& database)
        : m_links{&database.headlineLink(), &database.topicLink(), &database.parameterLink()}
    {
        for (DataSource* link : m_links) {
            m_wasEnabled.push_back(link->isEnabled());
            link->setEnabled(false);
        }
    }

    /// Enables again, top level first, each link that was enabled: each announces its
    /// table's current row, so a window's handlers see the new rows.
    void restore()
    {
        for (size_t i = 0; i < m_links.size(); ++i) {
            if (m_wasEnabled[i])
                m_links[i]->setEnabled(true);
        }
    }

private:
    std::vector<DataSource*> m_links;
    std::vector<bool> m_wasEnabled;
};

} // namespace

QList<FieldDef> SearchIndexFields()
{
    return {FieldDef::text(QStringLiteral("Top"), 6), FieldDef::text(QStringLiteral("PS"), 6),
            FieldDef::uint16(QStringLiteral("Index")),
            FieldDef::text(QStringLiteral("DKey"), TextKeyWidth),
            FieldDef::text(QStringLiteral("EKey"), TextKeyWidth)};
}

// --- keyword lists ---------------------------------------------------------------------------

namespace {

/// The key under which a keyword list compares a text.
QString KeywordKey(const QString& text)
{
    return text.normalized(QString::NormalizationForm_C).toCaseFolded();
}

} // namespace

bool KeywordList::CodePointLess::operator()(const QString& a, const QString& b) const
{
    return CompareCodePoints(a, b) < 0;
}

void KeywordList::Add(const QString& text)
{
    if (m_byKey.try_emplace(KeywordKey(text), text).second)
        m_entriesValid = false;
}

bool KeywordList::Holds(const QString& text) const
{
    return m_byKey.find(KeywordKey(text)) != m_byKey.end();
}

const QStringList& KeywordList::entries() const
{
    if (!m_entriesValid) {
        m_entries.clear();
        m_entries.reserve(qsizetype(m_byKey.size()));
        for (const auto& entry : m_byKey)
            m_entries.append(entry.second);
        m_entriesValid = true;
    }
    return m_entries;
}

QString Capitalised(const QString& text)
{
    if (text.isEmpty() || text.at(0) < u'a' || text.at(0) > u'z')
        return text;
    QString result = text;
    result[0] = QChar(text.at(0).unicode() - u'a' + u'A');
    return result;
}

// --- loading ---------------------------------------------------------------------------------

void LoadSearchTables(ReferenceDatabase& database, const QString& searchDir)
{
    const QDir dir(searchDir);
    DataTable& head = database.headlines();
    DataTable& topics = database.topics();
    DataTable& parameters = database.parameters();
    for (DataTable* table : {&head, &topics, &parameters}) {
        table->setFiltered(false);
        // Set before the load, so that no order of the table's former fields fails it.
        table->setIndexFieldNames(QString());
    }
    head.loadFromFile(dir.filePath(ReferenceDatabase::HeadlineFile));
    head.setIndexFieldNames(QStringLiteral("STRC"));
    topics.loadFromFile(dir.filePath(ReferenceDatabase::TopicFile));
    parameters.loadFromFile(dir.filePath(ReferenceDatabase::ParameterFile));
    head.first();
}

void LoadSearchIndex(DataTable& index, const QString& indexPath)
{
    if (QFileInfo(indexPath).isFile()) {
        try {
            index.loadFromFile(indexPath);
            return;
        } catch (const VeltraError&) {
            // A corrupt or empty index is of no use: the generation replaces it.
        }
    }
    index.createDataSet(SearchIndexFields());
}

void SaveSearchIndex(DataTable& index, const QString& indexPath)
{
    index.mergeChangeLog();
    index.saveToFile(indexPath, PacketForm::Utf8);
}

// --- generation ------------------------------------------------------------------------------

namespace {

/// The walk of a generation, made by its first pass and kept for the second.
using SharedWalk = std::optional<HierarchyWalk>;

const HierarchyWalk& WalkOf(const ReferenceDatabase& database, SharedWalk& walk)
{
    if (!walk)
        walk.emplace(database);
    return *walk;
}

GeneratorResult FillIndexRowsFrom(const ReferenceDatabase& database, DataTable& index,
                                  const QDateTime& now, InfoKeyCache* sharedKeys,
                                  SharedWalk& sharedWalk)
{
    RequireWalkOrders(database);
    GeneratorResult result;
    result.lines << QStringLiteral("Index Generator Start: ") + ShortDateText(now.date()) +
                        QLatin1Char(' ') + LongTimeText(now.time());
    int visited = 0;
    try {
        index.deleteAll();
        const HierarchyWalk& walk = WalkOf(database, sharedWalk);
        const DataTable& head = database.headlines();
        const DataTable& topics = database.topics();
        const DataTable& parameters = database.parameters();
        const int headTop = RequiredField(head, QStringLiteral("Top"));
        const int topicPs = RequiredField(topics, QStringLiteral("PS"));
        const int parameterId = RequiredField(parameters, QStringLiteral("ID"));
        const int parameterInfo = RequiredField(parameters, QStringLiteral("Info"));
        std::optional<InfoKeyCache> ownKeys;
        if (sharedKeys == nullptr)
            ownKeys.emplace(parameters, parameterInfo);
        InfoKeyCache& keys = sharedKeys != nullptr ? *sharedKeys : *ownKeys;
        const QString bar = QStringLiteral(" | ");
        walk.run([](int) {}, [](int) {},
                 [&](int h, int t, int p) {
                     const QString top = head.value(h, headTop);
                     const QString ps = topics.value(t, topicPs);
                     const QString id = QString::number(ParameterId(parameters, p, parameterId));
                     const InfoKeyLines& lines = keys.at(p);
                     const QString additional = AdditionalKey(lines.firstAdditional);
                     const QString& first = lines.first;
                     ++visited;
                     QString line = QString::number(visited) + bar + top + bar + ps + bar + id +
                                    bar + additional + bar + first;
                     try {
                         index.append({FieldText(top, KeyWidth), FieldText(ps, KeyWidth), id,
                                       FieldText(additional, TextKeyWidth),
                                       FieldText(first, TextKeyWidth)});
                     } catch (const VeltraError&) {
                         // The row stays out of the index; its protocol line says so.
                         line.prepend(QStringLiteral("***"));
                     }
                     result.lines << line;
                 });
    } catch (const VeltraError& error) {
        result.stop(visited, error.message());
    }
    return result;
}

} // namespace

GeneratorResult FillIndexRows(const ReferenceDatabase& database, DataTable& index,
                              const QDateTime& now)
{
    SharedWalk walk;
    return FillIndexRowsFrom(database, index, now, nullptr, walk);
}

GeneratorResult FillIndexTable(const ReferenceDatabase& database, DataTable& index,
                               const QString& indexPath, const QDateTime& now)
{
    GeneratorResult result = FillIndexRows(database, index, now);
    // A walk that stopped would leave a part of the index: the file keeps what it held.
    if (!result.complete()) {
        result.lines << IndexKeptLine(indexPath);
        return result;
    }
    SaveSearchIndex(index, indexPath);
    return result;
}

QString IndexKeptLine(const QString& indexPath)
{
    return QStringLiteral("*** The generation stopped: \"%1\" was left as it was").arg(indexPath);
}

namespace {

KeywordLists FillKeywordListsFrom(const ReferenceDatabase& database, InfoKeyCache* sharedKeys,
                                  SharedWalk& sharedWalk)
{
    RequireWalkOrders(database);
    const HierarchyWalk& walk = WalkOf(database, sharedWalk);
    const DataTable& head = database.headlines();
    const DataTable& topics = database.topics();
    const DataTable& parameters = database.parameters();
    const int headText = RequiredField(head, QStringLiteral("Topic"));
    const int topicText = RequiredField(topics, QStringLiteral("Parameter"));
    const int parameterInfo = RequiredField(parameters, QStringLiteral("Info"));
    std::optional<InfoKeyCache> ownKeys;
    if (sharedKeys == nullptr)
        ownKeys.emplace(parameters, parameterInfo);
    InfoKeyCache& keys = sharedKeys != nullptr ? *sharedKeys : *ownKeys;

    KeywordLists lists;
    walk.run([&](int h) { AddTitle(lists.english, head.value(h, headText)); },
             [&](int t) { AddTitle(lists.english, topics.value(t, topicText)); },
             [&](int, int, int p) {
                 // The last "Variable" and the last "Additional" line count.
                 const InfoKeyLines& lines = keys.at(p);
                 const QString variables = KeywordValue(lines.lastVariable);
                 const QString additional = KeywordValue(lines.lastAdditional);
                 // Identifier-like variable names; a word the German list holds (from a
                 // row visited earlier) is left out.
                 for (const QString& extracted : Words(variables, StandardWordDelimiters)) {
                     const QString word = TrimBlanks(extracted);
                     if (word.isEmpty() || lists.german.Holds(word))
                         continue;
                     const QString capitalised = Capitalised(word);
                     if (IsIdentifierText(capitalised))
                         lists.english.Add(TrimBlanks(capitalised));
                 }
                 for (const QString& extracted : Words(additional, ListDelimiters)) {
                     const QString phrase = TrimBlanks(extracted);
                     if (!phrase.isEmpty() && !lists.german.Holds(phrase))
                         lists.german.Add(TrimBlanks(Capitalised(phrase)));
                 }
             });
    return lists;
}

} // namespace

KeywordLists FillKeywordLists(const ReferenceDatabase& database)
{
    SharedWalk walk;
    return FillKeywordListsFrom(database, nullptr, walk);
}

IndexGeneration BuildSearchIndex(ReferenceDatabase& database, DataTable& index,
                                 const QString& searchDir, const QDateTime& now)
{
    SilencedLinks links(database);
    // A failure enables the links again as it leaves; their handlers must then not throw
    // (a window runs its handlers through its error guard). After a success they are
    // enabled below, where a handler's failure reaches the caller.
    auto restoreOnFailure = qScopeGuard([&links] { links.restore(); });
    IndexGeneration generation;
    {
        LoadSearchTables(database, searchDir);
        const QString indexPath = QDir(searchDir).filePath(SearchIndexFileName);
        LoadSearchIndex(index, indexPath);
        // Both passes read the same lines of each Info text: read once.
        const DataTable& parameters = database.parameters();
        const int info = parameters.fieldIndex(QStringLiteral("Info"));
        std::optional<InfoKeyCache> keys;
        if (info >= 0)
            keys.emplace(parameters, info);
        SharedWalk walk;
        const GeneratorResult result =
            FillIndexRowsFrom(database, index, now, keys ? &*keys : nullptr, walk);
        result.throwIfStopped();
        generation.protocol = result.lines;
        try {
            SaveSearchIndex(index, indexPath);
        } catch (const VeltraError& error) {
            generation.notSaved =
                QStringLiteral("*** The search index is used without its file: ") + error.message();
        }
        generation.keywords = FillKeywordListsFrom(database, keys ? &*keys : nullptr, walk);
        generation.texts = SearchTexts::Build(database.parameters());
    }
    restoreOnFailure.dismiss();
    links.restore();
    return generation;
}

} // namespace veltra
