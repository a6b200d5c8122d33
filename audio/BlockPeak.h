#pragma once
// The peak level of a block of samples.

#include <cstddef>

// The largest absolute value among the `count` floats at `data`; 0 when count is 0 or data is
// null.
float BlockPeak(const float* data, std::size_t count);
