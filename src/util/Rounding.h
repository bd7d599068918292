#pragma once
// Banker's rounding: halves go to the even neighbour, as the program's number conversions do
// everywhere (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
#include <climits>

namespace qvor {

constexpr int roundHalfEven(double value)
{
    if (!(value == value)) return 0;   // NaN
    // Out-of-range values saturate; callers that care check the range before converting.
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    long long floorValue = static_cast<long long>(value);
    if (static_cast<double>(floorValue) > value) --floorValue;
    const double fraction = value - static_cast<double>(floorValue);
    long long result = floorValue;
    if (fraction > 0.5 || (fraction == 0.5 && (floorValue % 2 != 0))) ++result;
    if (result > INT_MAX) return INT_MAX;
    return static_cast<int>(result);
}

} // namespace qvor
