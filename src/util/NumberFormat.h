// The user's number format: the decimal separator used for every number the
// program writes. Number words inside stored texts are always read with ".".
#pragma once

#include <QChar>
#include <QString>

namespace veltra {

/// The decimal separator of the user's number format settings. Taken from the
/// system locale at first use; SetDecimalSeparator overrides it for the whole
/// process (the command line's --decimal-separator, tests). Like the operating
/// system's own number settings, it is one value for the whole program.
QChar DecimalSeparator();
void SetDecimalSeparator(QChar separator);

/// A number as stored (with "." as decimal point, "65.579", "1.5E-3") written with the
/// user's decimal separator.
QString LocalNumberText(const QString& storedNumber);

} // namespace veltra
