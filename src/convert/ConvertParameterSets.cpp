#include "convert/ConvertParameterSets.h"

#include "util/VeltraError.h"
#include "util/uString.h"

#include <cmath>

namespace veltra {

namespace {

[[noreturn]] void ThrowDivisionByZero()
{
    throw FloatingPointError(QStringLiteral("Floating point division by zero"));
}

[[noreturn]] void ThrowInvalidOperation()
{
    throw FloatingPointError(QStringLiteral("Invalid floating point operation"));
}

// Every arithmetic result is checked, as a trapping floating-point unit would:
// NaN means an invalid operation, infinity an overflow.
double Checked(double result)
{
    if (std::isnan(result))
        ThrowInvalidOperation();
    if (std::isinf(result))
        throw FloatingPointError(QStringLiteral("Floating point overflow"));
    return result;
}

double Divide(double a, double b)
{
    if (b == 0.0)
        ThrowDivisionByZero();
    return Checked(a / b);
}

double Multiply(double a, double b)
{
    return Checked(a * b);
}

// The logarithm of 0 counts as a division by zero, of a negative number as an
// invalid operation.
double NaturalLog(double x)
{
    if (x == 0.0)
        ThrowDivisionByZero();
    if (x < 0.0)
        ThrowInvalidOperation();
    return Checked(std::log(x));
}

QString F(double x)
{
    return TrimBlanks(FormatFixedWidth(x, 10, 3));
}

// The parameter text of a PT line, or a null text when the distribution is
// not one of the six known ones.
QString ParameterText(const QString& distribution, const QString& value)
{
    auto w = [&value](int n) { return ExtractWord(value, n, StandardWordDelimiters); };
    auto x = [&value](int n) { return ExtractWordValue(value, n, StandardWordDelimiters); };
    const QString q = QStringLiteral("  q=") + w(1) + u',';
    if (distribution == u"GeneralF") {
        return q + QStringLiteral("m1=") + w(2) + QStringLiteral(",m2=") + w(3) +
               QStringLiteral(",Lambda=") + w(4) + QStringLiteral(",p=") + w(5);
    }
    if (distribution == u"Loglogistisch" || distribution == u"Weibull") {
        const QString shape = F(x(3));
        return q + QStringLiteral("Shape a=") + shape + QStringLiteral(", Scale b=") +
               F(Divide(1.0, x(2)));
    }
    if (distribution == u"Gamma") {
        const QString shape = F(x(2));
        return q + QStringLiteral("Shape a=") + shape + QStringLiteral(", Scale b=") +
               F(Divide(1.0, Multiply(x(2), x(3))));
    }
    if (distribution == u"Lognormal") {
        const QString mean = F(-NaturalLog(x(2)));
        return q + QStringLiteral("Mean m=") + mean + QStringLiteral(", SD s= ") +
               F(Divide(1.0, x(3)));
    }
    if (distribution == u"Exponential")
        return q + QStringLiteral("Lambda =") + F(x(2));
    return {};
}

} // namespace

QString GfValueText(const QString& line)
{
    QString value = TextAfterChar(line, u'=');
    if (value.isEmpty())
        return value;
    // The last character may be a surrogate pair.
    const QChar last = value.back();
    const bool pair =
        last.isLowSurrogate() && value.size() >= 2 && value.at(value.size() - 2).isHighSurrogate();
    const char32_t code =
        pair ? QChar::surrogateToUcs4(value.at(value.size() - 2), last) : last.unicode();
    if (!QChar::isLetterOrNumber(code) && code != U'.')
        value.chop(pair ? 2 : 1);
    return value;
}

GeneratorResult ConvertParameterSets(const QStringList& gfLines)
{
    GeneratorResult result;
    QStringList& output = result.lines;
    output << PadLeftTo(QStringLiteral("Rank"), 6) + PadLeftTo(QStringLiteral("Distribution"), 15) +
                  PadLeftTo(QStringLiteral("KS/AP"), 8) +
                  PadLeftTo(QStringLiteral("Parameter"), 13);

    QString rankText = QStringLiteral("Rank");
    QString distributionText = QStringLiteral("Distribution");
    QString fitText = QStringLiteral("KS/AP");
    QString parameterText = QStringLiteral("Parameter");
    qint32 rowCounter = 0;

    for (int index = 0; index < gfLines.size(); ++index) {
        const QString& line = gfLines.at(index);
        try {
            const QString key = TextBeforeChar(line, u'=');
            const QString trimmedKey = TrimBlanks(key);
            if (trimmedKey == u"TYPE") {
                rankText = FormatIntWidth(rowCounter, 6);
                distributionText = TrimBlanks(GfValueText(line));
            } else if (trimmedKey == u"PT") {
                rankText = FormatIntWidth(rowCounter, 6);
                const QString text = ParameterText(distributionText, GfValueText(line));
                if (!text.isNull())
                    parameterText = text;
            } else if (key == u"KS" || key == u"AP") {
                fitText = FormatFixedWidth(
                    ExtractWordValue(GfValueText(line), 1, StandardWordDelimiters), 8, 4);
                output << PadLeftTo(rankText, 6) + PadLeftTo(distributionText, 15) +
                              PadLeftTo(fitText, 8) + QStringLiteral("  ") + parameterText;
                ++rowCounter;
            }
        } catch (const VeltraError& error) {
            // The rows completed so far stay in the result together with the error.
            result.stop(index, error.message());
            return result;
        }
    }
    return result;
}

} // namespace veltra
