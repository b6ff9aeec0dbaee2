// The red/cyan anaglyph's arithmetic, on every core.
#include "gl/eye_mix.h"

#include "files/parallel.h"

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

}  // namespace

void mix_red_cyan(const unsigned char* left, const unsigned char* right, unsigned char* out, size_t pixels) {
    run_parallel_parts(
        [&](int part) {
            int first, end;
            parallel_share((long long)pixels, part, &first, &end);
            mix_share(left, right, out, (size_t)first, (size_t)end);
        },
        (long long)pixels);
}
