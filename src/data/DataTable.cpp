#include "data/DataTable.h"

#include "data/DataPacket.h"
#include "data/DataPacketReader.h"
#include "data/DataPacketWriter.h"
#include "data/DataSource.h"
#include "data/FilterExpression.h"
#include "data/PacketStore.h"
#include "util/VeltraError.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <new>
#include <optional>

#include <sys/mman.h>
#include <sys/stat.h>

namespace veltra {

namespace {

/// Orders UTF-16 code units as their code points: surrogates (supplementary planes)
/// after U+E000..U+FFFF.
inline uint codePointRank(char16_t c)
{
    if (c < 0xD800)
        return c;
    return c >= 0xE000 ? uint(c) - 0x800 : uint(c) + 0x2000;
}

/// Code point order, optionally after simple case folding of each character.
int compareText(QStringView a, QStringView b, bool fold)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x == y)
            continue;
        if (fold) {
            if (x < 0xD800 || x >= 0xE000)
                x = QChar(x).toCaseFolded().unicode();
            if (y < 0xD800 || y >= 0xE000)
                y = QChar(y).toCaseFolded().unicode();
            if (x == y)
                continue;
        }
        return codePointRank(x) < codePointRank(y) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

/// Sort key of a number field: empty values first, then texts that are no number
/// (among themselves by text), then numbers.
struct NumberKey
{
    int group = 0; // 0 empty, 1 not a number, 2 number
    double value = 0;
};

NumberKey numberKey(const QString& text)
{
    NumberKey k;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return k;
    bool ok = false;
    k.value = t.toDouble(&ok);
    k.group = ok && !std::isnan(k.value) ? 2 : 1;
    return k;
}

/// Asks the kernel to back the 2 MiB-aligned middle of a large buffer with huge pages
/// before it is filled: a file of tens of megabytes is then read with a few dozen page
/// faults instead of thousands. Only advice: where the kernel does not follow it, the
/// buffer works the same, so its answer is not checked.
void adviseHugePages(char* p, qint64 size)
{
#ifdef MADV_HUGEPAGE
    constexpr quintptr huge = quintptr(2) << 20;
    const quintptr begin = (quintptr(p) + huge - 1) & ~(huge - 1);
    const quintptr end = (quintptr(p) + quintptr(size)) & ~(huge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), size_t(end - begin), MADV_HUGEPAGE);
#else
    Q_UNUSED(p);
    Q_UNUSED(size);
#endif
}

/// The bytes of a packet file: a regular file of at most kMaxPacketFileSize bytes.
QByteArray readPacketFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw VeltraError(QStringLiteral("cannot read \"%1\": it is not a regular file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw VeltraError(QStringLiteral("cannot open \"%1\": %2").arg(path, file.errorString()));
    const qint64 size = file.size();
    if (size > kMaxPacketFileSize)
        throw VeltraError(QStringLiteral("cannot read \"%1\": it has %2 bytes, more than the "
                                         "limit of %3 bytes (1 GiB) for a table file")
                              .arg(path)
                              .arg(size)
                              .arg(kMaxPacketFileSize));
    QByteArray data;
    try {
        data.resize(size);
    } catch (const std::bad_alloc&) {
        throw VeltraError(QStringLiteral("\"%1\": not enough memory to read the file (%2 bytes)")
                              .arg(path)
                              .arg(size));
    }
    adviseHugePages(data.data(), size);
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(data.data() + got, size - got);
        if (n < 0)
            throw VeltraError(
                QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString()));
        if (n == 0)
            break; // the file shrank while it was read; the reader says what is missing
        got += n;
    }
    data.truncate(got);
    return data;
}

/// What stat says of a file that changes when the file is replaced or written to.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    explicit FileStamp(const struct stat& st = {})
        : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim),
          changed(st.st_ctim)
    {
    }
    bool operator==(const FileStamp& o) const
    {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

/// The stamp of the regular file at path; nothing when there is none. A FIFO or device
/// is refused here, before anything opens it: opening one could block.
std::optional<FileStamp> regularFileStamp(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp(st);
}

QStringList splitIndexNames(const QString& names)
{
    QStringList result;
    for (const QString& part : names.split(u';')) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            result.append(name);
    }
    return result;
}

} // namespace

struct DataTable::Impl
{
    DataPacket packet; // fields, table properties and markup; the rows are in store
    PacketStore store;
    QHash<QString, int> fieldByFoldedName;
    QHash<QString, int> fieldByName; // names as written
    bool hasData = false;
    bool open = false;
    std::vector<int> visible; // indexes into packet.rows
    int current = -1;         // index into visible
    bool eof = true;
    bool bof = true;
    QString fileName;

    QString filterText;
    std::optional<FilterExpression> filter; // parsed, not bound
    bool filtered = false;
    FilterOptions options;
    QString indexNames;

