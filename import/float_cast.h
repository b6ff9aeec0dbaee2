// Float-to-integer conversions defined for every value: NaN and values out of range are clamped first.
#pragma once

// `value` rounded toward zero and held within [low, high]; NaN gives `low`.
template <typename Integer>
Integer clamp_to_integer(double value, Integer low, Integer high) {
    if (!(value > (double)low)) return low;
    if (!(value < (double)high)) return high;
    return (Integer)value;
}
