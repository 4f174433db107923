#include "util/IEEE754.h"

#include <bit>
#include <cstdint>

namespace veltra {

namespace {
constexpr std::uint64_t kExponentMask = 0x7FF0000000000000ULL;
constexpr std::uint64_t kFractionMask = 0x000FFFFFFFFFFFFFULL;
} // namespace

bool IsNaNValue(double x)
{
    // Decided on the bits, so that it holds whatever the compiler's
    // floating-point options assume about NaNs.
    const auto bits = std::bit_cast<std::uint64_t>(x);
    return (bits & kExponentMask) == kExponentMask && (bits & kFractionMask) != 0;
}

double NaNValue()
{
    return std::bit_cast<double>(std::uint64_t{0x7FFFFFFFFFFFFFFFULL});
}

} // namespace veltra
