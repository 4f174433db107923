#include "data/DataPacketWriter.h"

#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <climits>
#include <limits>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace veltra {

namespace {

void appendNumber(QByteArray& out, uint value)
{
    char buf[12];
    int n = 0;
    do {
        buf[n++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    while (n)
        out.append(buf[--n]);
}

void appendUtf8(QByteArray& out, uint cp)
{
    if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xF0 | (cp >> 18)));
        out.append(char(0x80 | ((cp >> 12) & 0x3F)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

/// Appends a value with the escapes of the file format: an attribute value, or with
/// asText character data, where tabs and line feeds stay as they are.
void appendEscaped(QByteArray& out, const QString& value, PacketForm form, bool asText = false)
{
    const char16_t* s = reinterpret_cast<const char16_t*>(value.constData());
    const char16_t* e = s + value.size();
    while (s < e) {
        // Runs of plain ASCII go out in one piece.
        const char16_t* run = s;
        while (s < e && *s >= 0x20 && *s < 0x7F && *s != '<' && *s != '>' && *s != '"' &&
               *s != '&' && *s != '\'' && *s != '\\')
            ++s;
        if (s > run) {
            const qsizetype n = s - run;
            const qsizetype at = out.size();
            out.resize(at + n);
            char* dst = out.data() + at;
            for (qsizetype i = 0; i < n; ++i)
                dst[i] = char(run[i]);
        }
        if (s >= e)
            break;
        uint c = *s++;
        if (asText && (c == '\t' || c == '\n' || c == '"' || c == '\'' || c == '\\')) {
            out.append(char(c));
            continue;
        }
        switch (c) {
        case '<':
            out.append("&lt;");
            continue;
        case '>':
            out.append("&gt;");
            continue;
        case '"':
            out.append("&quot;");
            continue;
        case '&':
            out.append("&amp;");
            continue;
        case '\'':
            out.append("&apos;");
            continue;
        case '\r':
            out.append("&#013;");
            continue;
        case '\n':
            out.append("&#010;");
            continue;
        case '\t':
            out.append("&#009;");
            continue;
        case '\\':
            out.append("&#092;");
            continue;
        default:
            break;
        }
        if (c >= 0xD800 && c <= 0xDBFF && s < e && *s >= 0xDC00 && *s <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (*s - 0xDC00);
            ++s;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c == 0) {
            c = 0xFFFD; // a lone surrogate or NUL is no character of any file
        }
        if (c < 0x20 || c == 0x7F || form == PacketForm::Plain) {
            out.append("&#");
            appendNumber(out, c);
            out.append(';');
        } else {
            appendUtf8(out, c);
        }
    }
}

bool isAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

bool namesAreAscii(const XmlAttributes& attributes)
{
    for (const auto& a : attributes) {
        if (!isAscii(a.first))
            return false;
    }
    return true;
}

/// True when the markup (names, comments, PIs, CDATA sections: the parts that cannot
/// hold character references) is ASCII.
bool markupIsAscii(const XmlFragment& fragment)
{
    for (const XmlPiece& piece : fragment) {
        if (piece.kind != XmlPiece::Kind::Text && !isAscii(piece.text))
            return false;
        if (!isAscii(piece.name) || !namesAreAscii(piece.attributes))
            return false;
    }
    return true;
}

bool markupIsAscii(const DataPacket& packet)
{
    for (const FieldDef& f : packet.fields) {
        const bool nameInMarkup = DataPacketWriter::isValidName(f.name); // else a value
        if ((nameInMarkup && !isAscii(f.name)) || !namesAreAscii(f.attributes) ||
            !markupIsAscii(f.content))
            return false;
    }
    for (const PacketRow& row : packet.rows) {
        if (!markupIsAscii(row.content))
            return false;
    }
    const PacketMarkup& m = packet.markup;
    for (const XmlAttributes* list : {&packet.params, &m.rootAttributes, &m.metadataAttributes,
                                      &m.fieldsAttributes, &m.rowDataAttributes}) {
        if (!namesAreAscii(*list))
            return false;
    }
    for (const XmlFragment* fragment :
         {&m.document, &m.root, &m.metadata, &m.paramsContent, &m.fields, &m.rowData}) {
        if (!markupIsAscii(*fragment))
            return false;
    }
    return true;
}

bool isStringField(const FieldDef& f)
{
    return f.type == FieldType::String || f.type == FieldType::WideString;
}

/// Attribute names of FIELD that the writer writes from FieldDef's own members.
bool isFieldSetting(const QString& name)
{
    for (const char* own : {"attrname", "fieldtype", "required", "readonly", "hidden"}) {
        if (name == QLatin1String(own))
            return true;
    }
    return name.compare(QLatin1String("WIDTH"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("SUBTYPE"), Qt::CaseInsensitive) == 0;
}

class Writer
{
public:
    Writer(const DataPacket& packet, PacketForm form) : m_packet(packet), m_form(form) {}

    QByteArray run();

private:
    void check() const;
    void attribute(const QString& name, const QString& value)
    {
        m_out.append(' ');
        m_out.append(name.toUtf8());
        m_out.append("=\"");
        appendEscaped(m_out, value, m_form);
        m_out.append('"');
    }
    /// Writes a list of attributes; a name given twice would make the file unreadable.
    void attributes(const XmlAttributes& list, const QString& element);
    /// Writes the pieces of fragment from cursor on whose position is at most upTo.
    void pieces(const XmlFragment& fragment, size_t& cursor, int upTo);
    void pieces(const XmlFragment& fragment)
    {
        size_t cursor = 0;
        pieces(fragment, cursor, std::numeric_limits<int>::max());
    }
    void field(const FieldDef& f, int longest);
    void row(const PacketRow& row, const QStringList& values, const char* rowState,
             const QStringList* changedFrom, bool withContent);

    const DataPacket& m_packet;
    PacketForm m_form;
    QByteArray m_out;
};

void Writer::check() const
{
    for (const auto& p : m_packet.params) {
        if (!DataPacketWriter::isValidName(p.first))
            throw VeltraError(QStringLiteral("table property \"%1\" cannot be written as an XML "
                                             "name")
                                  .arg(p.first));
    }
    for (qsizetype i = 0; i < m_packet.fields.size(); ++i) {
        const FieldDef& f = m_packet.fields.at(i);
        for (const auto& a : f.attributes) {
            if (!DataPacketWriter::isValidName(a.first) || isFieldSetting(a.first))
                throw VeltraError(
                    QStringLiteral("attribute \"%1\" of field \"%2\" cannot be written")
                        .arg(a.first, f.name));
        }
        if (DataPacketWriter::isValidName(f.name))
            continue;
        // A name that is no XML name can head a FIELD (as a value) but no ROW attribute.
        for (size_t r = 0; r < m_packet.rows.size(); ++r) {
            const PacketRow& row = m_packet.rows[r];
            if (!row.values.value(i).isEmpty() || !row.original.value(i).isEmpty())
                throw VeltraError(QStringLiteral("field name \"%1\" cannot be written as an XML "
                                                 "name: the value of row %2 would be lost")
                                      .arg(f.name)
                                      .arg(r + 1));
        }
    }
}

void Writer::attributes(const XmlAttributes& list, const QString& element)
{
    bool twice = false;
    qsizetype at = 0;
    if (list.size() <= 16) {
        for (; at < list.size() && !twice; ++at) {
            for (qsizetype j = 0; j < at && !twice; ++j)
                twice = list.at(j).first == list.at(at).first;
        }
    } else {
        QSet<QString> seen;
        seen.reserve(list.size());
        for (; at < list.size() && !twice; ++at) {
            twice = seen.contains(list.at(at).first);
            seen.insert(list.at(at).first);
        }
    }
    if (twice)
        throw VeltraError(QStringLiteral("attribute \"%1\" given twice for <%2>")
                              .arg(list.at(at - 1).first, element));
    for (const auto& a : list)
        attribute(a.first, a.second);
}

void Writer::pieces(const XmlFragment& fragment, size_t& cursor, int upTo)
{
    for (; cursor < fragment.size() && fragment[cursor].position <= upTo; ++cursor) {
        const XmlPiece& piece = fragment[cursor];
        switch (piece.kind) {
        case XmlPiece::Kind::StartTag:
            m_out.append('<');
            m_out.append(piece.name.toUtf8());
            attributes(piece.attributes, piece.name);
            if (cursor + 1 < fragment.size() &&
                fragment[cursor + 1].kind == XmlPiece::Kind::EndTag) {
                m_out.append("/>");
                ++cursor;
            } else {
                m_out.append('>');
            }
            break;
        case XmlPiece::Kind::EndTag:
            m_out.append("</");
            m_out.append(piece.name.toUtf8());
            m_out.append('>');
            break;
        case XmlPiece::Kind::Text:
            appendEscaped(m_out, piece.text, m_form, true);
            break;
        case XmlPiece::Kind::CData:
            m_out.append("<![CDATA[");
            m_out.append(piece.text.toUtf8());
            m_out.append("]]>");
            break;
        case XmlPiece::Kind::Comment:
            m_out.append("<!--");
            m_out.append(piece.text.toUtf8());
            m_out.append("-->");
            break;
        case XmlPiece::Kind::Instruction:
            m_out.append("<?");
            m_out.append(piece.name.toUtf8());
            if (!piece.text.isEmpty()) {
                m_out.append(' ');
                m_out.append(piece.text.toUtf8());
            }
            m_out.append("?>");
            break;
        }
    }
}

void Writer::field(const FieldDef& f, int longest)
{
    m_out.append("<FIELD attrname=\"");
    if (DataPacketWriter::isValidName(f.name))
        m_out.append(f.name.toUtf8()); // as the ROW attributes spell it: no escapes needed
    else
        appendEscaped(m_out, f.name, m_form);
    m_out.append('"');
    const QString typeName = f.typeName.isEmpty() ? FieldDef::nameOfType(f.type) : f.typeName;
    attribute(QStringLiteral("fieldtype"), typeName);
    // Engines that size string fields by their width read values of a string field
    // without one as empty: a string field always gets a width.
    const int width = f.width > 0 || !isStringField(f) ? f.width : std::max(longest, 1);
    if (width > 0)
        attribute(QStringLiteral("WIDTH"), QString::number(width));
    if (!f.subtype.isEmpty())
        attribute(QStringLiteral("SUBTYPE"), f.subtype);
    if (f.required)
        m_out.append(" required=\"true\"");
    if (f.readOnly)
        m_out.append(" readonly=\"true\"");
    if (f.hidden)
        m_out.append(" hidden=\"true\"");
    attributes(f.attributes, QStringLiteral("FIELD"));
    if (f.content.empty()) {
        m_out.append("/>");
        return;
    }
    m_out.append('>');
    pieces(f.content);
    m_out.append("</FIELD>");
}

void Writer::row(const PacketRow& row, const QStringList& values, const char* rowState,
                 const QStringList* changedFrom, bool withContent)
{
    m_out.append("<ROW");
    if (rowState) {
        m_out.append(" RowState=\"");
        m_out.append(rowState);
        m_out.append('"');
    }
    for (qsizetype i = 0; i < m_packet.fields.size(); ++i) {
        const FieldDef& f = m_packet.fields.at(i);
        const QString& v = i < values.size() ? values.at(i) : QString();
        if (changedFrom) {
            const QString& old = i < changedFrom->size() ? changedFrom->at(i) : QString();
            if (v == old)
                continue;
        } else if (v.isEmpty()) {
            continue;
        }
        if (!DataPacketWriter::isValidName(f.name))
            continue; // only empty values, as check() made sure
        attribute(f.name, v);
    }
    if (!withContent || row.content.empty()) {
        m_out.append("/>");
        return;
    }
    m_out.append('>');
    pieces(row.content);
    m_out.append("</ROW>");
}

QByteArray Writer::run()
{
    check();
    bool rowStateIsField = false;
    for (const FieldDef& f : m_packet.fields) {
        if (f.name.compare(QLatin1String("RowState"), Qt::CaseInsensitive) == 0)
            rowStateIsField = true;
    }

    // Longest value of each field, for string fields without a width.
    std::vector<int> longest(size_t(m_packet.fields.size()), 0);
    qsizetype estimate = 256 + m_packet.fields.size() * 80;
    for (const PacketRow& row : m_packet.rows) {
        estimate += 8 + m_packet.fields.size() * 4;
        for (const QStringList* values : {&row.values, &row.original}) {
            for (qsizetype i = 0; i < values->size() && i < m_packet.fields.size(); ++i) {
                const qsizetype n = values->at(i).size();
                longest[size_t(i)] =
                    int(std::max(qsizetype(longest[size_t(i)]), std::min(n, qsizetype(INT_MAX))));
                estimate += n + 8;
            }
        }
    }
    m_out.reserve(estimate + estimate / 8);

    // Names, comments, PIs and CDATA sections cannot hold character references: when one
    // of them is not ASCII, the plain form is written with the UTF-8 form's declaration.
    const bool utf8 = m_form == PacketForm::Utf8 || !markupIsAscii(m_packet);
    m_out.append(utf8 ? "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      : "<?xml version=\"1.0\" standalone=\"yes\"?>\n");
    const PacketMarkup& markup = m_packet.markup;
    size_t document = 0, root = 0, metadata = 0, fields = 0, rowData = 0;
    pieces(markup.document, document, 0);

    m_out.append("<DATAPACKET");
    bool haveVersion = false;
    for (const auto& a : markup.rootAttributes)
        haveVersion = haveVersion || a.first == QLatin1String("Version");
    if (!haveVersion)
        m_out.append(" Version=\"2.0\"");
    attributes(markup.rootAttributes, QStringLiteral("DATAPACKET"));
    m_out.append('>');
    pieces(markup.root, root, 0);
    m_out.append("<METADATA");
    attributes(markup.metadataAttributes, QStringLiteral("METADATA"));
    m_out.append('>');
    pieces(markup.metadata, metadata, 0);
    m_out.append("<FIELDS");
    attributes(markup.fieldsAttributes, QStringLiteral("FIELDS"));
    m_out.append('>');
    for (qsizetype i = 0; i < m_packet.fields.size(); ++i) {
        pieces(markup.fields, fields, int(i));
        field(m_packet.fields.at(i), longest[size_t(i)]);
    }
    pieces(markup.fields, fields, std::numeric_limits<int>::max());
    m_out.append("</FIELDS>");
    pieces(markup.metadata, metadata, 1);
    m_out.append("<PARAMS");
    attributes(m_packet.params, QStringLiteral("PARAMS"));
    if (markup.paramsContent.empty()) {
        m_out.append("/>");
    } else {
        m_out.append('>');
        pieces(markup.paramsContent);
        m_out.append("</PARAMS>");
    }
    pieces(markup.metadata, metadata, std::numeric_limits<int>::max());
    m_out.append("</METADATA>");
    pieces(markup.root, root, 1);
    m_out.append("<ROWDATA");
    attributes(markup.rowDataAttributes, QStringLiteral("ROWDATA"));
    m_out.append('>');
    for (size_t i = 0; i < m_packet.rows.size(); ++i) {
        pieces(markup.rowData, rowData, int(std::min(i, size_t(INT_MAX))));
        const PacketRow& r = m_packet.rows[i];
        if (rowStateIsField && r.change == RowChange::Deleted)
            continue;
        const RowChange change = rowStateIsField ? RowChange::None : r.change;
        switch (change) {
        case RowChange::None:
            row(r, r.values, nullptr, nullptr, true);
            break;
        case RowChange::Inserted:
            row(r, r.values, "4", nullptr, true);
            break;
        case RowChange::Deleted:
            row(r, r.values, "2", nullptr, true);
            break;
        case RowChange::Modified:
            row(r, r.original, "1", nullptr, true);
            row(r, r.values, "8", &r.original, false);
            break;
        }
    }
    pieces(markup.rowData, rowData, std::numeric_limits<int>::max());
    m_out.append("</ROWDATA>");
    pieces(markup.root, root, std::numeric_limits<int>::max());
    m_out.append("</DATAPACKET>");
    pieces(markup.document, document, std::numeric_limits<int>::max());
    return std::move(m_out);
}

} // namespace

bool DataPacketWriter::isValidName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (c >= 0x80)
            continue;
        const bool letter =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
        const bool other = (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!letter && (i == 0 || !other))
            return false;
    }
    return true;
}

QByteArray DataPacketWriter::write(const DataPacket& packet, PacketForm form)
{
    Writer writer(packet, form);
    return writer.run();
}

void DataPacketWriter::writeFile(const DataPacket& packet, PacketForm form, const QString& path)
{
    if (path.isEmpty())
        throw VeltraError(QStringLiteral("cannot write a file without a name"));
    // A device, FIFO or folder is refused before the packet is made.
    const QString kind = NonRegularFileKind(path);
    if (!kind.isEmpty())
        throw VeltraError(
            WriteFailureMessage(path, QStringLiteral("it is %1, not a regular file").arg(kind)));
    WriteFileOrThrow(path, write(packet, form));
}

} // namespace veltra
