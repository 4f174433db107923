#include "data/FieldDisplay.h"

#include "data/FieldDef.h"
#include "util/NumberFormat.h"

namespace veltra {

QString FieldDisplayText(const FieldDef& field, const QString& value)
{
    if (field.type == FieldType::Float || field.type == FieldType::Fixed)
        return LocalNumberText(value);
    return value;
}

} // namespace veltra
