// How the views show a stored field value.
#pragma once

#include <QString>

namespace veltra {

struct FieldDef;

/// The text a grid cell or a bound edit box shows for a stored value: the numbers of
/// r8 and fixed fields with the user's decimal separator, every other value as stored.
/// Stored texts (memos, GF lines) are never changed.
QString FieldDisplayText(const FieldDef& field, const QString& value);

} // namespace veltra