    // What refresh() last computed the visible rows from: the same filter, options, order
    // and content give the same rows, so setting the same filter again need not filter
    // the rows again (a navigation chain that runs twice at a load sets it twice).
    struct Shown
    {
        bool valid = false;
        quint64 generation = 0;
        QString filterText;
        bool filtered = false;
        FilterOptions options;
        QString indexNames;
    };
    Shown shown;

    bool showsSameRows() const
    {
        return shown.valid && open && shown.generation == store.generation() &&
               shown.filterText == filterText && shown.filtered == filtered &&
               shown.options.ignoreCase == options.ignoreCase &&
               shown.options.partialCompare == options.partialCompare &&
               shown.indexNames == indexNames;
    }

    bool readOnly = false;
    bool editing = false;
    int editRow = -1; // index into packet.rows
    QStringList editValues;

    QList<DataSource*> sources;

    // Texts of the short fields a filter compares (the keys of the hierarchy tables),
    // decoded once and kept until the rows change, so that switching the filter does not
    // decode them again. Longer fields are decoded row by row.
    static constexpr qsizetype kMaxKeptColumnBytes = qsizetype(1) << 20;
    mutable std::vector<QStringList> textColumns; // per field; empty when not kept
    mutable std::vector<bool> columnTooLong;
    mutable quint64 textColumnsGeneration = 0;

    const QStringList* textColumn(int field) const
    {
        const size_t fieldCount = size_t(store.fieldCount());
        if (textColumnsGeneration != store.generation() || textColumns.size() != fieldCount) {
            textColumns.assign(fieldCount, QStringList());
            columnTooLong.assign(fieldCount, false);
            textColumnsGeneration = store.generation();
        }
        QStringList& column = textColumns[size_t(field)];
        const size_t rowCount = store.rowCount();
        if (rowCount > 0 && size_t(column.size()) == rowCount)
            return &column;
        if (rowCount == 0 || columnTooLong[size_t(field)])
            return nullptr;
        qsizetype bytes = 0;
        for (size_t r = 0; r < rowCount; ++r) {
            bytes += qsizetype(store.slice(r, field).size);
            if (bytes > kMaxKeptColumnBytes) {
                columnTooLong[size_t(field)] = true;
                return nullptr;
            }
        }
        column.reserve(qsizetype(rowCount));
        // Keys repeat in runs (the rows of a topic follow each other): a value equal to the
        // one before shares its text instead of being decoded again.
        QByteArrayView previous;
        for (size_t r = 0; r < rowCount; ++r) {
            const ValueSlice slice = store.slice(r, field);
            const QByteArrayView bytes = store.bytes(slice);
            if (r > 0 && bytes.size() == previous.size() &&
                std::memcmp(bytes.data(), previous.data(), size_t(bytes.size())) == 0)
                column.append(column.constLast());
            else
                column.append(store.text(slice));
            previous = bytes;
        }
        return &column;
    }

    QString where() const
    {
        return fileName.isEmpty() ? QString() : QStringLiteral(" in \"%1\"").arg(fileName);
    }

    void indexFields()
    {
        fieldByFoldedName.clear();
        fieldByName.clear();
        for (qsizetype i = 0; i < packet.fields.size(); ++i) {
            fieldByFoldedName.insert(packet.fields.at(i).name.toCaseFolded(), int(i));
            fieldByName.insert(packet.fields.at(i).name, int(i));
        }
    }

    int fieldIndex(const QString& name) const
    {
        // Most lookups spell the name as the file does; only the others pay for folding.
        const auto exact = fieldByName.constFind(name);
        if (exact != fieldByName.constEnd())
            return exact.value();
        return fieldByFoldedName.value(name.toCaseFolded(), -1);
    }

    int requireField(const QString& name) const
    {
        const int i = fieldIndex(name);
        if (i < 0)
            throw VeltraError(QStringLiteral("unknown field \"%1\"%2").arg(name, where()));
        return i;
    }

    std::vector<int> indexFieldPositions(const QString& names) const
    {
        std::vector<int> result;
        for (const QString& name : splitIndexNames(names)) {
            const int i = fieldIndex(name);
            if (i < 0)
                throw VeltraError(
                    QStringLiteral("unknown index field \"%1\"%2").arg(name, where()));
            result.push_back(i);
        }
        return result;
    }

