#include "util/NumberFormat.h"

#include <QLocale>
#include <atomic>

namespace veltra {

namespace {
// 0 means "not yet taken from the locale". An atomic keeps reads safe on any
// thread; the program writes it only at start-up or in tests.
std::atomic<char16_t> g_separator{0};
} // namespace

QChar DecimalSeparator()
{
    char16_t sep = g_separator.load(std::memory_order_relaxed);
    if (sep == 0) {
        const QString point = QLocale::system().decimalPoint();
        sep = point.isEmpty() ? u'.' : point.at(0).unicode();
        g_separator.store(sep, std::memory_order_relaxed);
    }
    return QChar(sep);
}

void SetDecimalSeparator(QChar separator)
{
    g_separator.store(separator.unicode(), std::memory_order_relaxed);
}

QString LocalNumberText(const QString& storedNumber)
{
    const QChar separator = DecimalSeparator();
    if (separator == QLatin1Char('.'))
        return storedNumber;
    QString text = storedNumber;
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0)
        text[point] = separator;
    return text;
}

} // namespace veltra
