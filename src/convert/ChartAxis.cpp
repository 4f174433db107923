#include "convert/ChartAxis.h"

#include "convert/FitSummary.h"

#include <cmath>

namespace veltra {

namespace {

// No axis needs more labels than fit on it; the bound also keeps every loop short.
constexpr int MostTicks = 12;

AxisTick Tick(double value)
{
    return {value, ShownNumber(value)};
}

} // namespace

QList<AxisTick> LinearAxisTicks(double low, double high)
{
    QList<AxisTick> ticks;
    if (!std::isfinite(low) || !std::isfinite(high) || !(low < high))
        return ticks;
    // The smallest 1-2-5 step that gives at most eight intervals.
    const double rough = (high - low) / 8;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    double step = decade;
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * decade;
        if (step >= rough)
            break;
    }
    if (!(step > 0) || !std::isfinite(step))
        return ticks;
    // A bound that is a multiple of the step up to rounding (-0.3 / 0.1) is a tick.
    const double first = std::ceil(low / step - 1e-9);
    for (int i = 0; i <= MostTicks; ++i) {
        double value = (first + i) * step;
        if (value > high + step * 1e-9)
            break;
        // A multiple computed as 0.30000000000000004 is shown as the multiple it is.
        if (std::abs(value) < step * 1e-9)
            value = 0;
        ticks << Tick(value);
    }
    return ticks;
}

QList<AxisTick> LogAxisTicks(double low, double high)
{
    QList<AxisTick> ticks;
    if (!std::isfinite(low) || !std::isfinite(high) || !(low > 0) || !(low < high))
        return ticks;
    const int firstDecade = int(std::floor(std::log10(low)));
    const int lastDecade = int(std::ceil(std::log10(high)));
    const int decades = lastDecade - firstDecade;
    // Over many decades only every n-th power of ten.
    const int every = std::max(1, (decades + MostTicks - 1) / MostTicks);
    auto collect = [&](std::initializer_list<double> factors) {
        QList<AxisTick> found;
        for (int k = firstDecade; k <= lastDecade; k += every) {
            const double power = std::pow(10.0, k);
            for (const double factor : factors) {
                const double value = factor * power;
                if (value >= low * (1 - 1e-12) && value <= high * (1 + 1e-12))
                    found << Tick(value);
            }
        }
        return found;
    };
    if (every == 1) {
        ticks = collect({1.0, 2.0, 5.0});
        if (ticks.size() > MostTicks)
            ticks = collect({1.0});
    } else {
        ticks = collect({1.0});
    }
    // Inside about one decade the logarithmic steps leave the axis nearly bare.
    if (ticks.size() < 3)
        ticks = LinearAxisTicks(low, high);
    return ticks;
}

} // namespace veltra
