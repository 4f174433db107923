// The in-memory table engine: a data packet loaded into memory and browsed as an
// ordered, filtered list of rows with one current row.
#pragma once

#include "data/FieldDef.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <vector>

namespace veltra {

class DataSource;
class FilterExpression;

/// The two file forms of a data packet. Utf8 declares encoding="UTF-8"; Plain has no
/// encoding declaration and is written as pure ASCII, every other character as a
/// numeric character reference, so any XML reader reads it without loss. Names (of
/// fields, properties, kept elements and attributes), comments, PIs and CDATA sections
/// cannot hold references: when one of them is not ASCII, the plain form is written
/// with the UTF-8 form's declaration and those characters as UTF-8.
enum class PacketForm
{
    Utf8,
    Plain
};

/// The largest packet file loadFromFile reads: 1 GiB. The largest table of a database
/// is some tens of megabytes; the cap stops a wrong file (or a growing one) from taking
/// all memory before the reader can say what is wrong.
constexpr qint64 kMaxPacketFileSize = qint64(1) << 30;

/// A packet file read and parsed apart from any table: what loadFromFile does before
/// the table changes, with the same file reading. Reading it touches no table and needs
/// no event loop, so any thread may make one; the table's own thread installs it with
/// DataTable::loadParsed.
class ParsedPacketFile
{
public:
    ParsedPacketFile();
    ~ParsedPacketFile();
    ParsedPacketFile(ParsedPacketFile&&) noexcept;
    ParsedPacketFile& operator=(ParsedPacketFile&&) noexcept;

    /// Reads the file at path and parses it, keeping failures instead of throwing. Only
    /// a regular file of at most kMaxPacketFileSize bytes that stays the same while it is
    /// read is taken: for any other (missing, not a regular file, too large, unreadable,
    /// written to meanwhile), or when stop is set before the parse, nothing is kept and
    /// isRead() is false, so that loadFromFile reads it again and says what is wrong. A
    /// packet the reader refuses is kept as the reader's error, which loadParsed throws.
    static ParsedPacketFile read(const QString& path, const std::atomic<bool>* stop = nullptr);

    bool isRead() const;
    const QString& path() const;
    /// True when path() still names the file that was read, unchanged: the same device
    /// and inode with the same size and the same modification and status change times.
    bool isCurrent() const;

private:
    friend class DataTable;
    struct Impl;
    std::unique_ptr<Impl> d;
};

struct FilterOptions
{
    bool ignoreCase = false;     // text comparisons ignore case
    bool partialCompare = false; // '=' with a value ending in '*' compares a prefix
};

/// A table of text values. Every value is held and read as text; integer fields can also
/// be read as integers. Field names are looked up without regard to case.
///
/// Visible rows are the rows that pass the filter (when the filter is switched on), in
/// the order of the index field names (file order when none are set; stable). Every
/// operation that opens the table, moves the current row, or changes the visible rows
/// notifies the table's data sources synchronously, before it returns.
///
/// Errors are thrown as VeltraError with a message naming the file, field or position.
class DataTable
{
public:
    DataTable();
    ~DataTable();
    DataTable(const DataTable&) = delete;
    DataTable& operator=(const DataTable&) = delete;

    // --- files -------------------------------------------------------------------------
    /// Reads the data packet at path, replaces the table's content and opens the table.
    /// Only a regular file (after symbolic links) of at most kMaxPacketFileSize bytes is
    /// read. On failure the table is closed and holds no rows; filter, filter switch and
    /// index field names are kept. The message names the file and what is wrong with it,
    /// running out of memory included.
    void loadFromFile(const QString& path);
    /// Same as loadFromFile, from bytes already in memory; name is used in messages.
    void loadFromData(const QByteArray& data, const QString& name);
    /// Finishes loadFromFile(parsed.path()) with what ParsedPacketFile::read read and
    /// parsed: installs the rows, or closes the table and throws the reader's error, as
    /// loadFromFile would for the same bytes. When parsed holds no file (not isRead()),
    /// this is loadFromFile(parsed.path()).
    void loadParsed(ParsedPacketFile&& parsed);
    /// Writes every row (unfiltered, in file order) atomically: a failed save leaves the
    /// old file whole. Changes not merged are written as a change log (RowState). What
    /// the file held beyond fields and rows (nested fields, detail rows, unknown
    /// elements) is written back. A target that exists and is not a regular file is
    /// refused; see DataPacketWriter for what else cannot be saved.
    void saveToFile(const QString& path, PacketForm form) const;
    QByteArray saveToData(PacketForm form) const;
    /// The file the table was last loaded from or saved to.
    QString fileName() const;

    // --- open state ----------------------------------------------------------------------
    /// Opens the table again with the rows it held when it was closed, without reading
    /// any file. Throws when the table never held data.
    void open();
    /// A closed table shows no rows. Filter, filter switch and index names are kept.
    void close();
    bool isOpen() const;
    /// An empty open table with the given fields; throws on duplicate names.
    void createDataSet(const QList<FieldDef>& fields);