    /// Recomputes the visible rows: filter, then stable sort. Throws when the filter or
    /// the index names do not fit the fields; the visible rows are then empty.
    void refresh()
    {
        shown.valid = false;
        visible.clear();
        if (!open)
            return;
        const size_t rowCount = store.rowCount();
        visible.reserve(rowCount);
        if (filtered && filter && !filter->isEmpty()) {
            FilterExpression bound = *filter;
            bound.bind(packet.fields, options);
            // Only the fields the expression names are turned into texts.
            const std::vector<int> used = bound.boundFields();
            std::vector<const QStringList*> kept;
            for (int f : used)
                kept.push_back(textColumn(f));
            QStringList values(packet.fields.size());
            for (size_t i = 0; i < rowCount; ++i) {
                if (store.row(i).change == RowChange::Deleted)
                    continue;
                for (size_t k = 0; k < used.size(); ++k) {
                    const int f = used[k];
                    values[f] = kept[k] ? kept[k]->at(qsizetype(i)) : store.text(i, f);
                }
                if (bound.matches(values))
                    visible.push_back(int(i));
            }
        } else {
            for (size_t i = 0; i < rowCount; ++i) {
                if (store.row(i).change != RowChange::Deleted)
                    visible.push_back(int(i));
            }
        }
        sortVisible();
        shown = Shown{true, store.generation(), filterText, filtered, options, indexNames};
    }

