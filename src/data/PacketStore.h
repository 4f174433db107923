// The rows of a loaded table held compactly: each value is a slice of one of two UTF-8
// byte buffers (the file as read, or the table's own buffer for decoded and changed
// values), turned into a QString only when it is read.
#pragma once

#include "data/DataPacket.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

namespace veltra {

/// Decodes valid UTF-8 (checked beforehand) into UTF-16; returns the end of the output.
/// A byte order mark is decoded as the character it is.
char16_t* decodeValidUtf8(const uchar* s, const uchar* e, char16_t* out);

/// A value: offset and size in bytes. Bit 31 of the offset selects the own buffer. An
/// empty slice is an empty value.
struct ValueSlice
{
    quint32 offset = 0;
    quint32 size = 0;
};

/// What few rows have: the content of the ROW element (detail rows of nested fields)
/// and the saved values of a modified row.
struct RowExtra
{
    XmlFragment content;
    std::vector<ValueSlice> original;
};

struct StoredRow
{
    RowChange change = RowChange::None;
    int extra = -1; // index into PacketStore::extras
};

class PacketStore
{
public:
    static constexpr quint32 kOwnBit = 0x80000000u;

    /// An empty store for rows of fieldCount values.
    void reset(int fieldCount, QByteArray file = QByteArray());

    int fieldCount() const { return m_fieldCount; }
    size_t rowCount() const { return m_rows.size(); }
    const StoredRow& row(size_t r) const { return m_rows[r]; }
    StoredRow& row(size_t r) { return m_rows[r]; }
    ValueSlice slice(size_t r, int field) const
    {
        return m_slices[r * size_t(m_fieldCount) + size_t(field)];
    }
    void setSlice(size_t r, int field, ValueSlice s)
    {
        touch();
        m_slices[r * size_t(m_fieldCount) + size_t(field)] = s;
    }

    QByteArrayView bytes(ValueSlice s) const
    {
        const QByteArray& buffer = (s.offset & kOwnBit) ? m_own : m_file;
        return QByteArrayView(buffer.constData() + (s.offset & ~kOwnBit), qsizetype(s.size));
    }
    /// The value as text (a null QString when empty).
    QString text(ValueSlice s) const;
    QString text(size_t r, int field) const { return text(slice(r, field)); }
    QStringList values(size_t r) const;
    QStringList originalValues(size_t r) const;
    XmlFragment content(size_t r) const;

    /// Appends UTF-8 bytes to the own buffer; throws when it would pass 2 GiB.
    ValueSlice addBytes(const char* bytes, qsizetype size);
    ValueSlice addText(const QString& text);
    /// The own buffer, for a decoder that appends to it directly; finish with ownSlice.
    QByteArray& ownBuffer() { return m_own; }
    ValueSlice ownSlice(qsizetype from) const;
    /// A slice of the file buffer.
    static ValueSlice fileSlice(qsizetype offset, qsizetype size)
    {
        return ValueSlice{quint32(offset), quint32(size)};
    }

    /// Appends a row of slices (fieldCount of them).
    void appendRow(const ValueSlice* slices, RowChange change, XmlFragment content);
    RowExtra& extra(size_t r);
    /// Keeps the rows for which keep(r) is true, in order; returns the new index of each
    /// old row (-1 when dropped).
    template <typename Keep> std::vector<int> compact(Keep keep)
    {
        touch();
        std::vector<int> newIndex(m_rows.size(), -1);
        size_t out = 0;
        const size_t n = size_t(m_fieldCount);
        for (size_t r = 0; r < m_rows.size(); ++r) {
            if (!keep(r))
                continue;
            newIndex[r] = int(out);
            if (out != r) {
                m_rows[out] = m_rows[r];
                std::copy_n(m_slices.begin() + std::ptrdiff_t(r * n), n,
                            m_slices.begin() + std::ptrdiff_t(out * n));
            }
            ++out;
        }
        m_rows.resize(out);
        m_slices.resize(out * n);
        return newIndex;
    }

    /// The rows as the writer takes them.
    std::vector<PacketRow> packetRows() const;
    /// Takes the rows of a packet (for tables not read from a file).
    void takeRows(std::vector<PacketRow>&& rows);

    /// Changes whenever a value, a row or the set of rows changes; never the same for
    /// two stores, so that what was derived from the values can be kept until then.
    quint64 generation() const { return m_generation; }

private:
    void touch();

    quint64 m_generation = 0;
    int m_fieldCount = 0;
    QByteArray m_file;
    QByteArray m_own;
    std::vector<ValueSlice> m_slices; // m_fieldCount per row
    std::vector<StoredRow> m_rows;
    std::vector<RowExtra> m_extras;
};

} // namespace veltra
