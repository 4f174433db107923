#include "data/DataPacketWriter.h"

#include "util/VeltraError.h"

#include <QSaveFile>

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

/// Appends an attribute value with the escapes of the file format.
void appendEscaped(QByteArray& out, const QString& value, PacketForm form)
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

void appendAttribute(QByteArray& out, const QString& name, const QString& value, PacketForm form)
{
    out.append(' ');
    out.append(name.toUtf8());
    out.append("=\"");
    appendEscaped(out, value, form);
    out.append('"');
}

void checkName(const QString& name, const char* what)
{
    if (!DataPacketWriter::isValidName(name))
        throw VeltraError(QStringLiteral("%1 \"%2\" cannot be written as an XML name")
                              .arg(QLatin1String(what), name));
}

void appendRow(QByteArray& out, const DataPacket& packet, const QStringList& values,
               const char* rowState, const QStringList* changedFrom, PacketForm form)
{
    out.append("<ROW");
    if (rowState) {
        out.append(" RowState=\"");
        out.append(rowState);
        out.append('"');
    }
    for (qsizetype i = 0; i < packet.fields.size(); ++i) {
        const FieldDef& f = packet.fields.at(i);
        if (f.type == FieldType::Nested)
            continue;
        const QString& v = i < values.size() ? values.at(i) : QString();
        if (changedFrom) {
            const QString& old = i < changedFrom->size() ? changedFrom->at(i) : QString();
            if (v == old)
                continue;
        } else if (v.isEmpty()) {
            continue;
        }
        appendAttribute(out, f.name, v, form);
    }
    out.append("/>");
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
    bool rowStateIsField = false;
    for (const FieldDef& f : packet.fields) {
        checkName(f.name, "field name");
        if (f.name.compare(QLatin1String("RowState"), Qt::CaseInsensitive) == 0)
            rowStateIsField = true;
    }
    for (const auto& p : packet.params)
        checkName(p.first, "table property");

    QByteArray out;
    qsizetype estimate = 256 + packet.fields.size() * 80;
    for (const PacketRow& row : packet.rows) {
        estimate += 8 + packet.fields.size() * 4;
        for (const QString& v : row.values)
            estimate += v.size() + 8;
    }
    out.reserve(estimate + estimate / 8);

    out.append(form == PacketForm::Utf8
                   ? "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                   : "<?xml version=\"1.0\" standalone=\"yes\"?>\n");
    out.append("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    for (const FieldDef& f : packet.fields) {
        // The name goes out as the ROW attributes spell it (a valid name needs no escapes).
        out.append("<FIELD attrname=\"");
        out.append(f.name.toUtf8());
        out.append('"');
        const QString typeName = f.typeName.isEmpty() ? FieldDef::nameOfType(f.type) : f.typeName;
        appendAttribute(out, QStringLiteral("fieldtype"), typeName, form);
        if (f.width > 0)
            appendAttribute(out, QStringLiteral("WIDTH"), QString::number(f.width), form);
        if (!f.subtype.isEmpty())
            appendAttribute(out, QStringLiteral("SUBTYPE"), f.subtype, form);
        if (f.required)
            out.append(" required=\"true\"");
        if (f.readOnly)
            out.append(" readonly=\"true\"");
        if (f.hidden)
            out.append(" hidden=\"true\"");
        out.append("/>");
    }
    out.append("</FIELDS>");
    if (!packet.params.isEmpty()) {
        out.append("<PARAMS");
        for (const auto& p : packet.params)
            appendAttribute(out, p.first, p.second, form);
        out.append("/>");
    }
    out.append("</METADATA><ROWDATA>");
    for (const PacketRow& row : packet.rows) {
        if (rowStateIsField && row.change == RowChange::Deleted)
            continue;
        const RowChange change = rowStateIsField ? RowChange::None : row.change;
        switch (change) {
        case RowChange::None:
            appendRow(out, packet, row.values, nullptr, nullptr, form);
            break;
        case RowChange::Inserted:
            appendRow(out, packet, row.values, "4", nullptr, form);
            break;
        case RowChange::Deleted:
            appendRow(out, packet, row.values, "2", nullptr, form);
            break;
        case RowChange::Modified:
            appendRow(out, packet, row.original, "1", nullptr, form);
            appendRow(out, packet, row.values, "8", &row.original, form);
            break;
        }
    }
    out.append("</ROWDATA></DATAPACKET>");
    return out;
}

void DataPacketWriter::writeFile(const DataPacket& packet, PacketForm form, const QString& path)
{
    const QByteArray bytes = write(packet, form);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw VeltraError(QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw VeltraError(QStringLiteral("cannot write \"%1\": %2").arg(path, reason));
    }
    if (!file.commit())
        throw VeltraError(QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString()));
}

} // namespace veltra