    /// The rank of each of `rows` (stored rows) among the distinct values of field f:
    /// equal under the collation, equal rank.
    std::vector<int> rankRows(int f, const std::vector<int>& rows) const
    {
        const size_t n = rows.size();
        const bool numeric = packet.fields.at(f).isNumber();
        // Distinct values by their bytes (the stored UTF-8 is the same for the same text).
        QHash<QByteArray, int> idOf;
        std::vector<QString> distinct;
        std::vector<int> idAt(n);
        for (size_t i = 0; i < n; ++i) {
            const ValueSlice slice = store.slice(size_t(rows[i]), f);
            const QByteArrayView bytes = store.bytes(slice);
            const QByteArray v = QByteArray::fromRawData(bytes.data(), bytes.size());
            auto it = idOf.constFind(v);
            if (it == idOf.constEnd()) {
                it = idOf.insert(v, int(distinct.size()));
                distinct.push_back(store.text(slice));
            }
            idAt[i] = it.value();
        }
        std::vector<NumberKey> numbers;
        std::vector<QString> folded;
        if (numeric) {
            for (const QString& v : distinct)
                numbers.push_back(numberKey(v));
        } else {
            for (const QString& v : distinct)
                folded.push_back(v.toCaseFolded());
        }
        auto compare = [&](int a, int b) {
            if (numeric) {
                const NumberKey& p = numbers[size_t(a)];
                const NumberKey& q = numbers[size_t(b)];
                if (p.group != q.group)
                    return p.group < q.group ? -1 : 1;
                if (p.group == 2)
                    return p.value < q.value ? -1 : (q.value < p.value ? 1 : 0);
                return compareText(distinct[size_t(a)], distinct[size_t(b)], false);
            }
            const int c = compareText(folded[size_t(a)], folded[size_t(b)], false);
            return c != 0 ? c : compareText(distinct[size_t(a)], distinct[size_t(b)], false);
        };
        std::vector<int> order(distinct.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = int(i);
        std::sort(order.begin(), order.end(), [&](int a, int b) { return compare(a, b) < 0; });
        std::vector<int> rankOfId(distinct.size());
        int rank = 0;
        for (size_t i = 0; i < order.size(); ++i) {
            if (i > 0 && compare(order[i - 1], order[i]) != 0)
                ++rank;
            rankOfId[size_t(order[i])] = rank;
        }
        std::vector<int> result(n);
        for (size_t i = 0; i < n; ++i)
            result[i] = rankOfId[size_t(idAt[i])];
        return result;
    }

    // The ranks of every stored row per field, kept until the rows change: re-sorting a
    // large table by an order it had before then only sorts.
    mutable std::vector<std::vector<int>> rankCache;
    mutable quint64 rankGeneration = 0;

    /// The ranks of field f for the visible rows: from the kept ranks of every row, made
    /// when most rows are visible; else of the visible rows alone.
    std::vector<int> visibleRanks(int f)
    {
        const size_t rowCount = store.rowCount();
        if (rankGeneration != store.generation() ||
            rankCache.size() != size_t(store.fieldCount())) {
            rankCache.assign(size_t(store.fieldCount()), {});
            rankGeneration = store.generation();
        }
        std::vector<int>& kept = rankCache[size_t(f)];
        if (kept.size() != rowCount && visible.size() * 4 >= rowCount) {
            std::vector<int> all(rowCount);
            for (size_t i = 0; i < rowCount; ++i)
                all[i] = int(i);
            kept = rankRows(f, all);
        }
        if (kept.size() != rowCount)
            return rankRows(f, visible);
        std::vector<int> result(visible.size());
        for (size_t i = 0; i < visible.size(); ++i)
            result[i] = kept[size_t(visible[i])];
        return result;
    }

    void sortVisible()
    {
        const std::vector<int> keys = indexFieldPositions(indexNames);
        if (visible.size() < 2)
            return;
        if (keys.empty()) {
            // No index: file order, also after an index that is no longer set.
            std::sort(visible.begin(), visible.end());
            return;
        }
        const size_t n = visible.size();
        const size_t keyCount = keys.size();
        // Each key value gets a rank among the distinct values of its field (equal under
        // the collation, equal rank); the rows are then sorted by their rank tuples.
        // Tables have few distinct values per field, so this compares far fewer texts
        // than a sort of the rows themselves.
        std::vector<int> ranks(n * keyCount);
        for (size_t k = 0; k < keyCount; ++k) {
            const std::vector<int> keyRanks = visibleRanks(keys[k]);
            for (size_t i = 0; i < n; ++i)
                ranks[i * keyCount + k] = keyRanks[i];
        }
        // Ties go by the row's place in the file, not by the order the rows had before:
        // the same filter and index give the same order however they were reached.
        std::vector<int> positions(n);
        for (size_t i = 0; i < n; ++i)
            positions[i] = int(i);
        std::sort(positions.begin(), positions.end(), [&](int a, int b) {
            const int* ra = &ranks[size_t(a) * keyCount];
            const int* rb = &ranks[size_t(b) * keyCount];
            for (size_t k = 0; k < keyCount; ++k) {
                if (ra[k] != rb[k])
                    return ra[k] < rb[k];
            }
            return visible[size_t(a)] < visible[size_t(b)];
        });
        std::vector<int> sorted(n);
        for (size_t i = 0; i < n; ++i)
            sorted[i] = visible[size_t(positions[i])];
        visible = std::move(sorted);
    }

    void toFirst()
    {
        current = visible.empty() ? -1 : 0;
        eof = bof = visible.empty();
    }

    /// Makes the given underlying row current again after the visible rows changed;
    /// when it is not visible any more the position is kept (clamped).
    void restoreCurrent(int row, int oldPosition)
    {
        if (visible.empty()) {
            toFirst();
            return;
        }
        const auto it = std::find(visible.begin(), visible.end(), row);
        if (it != visible.end())
            current = int(it - visible.begin());
        else
            current = std::clamp(oldPosition, 0, int(visible.size()) - 1);
        eof = bof = false;
    }

    int currentRow() const { return current >= 0 ? visible[size_t(current)] : -1; }

    void notify(bool rowsChanged)
    {
        const QList<DataSource*> targets = sources;
        for (DataSource* s : targets) {
            if (sources.contains(s))
                s->notifyDataChange(rowsChanged);
        }
    }

    void notifyClosed()
    {
        const QList<DataSource*> targets = sources;
        for (DataSource* s : targets) {
            if (sources.contains(s))
                s->notifyClosed();
        }
    }

    void requireWritable(const char* what) const
    {
        if (readOnly)
            throw VeltraError(QStringLiteral("cannot %1: the table%2 is read-only")
                                  .arg(QLatin1String(what), where()));
    }

    /// The value as the field stores it: texts cut to the width, integers checked.
    QString fit(int field, const QString& value) const
    {
        const FieldDef& f = packet.fields.at(field);
        if ((f.type == FieldType::String || f.type == FieldType::WideString) && f.width > 0 &&
            value.size() > f.width)
            return value.left(f.width);
        qint64 min;
        quint64 max;
        if (!value.isEmpty() && f.integerRange(min, max)) {
            bool ok = false;
            if (min < 0) {
                const qint64 v = value.toLongLong(&ok);
                ok = ok && v >= min && (v < 0 || quint64(v) <= max);
            } else {
                const quint64 v = value.toULongLong(&ok);
                ok = ok && !value.trimmed().startsWith(u'-') && v <= max;
            }
            if (!ok)
                throw VeltraError(QStringLiteral("value \"%1\" does not fit the %2 field \"%3\"%4")
                                      .arg(value, f.typeName, f.name, where()));
        }
        return value;
    }

    /// After a failed load: nothing held, closed; filter and index settings stay.
    void clearAfterFailure()
    {
        const bool wasOpen = open;
        packet = DataPacket();
        store.reset(0);
        fieldByFoldedName.clear();
        fieldByName.clear();
        hasData = false;
        open = false;
        editing = false;
        visible.clear();
        toFirst();
        if (wasOpen)
            notifyClosed();
    }

    /// Installs a packet read from the file (or data) called name: as install, running
    /// out of memory reported naming it.
    void installFile(DataPacket&& loaded, PacketStore&& loadedStore, const QString& name)
    {
        fileName = name;
        try {
            install(std::move(loaded), std::move(loadedStore));
        } catch (const std::bad_alloc&) {
            clearAfterFailure();
            throw VeltraError(
                QStringLiteral("\"%1\": not enough memory to read the file").arg(name));
        }
    }

    /// Installs a packet whose rows are in loadedStore (the packet's own rows, when it
    /// has any, are taken into the store).
    void install(DataPacket&& loaded, PacketStore&& loadedStore)
    {
        const bool wasOpen = open;
        packet = std::move(loaded);
        store = std::move(loadedStore);
        if (!packet.rows.empty()) {
            store.takeRows(std::move(packet.rows));
            packet.rows.clear();
        }
        indexFields();
        hasData = true;
        editing = false;
        open = true;
        try {
            refresh();
        } catch (const VeltraError& e) {
            // The filter or the index names of the table do not fit the new fields.
            open = false;
            visible.clear();
            toFirst();
            if (wasOpen)
                notifyClosed();
            if (fileName.isEmpty())
                throw;
            throw VeltraError(QStringLiteral("\"%1\": %2").arg(fileName, e.message()));
        }
        toFirst();
        notify(true);
    }
};

DataTable::DataTable() : d(std::make_unique<Impl>()) {}

DataTable::~DataTable()
{
    const QList<DataSource*> targets = d->sources;
    d->sources.clear();
    for (DataSource* s : targets)
        s->notifyTableDestroyed();
}

// --- files -------------------------------------------------------------------------------

void DataTable::loadFromFile(const QString& path)
{
    QByteArray data;
    try {
        data = readPacketFile(path);
    } catch (const VeltraError&) {
        d->clearAfterFailure();
        throw;
    }
    // Handed over unshared: the reader decodes the values in this one buffer.
    loadBytes(std::move(data), path);
}

void DataTable::loadFromData(const QByteArray& data, const QString& name)
{
    loadBytes(data, name);
}

void DataTable::loadBytes(QByteArray data, const QString& name)
{
    DataPacket packet;
    PacketStore store;
    try {
        packet = DataPacketReader::readInto(std::move(data), name, store);
    } catch (const VeltraError&) {
        d->clearAfterFailure();
        throw;
    }
    d->installFile(std::move(packet), std::move(store), name);
}

// --- a file read apart from the table -----------------------------------------------------

struct ParsedPacketFile::Impl
{
    QString path;
    bool read = false;
    FileStamp stamp;
    DataPacket packet;
    PacketStore store;
    std::exception_ptr error; // the reader's, thrown by DataTable::loadParsed
};

ParsedPacketFile::ParsedPacketFile() = default;
ParsedPacketFile::~ParsedPacketFile() = default;
ParsedPacketFile::ParsedPacketFile(ParsedPacketFile&&) noexcept = default;
ParsedPacketFile& ParsedPacketFile::operator=(ParsedPacketFile&&) noexcept = default;

ParsedPacketFile ParsedPacketFile::read(const QString& path, const std::atomic<bool>* stop)
{
    ParsedPacketFile result;
    try {
        result.d = std::make_unique<Impl>();
        result.d->path = path;
        // Only a regular file that is the same after the read as before it is kept.
        const std::optional<FileStamp> before = regularFileStamp(path);
        if (!before)
            return result;
        QByteArray data;
        try {
            data = readPacketFile(path);
        } catch (const VeltraError&) {
            return result; // the table reads the file itself and words the reason
        }
        if (regularFileStamp(path) != before || (stop && stop->load()))
            return result;
        result.d->stamp = *before;
        result.d->read = true;
        try {
            result.d->packet = DataPacketReader::readInto(std::move(data), path, result.d->store);
        } catch (...) {
            result.d->error = std::current_exception();
        }
    } catch (...) {
        // Out of memory before the parse: nothing is kept; the table reads the file
        // itself and reports what goes wrong then.
        result.d.reset();
    }
    return result;
}

bool ParsedPacketFile::isRead() const
{
    return d && d->read;
}

const QString& ParsedPacketFile::path() const
{
    static const QString none;
    return d ? d->path : none;
}

bool ParsedPacketFile::isCurrent() const
{
    return isRead() && regularFileStamp(d->path) == d->stamp;
}

void DataTable::loadParsed(ParsedPacketFile&& parsed)
{
    if (!parsed.isRead()) {
        loadFromFile(parsed.path());
        return;
    }
    ParsedPacketFile::Impl& p = *parsed.d;
    if (p.error) {
        d->clearAfterFailure();
        std::rethrow_exception(p.error);
    }
    d->installFile(std::move(p.packet), std::move(p.store), p.path);
}

namespace {

/// The packet with its rows as texts, for the writer.
DataPacket withRows(const DataPacket& packet, const PacketStore& store)
{
    DataPacket full;
    full.fields = packet.fields;
    full.params = packet.params;
    full.markup = packet.markup;
    full.rows = store.packetRows();
    return full;
}

} // namespace

void DataTable::saveToFile(const QString& path, PacketForm form) const
{
    DataPacketWriter::writeFile(withRows(d->packet, d->store), form, path);
    d->fileName = path;
}

QByteArray DataTable::saveToData(PacketForm form) const
{
    return DataPacketWriter::write(withRows(d->packet, d->store), form);
}

QString DataTable::fileName() const
{
    return d->fileName;
}

// --- open state ----------------------------------------------------------------------------

void DataTable::open()
{
    if (d->open)
        return;
    if (!d->hasData)
        throw VeltraError(
            QStringLiteral("cannot open the table%1: it holds no data").arg(d->where()));
    d->open = true;
    try {
        d->refresh();
    } catch (const VeltraError&) {
        d->open = false;
        d->visible.clear();
        d->toFirst();
        throw;
    }
    d->toFirst();
    d->notify(true);
}

void DataTable::close()
{
    if (!d->open)
        return;
    d->editing = false;
    d->open = false;
    d->visible.clear();
    d->toFirst();
    d->notifyClosed();
}

bool DataTable::isOpen() const
{
    return d->open;
}

void DataTable::createDataSet(const QList<FieldDef>& fields)
{
    QHash<QString, int> seen;
    QList<FieldDef> defs = fields;
    for (FieldDef& f : defs) {
        if (!DataPacketWriter::isValidName(f.name))
            throw VeltraError(QStringLiteral("invalid field name \"%1\"").arg(f.name));
        if (seen.contains(f.name.toCaseFolded()))
            throw VeltraError(QStringLiteral("duplicate field name \"%1\"").arg(f.name));
        seen.insert(f.name.toCaseFolded(), 0);
        if (f.typeName.isEmpty())
            f.typeName = FieldDef::nameOfType(f.type);
    }
    DataPacket packet;
    packet.fields = defs;
    PacketStore store;
    store.reset(int(defs.size()));
    d->fileName.clear();
    d->install(std::move(packet), std::move(store));
}

// --- fields --------------------------------------------------------------------------------

const QList<FieldDef>& DataTable::fields() const
{
    return d->packet.fields;
}

QStringList DataTable::fieldNames() const
{
    QStringList names;
    for (const FieldDef& f : d->packet.fields)
        names.append(f.name);
    return names;
}

int DataTable::fieldCount() const
{
    return int(d->packet.fields.size());
}

int DataTable::fieldIndex(const QString& name) const
{
    return d->fieldIndex(name);
}

void DataTable::postPending()
{
    // Moving away from a row being edited keeps the edit, as a post would.
    if (d->editing)
        post();
}

// --- navigation ----------------------------------------------------------------------------

int DataTable::recordCount() const
{
    return int(d->visible.size());
}

int DataTable::recNo() const
{
    return d->current + 1;
}

void DataTable::first()
{
    if (!d->open)
        return;
    postPending();
    d->toFirst();
    d->notify(false);
}

void DataTable::last()
{
    if (!d->open)
        return;
    postPending();
    d->current = int(d->visible.size()) - 1;
    d->eof = d->bof = d->visible.empty();
    d->notify(false);
}

void DataTable::next()
{
    if (!d->open || d->visible.empty())
        return;
    d->bof = false;
    if (d->current + 1 >= int(d->visible.size())) {
        d->eof = true;
        return;
    }
    postPending();
    ++d->current;
    d->eof = false;
    d->notify(false);
}

void DataTable::prior()
{
    if (!d->open || d->visible.empty())
        return;
    d->eof = false;
    if (d->current <= 0) {
        d->bof = true;
        return;
    }
    postPending();
    --d->current;
    d->bof = false;
    d->notify(false);
}

void DataTable::moveTo(int recNo)
{
    if (!d->open || d->visible.empty())
        return;
    const int target = std::clamp(recNo, 1, int(d->visible.size())) - 1;
    d->eof = d->bof = false;
    if (target == d->current)
        return;
    postPending();
    d->current = target;
    d->notify(false);
}

bool DataTable::eof() const
{
    return d->eof || d->visible.empty();
}

bool DataTable::bof() const
{
    return d->bof || d->visible.empty();
}

// --- values --------------------------------------------------------------------------------

QString DataTable::fieldText(const QString& name) const
{
    return currentValue(d->requireField(name));
}

qint64 DataTable::fieldInt(const QString& name) const
{
    const QString text = fieldText(name).trimmed();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok)
        throw VeltraError(
            QStringLiteral("field \"%1\"%2: \"%3\" is not an integer").arg(name, d->where(), text));
    return v;
}

