// The red/cyan anaglyph's arithmetic, on every core, and row interlacing.
#include "gl/eye_mix.h"

#include <cstring>

#include "files/parallel.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define EYE_MIX_AVX2 1
#endif

namespace {

constexpr int WEIGHT_ONE = 1 << 12;  // fixed-point weights: 4096 is 1

// Dubois's least-squares red/cyan matrices (rows: the output's red, green,
// blue; columns: the eye's red, green, blue), in WEIGHT_ONE units: they keep
// the colours seen through common red/cyan filters closest to the original
// with little of the other eye leaking through either filter, where a plain
// channel split loses saturated reds and greens. Applied to the stored
// values, as most viewers do, rather than to decoded light: a CPU pass that
// decodes costs several times more.
constexpr int w(double x) { return (int)(x * WEIGHT_ONE + (x < 0 ? -0.5 : 0.5)); }
const int LEFT_WEIGHTS[3][3] = {
    {w(0.437), w(0.449), w(0.164)}, {w(-0.062), w(-0.062), w(-0.024)}, {w(-0.048), w(-0.050), w(-0.017)}};
const int RIGHT_WEIGHTS[3][3] = {
    {w(-0.011), w(-0.032), w(-0.007)}, {w(0.377), w(0.761), w(0.009)}, {w(-0.026), w(-0.093), w(1.234)}};

int clamp_channel(int sum) {
    sum = (sum + WEIGHT_ONE / 2) >> 12;
    return sum < 0 ? 0 : sum > 255 ? 255 : sum;
}

// Written out channel by channel, with no inner loop, so that the compiler
// can do several pixels at once.
void mix_share(const unsigned char* left, const unsigned char* right, unsigned char* out, size_t first, size_t end) {
    const int (*a)[3] = LEFT_WEIGHTS;
    const int (*b)[3] = RIGHT_WEIGHTS;
    for (size_t i = first; i < end; ++i) {
        const unsigned char* l = left + 4 * i;
        const unsigned char* r = right + 4 * i;
        int lr = l[0], lg = l[1], lb = l[2], rr = r[0], rg = r[1], rb = r[2];
        out[4 * i] = (unsigned char)clamp_channel(a[0][0] * lr + a[0][1] * lg + a[0][2] * lb + b[0][0] * rr +
                                                  b[0][1] * rg + b[0][2] * rb);
        out[4 * i + 1] = (unsigned char)clamp_channel(a[1][0] * lr + a[1][1] * lg + a[1][2] * lb + b[1][0] * rr +
                                                      b[1][1] * rg + b[1][2] * rb);
        out[4 * i + 2] = (unsigned char)clamp_channel(a[2][0] * lr + a[2][1] * lg + a[2][2] * lb + b[2][0] * rr +
                                                      b[2][1] * rg + b[2][2] * rb);
        out[4 * i + 3] = 255;
    }
}

#ifdef __SSE2__
// Two weights as the 16-bit pair a multiply-add takes: `low` for the lower
// channel of a pair, `high` for the upper.
int weight_pair(int low, int high) { return (int)(((unsigned)high << 16) | (unsigned short)low); }

// Four pixels at a time: each 32-bit lane holds one pixel, its channels
// taken in 16-bit pairs (red with blue, green with alpha) so that one
// multiply-add gives a pair's share of an output channel; the packs clamp to
// 0..255. The same arithmetic as mix_share, to the bit.
void mix_share_sse2(const unsigned char* left, const unsigned char* right, unsigned char* out, size_t first,
                    size_t end) {
    const int (*a)[3] = LEFT_WEIGHTS;
    const int (*b)[3] = RIGHT_WEIGHTS;
    __m128i left_rb[3], left_g[3], right_rb[3], right_g[3];
    for (int c = 0; c < 3; ++c) {
        left_rb[c] = _mm_set1_epi32(weight_pair(a[c][0], a[c][2]));
        left_g[c] = _mm_set1_epi32(weight_pair(a[c][1], 0));
        right_rb[c] = _mm_set1_epi32(weight_pair(b[c][0], b[c][2]));
        right_g[c] = _mm_set1_epi32(weight_pair(b[c][1], 0));
    }
    const __m128i low_bytes = _mm_set1_epi16(0xff), half = _mm_set1_epi32(WEIGHT_ONE / 2);
    const __m128i opaque = _mm_set1_epi32(255);
    size_t i = first;
    for (; i + 4 <= end; i += 4) {
        __m128i l = _mm_loadu_si128((const __m128i*)(left + 4 * i));
        __m128i r = _mm_loadu_si128((const __m128i*)(right + 4 * i));
        __m128i lrb = _mm_and_si128(l, low_bytes), lga = _mm_srli_epi16(l, 8);
        __m128i rrb = _mm_and_si128(r, low_bytes), rga = _mm_srli_epi16(r, 8);
        __m128i channel[3];
        for (int c = 0; c < 3; ++c) {
            __m128i sum = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(lrb, left_rb[c]), _mm_madd_epi16(lga, left_g[c])),
                                        _mm_add_epi32(_mm_madd_epi16(rrb, right_rb[c]), _mm_madd_epi16(rga, right_g[c])));
            channel[c] = _mm_srai_epi32(_mm_add_epi32(sum, half), 12);
        }
        // r0..r3 g0..g3 b0..b3 a0..a3, then two byte interleaves make r0 g0 b0 a0 r1 ...
        __m128i planes = _mm_packus_epi16(_mm_packs_epi32(channel[0], channel[1]),
                                          _mm_packs_epi32(channel[2], opaque));
        __m128i step = _mm_unpacklo_epi8(planes, _mm_srli_si128(planes, 8));
        _mm_storeu_si128((__m128i*)(out + 4 * i), _mm_unpacklo_epi8(step, _mm_srli_si128(step, 8)));
    }
    mix_share(left, right, out, i, end);
}
#endif

