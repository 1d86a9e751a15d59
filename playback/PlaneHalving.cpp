#include "playback/PlaneHalving.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
inline std::uint8_t MeanOf(const std::uint8_t *top, const std::uint8_t *bottom, int x)
{
    return static_cast<std::uint8_t>((top[x] + top[x + 1] + bottom[x] + bottom[x + 1] + 2) >> 2);
}
} // namespace

void HalvePlane(const std::uint8_t *src, int srcStride, int width, int height, std::uint8_t *dst,
                int dstStride)
{
    const int outWidth = width / 2;
    for (int y = 0; y < height / 2; ++y) {
        const std::uint8_t *top = src + static_cast<std::ptrdiff_t>(2 * y) * srcStride;
        const std::uint8_t *bottom = top + srcStride;
        std::uint8_t *out = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
        int x = 0;
#if defined(__SSE2__)
        // 16 outputs a step: the even and odd samples of both rows as 16-bit lanes, summed
        // exactly, so the rounding is the scalar one.
        const __m128i lowBytes = _mm_set1_epi16(0x00ff);
        const __m128i two = _mm_set1_epi16(2);
        for (; 2 * x + 32 <= 2 * outWidth; x += 16) {
            __m128i sums[2];
            for (int half = 0; half < 2; ++half) {
                const int at = 2 * x + 16 * half;
                const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i *>(top + at));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bottom + at));
                const __m128i even =
                    _mm_add_epi16(_mm_and_si128(t, lowBytes), _mm_and_si128(b, lowBytes));
                const __m128i odd = _mm_add_epi16(_mm_srli_epi16(t, 8), _mm_srli_epi16(b, 8));
                sums[half] = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(even, odd), two), 2);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x),
                             _mm_packus_epi16(sums[0], sums[1]));
        }
#endif
        for (; x < outWidth; ++x)
            out[x] = MeanOf(top, bottom, 2 * x);
    }
}