QString DataTable::value(int row, int field) const
{
    if (row < 0 || row >= int(d->visible.size()) || field < 0 || field >= fieldCount())
        return QString();
    if (d->editing && row == d->current)
        return d->editValues.at(field);
    return d->store.text(size_t(d->visible[size_t(row)]), field);
}

QString DataTable::currentValue(int field) const
{
    return value(d->current, field);
}

// --- filters evaluated by the caller ------------------------------------------------------

int DataTable::storedRowCount() const
{
    return int(d->store.rowCount());
}

QString DataTable::storedValue(int row, int field) const
{
    if (row < 0 || size_t(row) >= d->store.rowCount() || field < 0 || field >= fieldCount())
        return QString();
    return d->store.text(size_t(row), field);
}

quint64 DataTable::contentStamp() const
{
    return d->store.generation();
}

quint64 DataTable::fieldDigest(const QString& name) const
{
    const int field = d->requireField(name);
    // The stored UTF-8 bytes are the same for the same text, so no value is decoded.
    size_t digest = qHash(quint64(d->store.rowCount()));
    for (size_t r = 0; r < d->store.rowCount(); ++r) {
        const QByteArrayView bytes = d->store.bytes(d->store.slice(r, field));
        const bool deleted = d->store.row(r).change == RowChange::Deleted;
        digest = qHashMulti(digest, qHashBits(bytes.data(), size_t(bytes.size())),
                            quint64(bytes.size()), deleted);
    }
    return quint64(digest);
}

