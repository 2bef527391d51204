// Conversions of values that the bus cannot carry as they are.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// The bus has no 32-bit float, so floats travel as doubles. A float widened to a double comes back
// exactly; a double beyond the float range (only a foreign client sends one) becomes an infinity
// instead of an undefined conversion.
inline float BusDoubleToFloat(double value)
{
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    if (value > static_cast<double>(std::numeric_limits<float>::max()))
        return std::numeric_limits<float>::infinity();
    if (value < -static_cast<double>(std::numeric_limits<float>::max()))
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}
