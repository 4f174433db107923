// The floating-point reading of value texts that the table generators share.
#pragma once

#include <QChar>
#include <QString>
#include <optional>

namespace veltra {

/// A number text read with the given decimal separator: an optional "+" or "-", digits
/// with at most one decimal separator (at least one digit in all, as in "5", ".5" and
/// "5."), then optionally "E" or "e", an optional sign and at least one digit. Nothing
/// else is accepted, blanks neither. No value when the text does not have this form or
/// its value lies beyond the range of doubles.
std::optional<double> ReadNumber(const QString& text, QChar decimalSeparator);

} // namespace veltra