    // --- fields --------------------------------------------------------------------------
    const QList<FieldDef>& fields() const;
    QStringList fieldNames() const;
    int fieldCount() const;
    /// Position of the field, ignoring case; -1 when there is none.
    int fieldIndex(const QString& name) const;
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }

    // --- navigation ----------------------------------------------------------------------
    /// Number of visible rows (0 when closed).
    int recordCount() const;
    /// 1-based number of the current row among the visible rows; 0 when there is none.
    int recNo() const;
    void first();
    void last();
    void next();  // past the last row sets eof() and stays on the last row
    void prior(); // before the first row sets bof() and stays on the first row
    /// Moves to the visible row with the given 1-based number (clamped to the rows).
    void moveTo(int recNo);
    /// True after moving past the last row, or when no row is visible.
    bool eof() const;
    bool bof() const;
    bool isEmpty() const { return recordCount() == 0; }

    // --- values --------------------------------------------------------------------------
    /// Value of a field of the current row. Throws when no field has that name; an empty
    /// text when no row is visible.
    QString fieldText(const QString& name) const;
    /// The value read as an integer; 0 when empty; throws when the text is not an integer.
    qint64 fieldInt(const QString& name) const;
    /// Value of field `field` of visible row `row` (0-based); for views.
    QString value(int row, int field) const;
    /// Value of the current row by field position.
    QString currentValue(int field) const;

    // --- filter and order ----------------------------------------------------------------
    /// Sets the filter expression. When the filter is switched on and the table is open
    /// the expression applies at once and the table moves to its first row; an
    /// expression that cannot be parsed throws (naming the position) and leaves the
    /// previous filter in force.
    void setFilter(const QString& expression);
    QString filter() const;
    /// Switching the filter on (also when it already is on) moves to the first row.
    void setFiltered(bool on);
    bool isFiltered() const;
    void setFilterOptions(FilterOptions options);
    FilterOptions filterOptions() const;
    /// One field name or several separated by ";", ascending. A change re-sorts the rows
    /// and keeps the current row. Integer and float fields compare by number, text
    /// fields case-insensitively by code point (ties by exact code point), empty first.
    /// Collation in detail: text fields compare character by character after simple
    /// case folding, in code point order; texts equal so compare again without folding
    /// ("Height" before "height"). Integer, r8 and fixed fields put empty values first,
    /// then values that are no number (by text), then numbers by value. Rows equal in
    /// every index field keep their file order, whatever order the rows had before, so
    /// that a filter and an index always show the same order. Unknown names throw naming
    /// the field.
    void setIndexFieldNames(const QString& names);
    QString indexFieldNames() const;

    // --- filters evaluated by the caller ------------------------------------------------
    /// The rows the table holds, in file order, counting the rows that a change log marks
    /// as deleted (no filter shows those): what a caller that evaluates a filter over its
    /// own copy of the values walks.
    int storedRowCount() const;
    /// The value of a field of stored row `row` (0-based, file order); empty when out of
    /// range. An edit in progress is not seen.
    QString storedValue(int row, int field) const;
    /// Changes whenever a value or the set of stored rows changes; never the same for two
    /// tables, so that what was derived from the values can be kept until it changes.
    quint64 contentStamp() const;
    /// A 64-bit digest of the values of one field over every stored row (and which rows
    /// are deleted): equal contents give equal digests, in any table. Throws naming an
    /// unknown field.
    quint64 fieldDigest(const QString& name) const;
    /// setFilter(expression) and setFiltered(true) in one, with the rows that pass given:
    /// passes[i] for stored row i, computed by the caller from the content that
    /// contentStamp() named `stamp`. The caller answers for evaluating the expression as
    /// the table does; the table evaluates it itself when the content changed since (an
    /// edit posted first) or when passes does not fit the rows. Throws like setFilter.
    void setFilterPasses(const QString& expression, const std::vector<bool>& passes, quint64 stamp);

    // --- editing -------------------------------------------------------------------------
    void setReadOnly(bool readOnly);
    bool isReadOnly() const;
    /// Starts editing the current row; throws on a read-only table or when no row is visible.
    void edit();
    bool isEditing() const;
    /// Sets a value of the row being edited (text cut to the field's width; an integer
    /// field takes only integers within its range, else throws and changes nothing).
    void setFieldText(const QString& name, const QString& value);
    void post();
    void cancel();
    /// Appends a row from values in field order (missing values are empty) and makes it
    /// current. Throws and leaves nothing when a value does not fit its field.
    void append(const QStringList& values);
    /// Removes every row.
    void deleteAll();
    /// Makes all changes the saved state (no change log is written afterwards).
    void mergeChangeLog();
    /// Number of changes not yet merged.
    int changeCount() const;

    // --- data sources (used by DataSource only) ------------------------------------------
    void attach(DataSource* source);
    void detach(DataSource* source);

private:
    /// Posts an edit in progress before the current row moves or the rows change.
    void postPending();
    /// Reads a packet from bytes that the table may keep and change.
    void loadBytes(QByteArray data, const QString& name);
    /// The expression parsed and, while the table is open, bound to its fields: throws
    /// naming the position or the field before anything of the table changes.
    FilterExpression CheckedFilter(const QString& expression) const;

    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace veltra
