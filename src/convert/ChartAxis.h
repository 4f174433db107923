// The ticks of a chart's value axis, linear or logarithmic, at steps a reader takes in at
// a glance (1, 2 and 5 times a power of ten), computed outside the window so that the
// charts of the distribution window and their exports label the same values.
#pragma once

#include <QList>
#include <QString>

namespace veltra {

struct AxisTick
{
    double value = 0;
    QString label; ///< the value as the tables show numbers
};

/// Ticks inside [low, high] on a linear axis: multiples of a 1-2-5 step giving four to
/// eight ticks. Empty unless low < high and both are finite.
QList<AxisTick> LinearAxisTicks(double low, double high);

/// Ticks inside [low, high] on a logarithmic axis. Over several decades: the powers of
/// ten, with 2 and 5 times them while that keeps the count small; inside about one
/// decade, where no power of ten may fall in the range, the linear 1-2-5 ticks, so that a
/// range like 57.8 to 75 is labelled too. Empty unless 0 < low < high, both finite.
QList<AxisTick> LogAxisTicks(double low, double high);

} // namespace veltra
