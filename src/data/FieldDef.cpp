#include "data/FieldDef.h"

#include <limits>

namespace veltra {

namespace {

struct TypeName
{
    FieldType type;
    const char* name;
};

constexpr TypeName kTypeNames[] = {
    {FieldType::String, "string"},   {FieldType::WideString, "string.uni"},
    {FieldType::Int8, "i1"},         {FieldType::Int16, "i2"},
    {FieldType::Int32, "i4"},        {FieldType::Int64, "i8"},
    {FieldType::UInt8, "ui1"},       {FieldType::UInt16, "ui2"},
    {FieldType::UInt32, "ui4"},      {FieldType::UInt64, "ui8"},
    {FieldType::Float, "r8"},        {FieldType::Fixed, "fixed"},
    {FieldType::Boolean, "boolean"}, {FieldType::Date, "date"},
    {FieldType::Time, "time"},       {FieldType::DateTime, "dateTime"},
    {FieldType::BinHex, "bin.hex"},  {FieldType::Nested, "nested"},
};

} // namespace

bool FieldDef::isInteger() const
{
    switch (type) {
    case FieldType::Int8:
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64:
    case FieldType::UInt8:
    case FieldType::UInt16:
    case FieldType::UInt32:
    case FieldType::UInt64:
        return true;
    default:
        return false;
    }
}

bool FieldDef::isNumber() const
{
    return isInteger() || type == FieldType::Float || type == FieldType::Fixed;
}

FieldKind FieldDef::kind() const
{
    if (isNumber())
        return FieldKind::Number;
    if (type == FieldType::BinHex) {
        // Text and formatted text are multi-line texts; other subtypes hold binary data.
        if (subtype.compare(QLatin1String("Text"), Qt::CaseInsensitive) == 0 ||
            subtype.compare(QLatin1String("Formatted"), Qt::CaseInsensitive) == 0 ||
            subtype.compare(QLatin1String("WideText"), Qt::CaseInsensitive) == 0)
            return FieldKind::Memo;
    }
    return FieldKind::Text;
}

bool FieldDef::integerRange(qint64& min, quint64& max) const
{
    switch (type) {
    case FieldType::Int8:
        min = std::numeric_limits<qint8>::min();
        max = std::numeric_limits<qint8>::max();
        return true;
    case FieldType::Int16:
        min = std::numeric_limits<qint16>::min();
        max = std::numeric_limits<qint16>::max();
        return true;
    case FieldType::Int32:
        min = std::numeric_limits<qint32>::min();
        max = std::numeric_limits<qint32>::max();
        return true;
    case FieldType::Int64:
        min = std::numeric_limits<qint64>::min();
        max = std::numeric_limits<qint64>::max();
        return true;
    case FieldType::UInt8:
        min = 0;
        max = std::numeric_limits<quint8>::max();
        return true;
    case FieldType::UInt16:
        min = 0;
        max = std::numeric_limits<quint16>::max();
        return true;
    case FieldType::UInt32:
        min = 0;
        max = std::numeric_limits<quint32>::max();
        return true;
    case FieldType::UInt64:
        min = 0;
        max = std::numeric_limits<quint64>::max();
        return true;
    default:
        return false;
    }
}

FieldType FieldDef::typeFromName(const QString& typeName)
{
    for (const TypeName& t : kTypeNames) {
        if (typeName.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            return t.type;
    }
    return FieldType::Unknown;
}

QString FieldDef::nameOfType(FieldType type)
{
    for (const TypeName& t : kTypeNames) {
        if (t.type == type)
            return QLatin1String(t.name);
    }
    return QString();
}

FieldDef FieldDef::text(const QString& name, int width)
{
    FieldDef f;
    f.name = name;
    f.typeName = QStringLiteral("string");
    f.type = FieldType::String;
    f.width = width;
    return f;
}

FieldDef FieldDef::uint16(const QString& name)
{
    FieldDef f;
    f.name = name;
    f.typeName = QStringLiteral("ui2");
    f.type = FieldType::UInt16;
    return f;
}

} // namespace veltra
