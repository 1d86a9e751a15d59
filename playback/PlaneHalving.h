#pragma once

#include <cstdint>

// Halves an 8-bit plane in both directions: each output sample is the rounded mean of a 2x2
// block of the input, the area filter's own weights at 2:1. `width` and `height` are the
// input's; the output is width / 2 by height / 2 (an odd last column or row is dropped).
void HalvePlane(const std::uint8_t *src, int srcStride, int width, int height, std::uint8_t *dst,
                int dstStride);
