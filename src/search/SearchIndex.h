// The search index: one row per parameter row of the database, with its headline and
// topic codes, its ID and two Info texts, and the keyword lists offered to the user.
#pragma once

#include "search/SearchTexts.h"
#include "util/GeneratorResult.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>

namespace veltra {

class DataTable;
class ReferenceDatabase;
struct FieldDef;

/// "veltraIndex.xml", the index file beside the data.
extern const QString SearchIndexFileName;

/// The five fields of the index table, in order: Top (text, 6), PS (text, 6), Index
/// (unsigned 16-bit integer), DKey (text, 120), EKey (text, 120).
QList<FieldDef> SearchIndexFields();

/// A keyword list: kept sorted ignoring case; adding a text that equals an entry
/// ignoring case adds nothing. Texts are compared in Unicode normal form C after case
/// folding, so a composed and a decomposed letter are the same; the order compares the
/// folded code points, as the table engine sorts, so it is the same on every machine.
/// Adding and looking up take logarithmic time; entries() is sorted on demand.
class KeywordList
{
public:
    void Add(const QString& text);
    bool Holds(const QString& text) const;
    const QStringList& entries() const;
    void Clear()
    {
        m_byKey.clear();
        m_entries.clear();
        m_entriesValid = true;
    }

private:
    struct CodePointLess
    {
        bool operator()(const QString& a, const QString& b) const;
    };
    std::map<QString, QString, CodePointLess> m_byKey; ///< folded text -> text as added
    mutable QStringList m_entries;                     ///< m_byKey's texts, in its order
    mutable bool m_entriesValid = true;
};

struct KeywordLists
{
    KeywordList german;  ///< the phrases of the "Additional" Info lines
    KeywordList english; ///< headline and topic texts, identifier-like "Variable" words
};

/// The first character turned into upper case when it is one of "a" to "z".
QString Capitalised(const QString& text);

/// Loads the headline, topic and parameter tables of the database from searchDir (the
/// files "topics.xml", "para1.xml" and "daten1a.xml" there, whatever the database's own
/// hierarchy folder) as the hierarchy walk reads them: filters switched off, headlines
/// ordered by STRC, topics and parameter rows in the order of their files, the headline
/// table on its first row. The handlers of the tables' enabled links run on each load
/// (BuildSearchIndex disables them while it loads and walks). A file that cannot be
/// loaded throws VeltraError naming it.
void LoadSearchTables(ReferenceDatabase& database, const QString& searchDir);

/// Loads the index table from indexPath when that file exists and can be read, else
/// makes it a new, empty, open table with SearchIndexFields: a corrupt or empty index
/// file is replaced by the generation instead of stopping it.
void LoadSearchIndex(DataTable& index, const QString& indexPath);

/// Merges the index table's changes and writes it to indexPath in the UTF-8 form through
/// the one write routine; a failure throws VeltraError naming the file.
void SaveSearchIndex(DataTable& index, const QString& indexPath);

/// Walks the hierarchy of the database's headline, topic and parameter tables: for each
/// headline, the topics whose TOP is its Top, for each topic the parameter rows whose PS
/// is its PS (exact texts); a topic without its headline and a row without its topic are
/// never visited. The rows are read by position in the order the tables show them, which
/// must be the walk's (LoadSearchTables): headlines ordered by STRC, topics and parameter
/// rows unfiltered in file order; a table shown otherwise throws VeltraError naming it,
/// before the index is touched.
///
/// Appends one index row per parameter row to index (first deleting its rows) and
/// returns the generation protocol: "Index Generator Start: " + date and time
/// (ShortDateText, LongTimeText of now), then per parameter "n | Top | PS | ID | DKey |
/// EKey" ("***" in front for a row that could not be stored: an ID outside 0 to 65535,
/// or any other failure of the append). DKey is the value of the first "Additional" Info
/// line (from position 25, without its carriage return and trailing blanks, then without
/// leading blanks and control characters), EKey the first Info line without its carriage
/// return; the index cuts both to 120 characters, the protocol line keeps them whole.
/// When the walk fails, stopRow is the walk's parameter count and error the message
/// naming the file, field or ID. Nothing is written.
GeneratorResult FillIndexRows(const ReferenceDatabase& database, DataTable& index,
                              const QDateTime& now);

/// FillIndexRows, then, when the walk completed, SaveSearchIndex to indexPath (a failed
/// write throws VeltraError naming the file). When the walk stopped, the file is left as
/// it was, byte for byte, and the protocol ends with IndexKeptLine.
GeneratorResult FillIndexTable(const ReferenceDatabase& database, DataTable& index,
                               const QString& indexPath, const QDateTime& now);

/// The protocol line of a generation that stopped: the index file was left as it was.
QString IndexKeptLine(const QString& indexPath);

/// The keyword lists of the database, by the same walk (same requirements on the
/// tables). English: each headline's Topic and each topic's Parameter (trimmed,
/// capitalised), then the identifier-like words of a row's last "Variable" line;
/// German: the comma- or semicolon-separated phrases of a row's last "Additional" line
/// (capitalised). A word of a "Variable" line that the German list holds already is not
/// added. Throws VeltraError naming the file and field when a table lacks a field.
KeywordLists FillKeywordLists(const ReferenceDatabase& database);

/// What a generation produced.
struct IndexGeneration
{
    QStringList protocol; ///< the generation protocol lines
    KeywordLists keywords;
    /// The folded Info texts of the parameter table walked, for the keyword search.
    SearchTexts texts;
    /// Empty when the index file was written; else the protocol line saying that the
    /// index is used from memory, with the reason (cannot write "PATH": ...).
    QString notSaved;
};

/// One complete generation in searchDir: loads the database's three hierarchy tables
/// from searchDir (LoadSearchTables; the database's own hierarchy folder is not used),
/// loads the index from searchDir/veltraIndex.xml (LoadSearchIndex), fills the index and
/// the keyword lists and folds the parameter rows' Info texts for the search. The links of the
/// three tables report nothing while the tables load and the walk runs, so no window handler
/// filters them; afterwards each link that was enabled is enabled again (announcing the headline
/// table's first row, then the others) and the tables stay loaded in the walk's orders. Any failure
/// of the loads or the walk throws VeltraError naming the file, and the index file is left as it
/// was. An index file that cannot be written is no failure: the filled table serves the search and
/// notSaved says why the file was not written.
IndexGeneration BuildSearchIndex(ReferenceDatabase& database, DataTable& index,
                                 const QString& searchDir, const QDateTime& now);

} // namespace veltra