FilterExpression DataTable::CheckedFilter(const QString& expression) const
{
    FilterExpression parsed(expression);
    if (d->open) {
        // Names are checked against the fields now, so a bad filter never replaces a good one.
        FilterExpression check = parsed;
        check.bind(d->packet.fields, d->options);
    }
    return parsed;
}

void DataTable::setFilterPasses(const QString& expression, const std::vector<bool>& passes,
                                quint64 stamp)
{
    FilterExpression parsed = CheckedFilter(expression);
    d->filterText = expression;
    d->filter = std::move(parsed);
    d->filtered = true;
    if (!d->open)
        return;
    postPending();
    if (stamp != d->store.generation() || passes.size() != d->store.rowCount() ||
        d->filter->isEmpty()) {
        // The passes do not describe these rows: the table evaluates the filter.
        d->filtered = false;
        setFiltered(true);
        return;
    }
    d->shown.valid = false;
    d->visible.clear();
    for (size_t i = 0; i < passes.size(); ++i) {
        if (passes[i] && d->store.row(i).change != RowChange::Deleted)
            d->visible.push_back(int(i));
    }
    d->sortVisible();
    d->toFirst();
    d->notify(true);
}

// --- filter and order ----------------------------------------------------------------------

void DataTable::setFilter(const QString& expression)
{
    FilterExpression parsed = CheckedFilter(expression);
    d->filterText = expression;
    d->filter = std::move(parsed);
    if (d->open && d->filtered) {
        postPending();
        if (!d->showsSameRows())
            d->refresh();
        d->toFirst();
        d->notify(true);
    }
}

