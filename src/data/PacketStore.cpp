#include "data/PacketStore.h"

#include "util/VeltraError.h"

#include <atomic>
#include <cstring>

namespace veltra {

char16_t* decodeValidUtf8(const uchar* s, const uchar* e, char16_t* out)
{
    while (s < e) {
        // Runs of ASCII, eight bytes at a time.
        while (e - s >= 8) {
            quint64 w;
            std::memcpy(&w, s, 8);
            if (w & 0x8080808080808080ULL)
                break;
            for (int k = 0; k < 8; ++k)
                out[k] = s[k];
            out += 8;
            s += 8;
        }
        if (s >= e)
            break;
        const uchar c = *s;
        if (c < 0x80) {
            *out++ = c;
            ++s;
        } else if (c < 0xE0) {
            *out++ = char16_t(((c & 0x1F) << 6) | (s[1] & 0x3F));
            s += 2;
        } else if (c < 0xF0) {
            *out++ = char16_t(((c & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F));
            s += 3;
        } else {
            uint cp = ((c & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) |
                      (s[3] & 0x3Fu);
            cp -= 0x10000;
            *out++ = char16_t(0xD800 + (cp >> 10));
            *out++ = char16_t(0xDC00 + (cp & 0x3FF));
            s += 4;
        }
    }
    return out;
}

void PacketStore::touch()
{
    static std::atomic<quint64> next{0};
    m_generation = ++next;
}

void PacketStore::reset(int fieldCount, QByteArray file)
{
    touch();
    m_fieldCount = fieldCount;
    m_file = std::move(file);
    m_own.clear();
    m_slices.clear();
    m_rows.clear();
    m_extras.clear();
}

QString PacketStore::text(ValueSlice s) const
{
    if (s.size == 0)
        return QString();
    const QByteArrayView b = bytes(s);
    QString result(b.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    const uchar* begin = reinterpret_cast<const uchar*>(b.data());
    const char16_t* end = decodeValidUtf8(begin, begin + b.size(), out);
    result.truncate(end - out);
    return result;
}

QStringList PacketStore::values(size_t r) const
{
    QStringList list;
    list.reserve(m_fieldCount);
    for (int f = 0; f < m_fieldCount; ++f)
        list.append(text(r, f));
    return list;
}

QStringList PacketStore::originalValues(size_t r) const
{
    QStringList list;
    const StoredRow& row = m_rows[r];
    if (row.extra < 0)
        return list;
    for (ValueSlice s : m_extras[size_t(row.extra)].original)
        list.append(text(s));
    return list;
}

XmlFragment PacketStore::content(size_t r) const
{
    const StoredRow& row = m_rows[r];
    return row.extra < 0 ? XmlFragment() : m_extras[size_t(row.extra)].content;
}

ValueSlice PacketStore::addBytes(const char* bytes, qsizetype size)
{
    const qsizetype from = m_own.size();
    if (size > 0)
        m_own.append(bytes, size);
    return ownSlice(from);
}

ValueSlice PacketStore::addText(const QString& text)
{
    if (text.isEmpty())
        return ValueSlice();
    const QByteArray utf8 = text.toUtf8();
    return addBytes(utf8.constData(), utf8.size());
}

ValueSlice PacketStore::ownSlice(qsizetype from) const
{
    if (m_own.size() >= qsizetype(kOwnBit))
        throw VeltraError(
            QStringLiteral("a table holds at most 2 GiB of changed and decoded texts"));
    if (m_own.size() == from)
        return ValueSlice();
    return ValueSlice{quint32(from) | kOwnBit, quint32(m_own.size() - from)};
}

void PacketStore::appendRow(const ValueSlice* slices, RowChange change, XmlFragment content)
{
    touch();
    m_slices.insert(m_slices.end(), slices, slices + m_fieldCount);
    StoredRow row;
    row.change = change;
    if (!content.empty()) {
        row.extra = int(m_extras.size());
        m_extras.push_back(RowExtra{std::move(content), {}});
    }
    m_rows.push_back(row);
}

RowExtra& PacketStore::extra(size_t r)
{
    StoredRow& row = m_rows[r];
    if (row.extra < 0) {
        row.extra = int(m_extras.size());
        m_extras.emplace_back();
    }
    return m_extras[size_t(row.extra)];
}

std::vector<PacketRow> PacketStore::packetRows() const
{
    std::vector<PacketRow> rows;
    rows.reserve(m_rows.size());
    for (size_t r = 0; r < m_rows.size(); ++r) {
        PacketRow row;
        row.values = values(r);
        row.change = m_rows[r].change;
        if (row.change == RowChange::Modified)
            row.original = originalValues(r);
        row.content = content(r);
        rows.push_back(std::move(row));
    }
    return rows;
}

void PacketStore::takeRows(std::vector<PacketRow>&& rows)
{
    std::vector<ValueSlice> slices(static_cast<size_t>(m_fieldCount));
    for (PacketRow& row : rows) {
        for (int f = 0; f < m_fieldCount; ++f)
            slices[size_t(f)] = f < row.values.size() ? addText(row.values.at(f)) : ValueSlice();
        appendRow(slices.data(), row.change, std::move(row.content));
        if (row.change == RowChange::Modified) {
            std::vector<ValueSlice>& original = extra(m_rows.size() - 1).original;
            for (const QString& v : row.original)
                original.push_back(addText(v));
        }
    }
}

} // namespace veltra
