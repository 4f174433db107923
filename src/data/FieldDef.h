// One column of a data packet: its name, type and the attributes of its FIELD element.
#pragma once

#include "data/DataPacketMarkup.h"

#include <QString>

namespace veltra {

enum class FieldType
{
    String,     // "string"
    WideString, // "string.uni"
    Int8,       // "i1"
    Int16,      // "i2"
    Int32,      // "i4"
    Int64,      // "i8"
    UInt8,      // "ui1"
    UInt16,     // "ui2"
    UInt32,     // "ui4"
    UInt64,     // "ui8"
    Float,      // "r8"
    Fixed,      // "fixed"
    Boolean,    // "boolean"
    Date,       // "date"
    Time,       // "time"
    DateTime,   // "dateTime"
    BinHex,     // "bin.hex" (SUBTYPE Text/Formatted: a multi-line text; others: binary)
    Nested,     // "nested": a detail table; its definition and detail rows are kept as markup
    Unknown     // any other fieldtype text: kept and read as text
};

/// How a grid or a report treats a field.
enum class FieldKind
{
    Text,
    Number,
    Memo
};

struct FieldDef
{
    QString name;     // attrname
    QString typeName; // fieldtype exactly as in the file ("string", "i4", ...)
    FieldType type = FieldType::String;
    int width = 0;   // WIDTH (read in any case); 0 when absent
    QString subtype; // SUBTYPE (read in any case); empty when absent
    bool required = false;
    bool readOnly = false;
    bool hidden = false;
    /// The other attributes of the FIELD element ("fieldname", "DECIMALS", ...), in file
    /// order, written back unchanged.
    XmlAttributes attributes;
    /// The content of the FIELD element: a nested field's own FIELDS and PARAMS.
    XmlFragment content;

    bool operator==(const FieldDef&) const = default;

    bool isInteger() const;
    bool isNumber() const; // integer, r8 or fixed
    FieldKind kind() const;
    /// The range of an integer field; false for other fields.
    bool integerRange(qint64& min, quint64& max) const;

    static FieldType typeFromName(const QString& typeName);
    static QString nameOfType(FieldType type);
    /// A text field of the given width ("string", WIDTH=width).
    static FieldDef text(const QString& name, int width);
    /// An unsigned 16-bit integer field ("ui2").
    static FieldDef uint16(const QString& name);
};

} // namespace veltra
