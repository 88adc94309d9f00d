#include "outside/audio/pcm_conversion.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

template <typename Real>
std::int32_t Round(float sample, Real scale) {
    Real v = static_cast<Real>(sample) * scale;
    v = v > -scale ? v : -scale;  // NaN compares false and becomes the negative limit
    v = v < scale - 1 ? v : scale - 1;
    return static_cast<std::int32_t>(v + std::copysign(Real(0.5), v));
}

}  // namespace

void FloatToPcm(const float* in, std::size_t count, int bits, std::int32_t* out) {
    // Doubles from 24 bits on: a float cannot hold 2^31 - 1 exactly.
    if (bits <= 16) {
        const float scale = std::ldexp(1.0f, bits - 1);
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = Round(in[i], scale);
        }
        return;
    }
    const double scale = std::ldexp(1.0, bits - 1);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = Round(in[i], scale);
    }
}

void FloatToPcm16(const float* in, std::size_t count, std::int16_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(32768.0f);
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 sign = _mm_set1_ps(-0.0f);
    // Clip, add a half with the sample's sign, truncate: the scalar rule, four at a time. The
    // sum is exact since a clipped sample has at most 16 integer bits of the float's 24.
    const auto convert = [&](const float* p) {
        // max first: it gives its second operand, the limit, for NaN.
        const __m128 v = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(p), scale), low), high);
        return _mm_cvttps_epi32(_mm_add_ps(v, _mm_or_ps(_mm_and_ps(v, sign), half)));
    };
    for (; i + 8 <= count; i += 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packs_epi32(convert(in + i), convert(in + i + 4)));
    }
#endif
    for (; i < count; ++i) {
        out[i] = static_cast<std::int16_t>(Round(in[i], 32768.0f));
    }
}

void FloatToPcmDithered(const float* in, std::size_t count, int bits, std::int32_t* out,
                        DitherNoise& noise) {
    const double scale = std::ldexp(1.0, bits - 1);
    for (std::size_t i = 0; i < count; ++i) {
        double v = static_cast<double>(in[i]) * scale + noise.Next();
        v = v > -scale ? v : -scale;  // NaN compares false and becomes the negative limit
        v = v < scale - 1 ? v : scale - 1;
        out[i] = static_cast<std::int32_t>(v + std::copysign(0.5, v));
    }
}
