#include "util/LocaleText.h"

#include <QLocale>

namespace veltra {

QString ShortDateText(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, QLocale::ShortFormat);
}

QString ChangeDateText(const QDate& date, const QLocale& locale, qsizetype width)
{
    const QString text = ShortDateText(date, locale);
    return text.size() <= width ? text : date.toString(Qt::ISODate);
}

QString LongTimeText(const QTime& time, const QLocale& locale)
{
    return locale.toString(time, RemoveTimeZoneFormat(locale.timeFormat(QLocale::LongFormat)));
}

QString DateTimeText(const QDateTime& dateTime, const QLocale& locale)
{
    return ShortDateText(dateTime.date(), locale) + u' ' + LongTimeText(dateTime.time(), locale);
}

QString RemoveTimeZoneFormat(const QString& format)
{
    QString out;
    bool inQuote = false;
    const qsizetype len = format.size();
    for (qsizetype i = 0; i < len; ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            // '' inside or outside quotes toggles twice and stays literal.
            inQuote = !inQuote;
            out += c;
            continue;
        }
        if (inQuote || c != u't') {
            out += c;
            continue;
        }
        while (i + 1 < len && format.at(i + 1) == u't')
            ++i;
        if (out.endsWith(u'(') && i + 1 < len && format.at(i + 1) == u')') {
            out.chop(1);
            ++i;
        }
        while (!out.isEmpty() && out.back().isSpace())
            out.chop(1);
    }
    return out.trimmed();
}

} // namespace veltra