QString DataTable::filter() const
{
    return d->filterText;
}

void DataTable::setFiltered(bool on)
{
    if (!on && !d->filtered)
        return;
    const bool wasOn = d->filtered;
    d->filtered = on;
    if (!d->open)
        return;
    postPending();
    if (on && wasOn) {
        // The visible rows already follow the filter: only go to the first row.
        d->toFirst();
        d->notify(true);
        return;
    }
    try {
        d->refresh();
    } catch (const VeltraError&) {
        // The filter does not fit these fields: stay unfiltered.
        d->filtered = false;
        d->refresh();
        d->toFirst();
        d->notify(true);
        throw;
    }
    d->toFirst();
    d->notify(true);
}

bool DataTable::isFiltered() const
{
    return d->filtered;
}

void DataTable::setFilterOptions(FilterOptions options)
{
    if (options.ignoreCase == d->options.ignoreCase &&
        options.partialCompare == d->options.partialCompare)
        return;
    d->options = options;
    if (d->open && d->filtered && d->filter && !d->filter->isEmpty()) {
        postPending();
        d->refresh();
        d->toFirst();
        d->notify(true);
    }
}

FilterOptions DataTable::filterOptions() const
{
    return d->options;
}

void DataTable::setIndexFieldNames(const QString& names)
{
    if (names == d->indexNames)
        return;
    if (d->hasData)
        d->indexFieldPositions(names); // throws naming an unknown field
    d->indexNames = names;
    if (!d->open)
        return;
    postPending();
    const int row = d->currentRow();
    const int position = d->current;
    d->sortVisible();
    // The rows are now what a refresh in the new order would give.
    d->shown.indexNames = names;
    d->restoreCurrent(row, position);
    d->notify(true);
}

QString DataTable::indexFieldNames() const
{
    return d->indexNames;
}

// --- editing -------------------------------------------------------------------------------

void DataTable::setReadOnly(bool readOnly)
{
    d->readOnly = readOnly;
    if (readOnly)
        d->editing = false;
}

bool DataTable::isReadOnly() const
{
    return d->readOnly;
}

void DataTable::edit()
{
    d->requireWritable("edit");
    if (d->editing)
        return;
    if (d->current < 0)
        throw VeltraError(QStringLiteral("cannot edit: the table%1 shows no row").arg(d->where()));
    d->editRow = d->currentRow();
    d->editValues = d->store.values(size_t(d->editRow));
    d->editing = true;
}

bool DataTable::isEditing() const
{
    return d->editing;
}

void DataTable::setFieldText(const QString& name, const QString& value)
{
    d->requireWritable("change a value");
    const int field = d->requireField(name);
    if (!d->editing)
        throw VeltraError(QStringLiteral("cannot set field \"%1\": the table%2 is not being edited")
                              .arg(name, d->where()));
    d->editValues[field] = d->fit(field, value);
}