#ifdef EYE_MIX_AVX2
// mix_share_sse2 eight pixels at a time on processors that have AVX2 (every
// step works within each half of the register, as the four-pixel one does).
__attribute__((target("avx2"))) void mix_share_avx2(const unsigned char* left, const unsigned char* right,
                                                    unsigned char* out, size_t first, size_t end) {
    const int (*a)[3] = LEFT_WEIGHTS;
    const int (*b)[3] = RIGHT_WEIGHTS;
    __m256i left_rb[3], left_g[3], right_rb[3], right_g[3];
    for (int c = 0; c < 3; ++c) {
        left_rb[c] = _mm256_set1_epi32(weight_pair(a[c][0], a[c][2]));
        left_g[c] = _mm256_set1_epi32(weight_pair(a[c][1], 0));
        right_rb[c] = _mm256_set1_epi32(weight_pair(b[c][0], b[c][2]));
        right_g[c] = _mm256_set1_epi32(weight_pair(b[c][1], 0));
    }
    const __m256i low_bytes = _mm256_set1_epi16(0xff), half = _mm256_set1_epi32(WEIGHT_ONE / 2);
    const __m256i opaque = _mm256_set1_epi32(255);
    size_t i = first;
    for (; i + 8 <= end; i += 8) {
        __m256i l = _mm256_loadu_si256((const __m256i*)(left + 4 * i));
        __m256i r = _mm256_loadu_si256((const __m256i*)(right + 4 * i));
        __m256i lrb = _mm256_and_si256(l, low_bytes), lga = _mm256_srli_epi16(l, 8);
        __m256i rrb = _mm256_and_si256(r, low_bytes), rga = _mm256_srli_epi16(r, 8);
        __m256i channel[3];
        for (int c = 0; c < 3; ++c) {
            __m256i sum = _mm256_add_epi32(
                _mm256_add_epi32(_mm256_madd_epi16(lrb, left_rb[c]), _mm256_madd_epi16(lga, left_g[c])),
                _mm256_add_epi32(_mm256_madd_epi16(rrb, right_rb[c]), _mm256_madd_epi16(rga, right_g[c])));
            channel[c] = _mm256_srai_epi32(_mm256_add_epi32(sum, half), 12);
        }
        __m256i planes = _mm256_packus_epi16(_mm256_packs_epi32(channel[0], channel[1]),
                                             _mm256_packs_epi32(channel[2], opaque));
        __m256i step = _mm256_unpacklo_epi8(planes, _mm256_srli_si256(planes, 8));
        _mm256_storeu_si256((__m256i*)(out + 4 * i), _mm256_unpacklo_epi8(step, _mm256_srli_si256(step, 8)));
    }
    mix_share_sse2(left, right, out, i, end);
}
#endif

}  // namespace

void mix_red_cyan(const unsigned char* left, const unsigned char* right, unsigned char* out, size_t pixels) {
#ifdef EYE_MIX_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
#endif
    run_parallel_parts(
        [&](int part) {
            int first, end;
            parallel_share((long long)pixels, part, &first, &end);
#if defined(EYE_MIX_AVX2)
            if (avx2) mix_share_avx2(left, right, out, (size_t)first, (size_t)end);
            else mix_share_sse2(left, right, out, (size_t)first, (size_t)end);
#elif defined(__SSE2__)
            mix_share_sse2(left, right, out, (size_t)first, (size_t)end);
#else
            mix_share(left, right, out, (size_t)first, (size_t)end);
#endif
        },
        (long long)pixels);
}

void interlace_eye_rows(const unsigned char* left, const unsigned char* right, unsigned char* out, int width,
                        int height) {
    size_t row = 4 * (size_t)width;
    for (int y = 0; y < height; ++y) {
        const unsigned char* eye = (height - 1 - y) % 2 == 0 ? left : right;
        memcpy(out + y * row, eye + y * row, row);
    }
}
