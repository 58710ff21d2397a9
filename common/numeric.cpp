#include "common/numeric.h"

#include <cfloat>
#include <cmath>
#include <limits>

int32_t truncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    // Both limits are exact doubles; anything at or past them saturates.
    if (value >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

float roundToSingle(double value)
{
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    // Halfway between FLT_MAX and 2^128: at or beyond it the value rounds to infinity.
    constexpr double overflowEdge = 0x1.ffffffp127;
    if (std::fabs(value) > static_cast<double>(FLT_MAX)) {
        const float big = std::fabs(value) >= overflowEdge ? std::numeric_limits<float>::infinity() : FLT_MAX;
        return value < 0 ? -big : big;
    }
    return static_cast<float>(value);
}

int32_t saturateToInt32(int64_t value)
{
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}