void DataTable::post()
{
    if (!d->editing)
        return;
    d->editing = false;
    const size_t r = size_t(d->editRow);
    PacketStore& store = d->store;
    if (store.values(r) == d->editValues) {
        d->notify(false);
        return;
    }
    const int fieldCount = store.fieldCount();
    std::vector<ValueSlice> changed(static_cast<size_t>(fieldCount));
    for (int f = 0; f < fieldCount; ++f)
        changed[size_t(f)] = store.addText(d->editValues.at(f));
    if (store.row(r).change == RowChange::None) {
        store.row(r).change = RowChange::Modified;
        std::vector<ValueSlice>& original = store.extra(r).original;
        for (int f = 0; f < fieldCount; ++f)
            original.push_back(store.slice(r, f));
    }
    for (int f = 0; f < fieldCount; ++f)
        store.setSlice(r, f, changed[size_t(f)]);
    const int position = d->current;
    d->refresh();
    d->restoreCurrent(d->editRow, position);
    d->notify(true);
}

void DataTable::cancel()
{
    if (!d->editing)
        return;
    d->editing = false;
    d->notify(false);
}

void DataTable::append(const QStringList& values)
{
    d->requireWritable("append a row");
    if (!d->open)
        throw VeltraError(
            QStringLiteral("cannot append a row: the table%1 is not open").arg(d->where()));
    if (values.size() > d->packet.fields.size())
        throw VeltraError(
            QStringLiteral("cannot append a row of %1 values to the table%2 of %3 fields")
                .arg(values.size())
                .arg(d->where())
                .arg(d->packet.fields.size()));
    QStringList fitted;
    fitted.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i)
        fitted.append(d->fit(int(i), values.at(i)));
    if (d->editing)
        post();
    std::vector<ValueSlice> slices(d->packet.fields.size());
    for (qsizetype i = 0; i < fitted.size(); ++i)
        slices[size_t(i)] = d->store.addText(fitted.at(i));
    d->store.appendRow(slices.data(), RowChange::Inserted, XmlFragment());
    const int added = int(d->store.rowCount()) - 1;
    const bool filterActive = d->filtered && d->filter && !d->filter->isEmpty();
    if (!filterActive && d->indexFieldPositions(d->indexNames).empty()) {
        // Shown in file order and unfiltered, the new row is simply the last visible
        // one: no refilter and no sort, so filling a table row by row stays linear.
        d->visible.push_back(added);
        d->current = int(d->visible.size()) - 1;
        d->eof = d->bof = false;
        d->notify(true);
        return;
    }
    const int position = d->current;
    d->refresh();
    const auto it = std::find(d->visible.begin(), d->visible.end(), added);
    if (it != d->visible.end()) {
        d->current = int(it - d->visible.begin());
        d->eof = d->bof = false;
    } else {
        d->restoreCurrent(-1, position);
    }
    d->notify(true);
}

void DataTable::deleteAll()
{
    d->requireWritable("delete the rows");
    d->editing = false;
    PacketStore& store = d->store;
    // Rows inserted since the last merge were never saved: no trace left.
    store.compact([&](size_t r) { return store.row(r).change != RowChange::Inserted; });
    for (size_t r = 0; r < store.rowCount(); ++r) {
        if (store.row(r).change == RowChange::Modified) {
            std::vector<ValueSlice> original = std::move(store.extra(r).original);
            store.extra(r).original.clear();
            for (int f = 0; f < store.fieldCount() && size_t(f) < original.size(); ++f)
                store.setSlice(r, f, original[size_t(f)]);
        }
        store.row(r).change = RowChange::Deleted;
    }
    if (!d->open)
        return;
    d->visible.clear();
    d->toFirst();
    d->notify(true);
}

void DataTable::mergeChangeLog()
{
    PacketStore& store = d->store;
    const std::vector<int> newIndex =
        store.compact([&](size_t r) { return store.row(r).change != RowChange::Deleted; });
    for (size_t r = 0; r < store.rowCount(); ++r) {
        if (store.row(r).extra >= 0)
            store.extra(r).original.clear();
        store.row(r).change = RowChange::None;
    }
    for (int& r : d->visible)
        r = newIndex[size_t(r)];
    if (d->editRow >= 0 && size_t(d->editRow) < newIndex.size())
        d->editRow = newIndex[size_t(d->editRow)];
}

int DataTable::changeCount() const
{
    int n = 0;
    for (size_t r = 0; r < d->store.rowCount(); ++r) {
        if (d->store.row(r).change != RowChange::None)
            ++n;
    }
    return n;
}

// --- data sources --------------------------------------------------------------------------

void DataTable::attach(DataSource* source)
{
    if (source && !d->sources.contains(source))
        d->sources.append(source);
}

void DataTable::detach(DataSource* source)
{
    d->sources.removeAll(source);
}

} // namespace veltra
