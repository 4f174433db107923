// Dates and times as the user's locale writes them: the system's short date
// format and long time format (another locale may be passed). Every date or time the program writes
// into a text goes through these routines.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

namespace veltra {

/// date in the locale's short date format.
QString ShortDateText(const QDate& date, const QLocale& locale = QLocale::system());

/// A date for a field of width characters: the locale's short date where it fits, else
/// the ISO date (2026-12-11), which always fits ten characters.
QString ChangeDateText(const QDate& date, const QLocale& locale, qsizetype width = 10);
/// time in the locale's long time format without its time-zone part: hours,
/// minutes and seconds (and an AM/PM marker where the locale uses one).
QString LongTimeText(const QTime& time, const QLocale& locale = QLocale::system());
/// ShortDateText of the date, a blank, and LongTimeText of the time.
QString DateTimeText(const QDateTime& dateTime, const QLocale& locale = QLocale::system());

/// A QLocale/QDateTime time format without its time-zone fields ("t" outside
/// quotes), together with the blanks and an empty pair of parentheses that
/// only served to set the zone apart.
QString RemoveTimeZoneFormat(const QString& format);

} // namespace veltra
