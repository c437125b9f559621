// Still conversion kernels (streaming thread; pure functions of their arguments).
//
// The fast paths work on sixteen (AVX2) or eight (SSSE3) pixels at a time in 16-bit lanes with byte
// shuffles; they are chosen at run time, so the program still runs on CPUs without them.
#include "filter/StillConvert.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PEEKBOX_HAVE_X86 1
#endif

namespace filter {
namespace {

// One row of `width` pixels; `x0` pixels are done already (source and destination advanced).
void rowScalar(const uint8_t* s, uint8_t* d, int32_t x0, int32_t width) {
    for (int32_t x = x0; x < width; x += 2, s += 4) {
        const int32_t up = s[1] - 128;
        const int32_t vp = s[3] - 128;
        const int32_t cb = 16 * up;
        const int32_t cg = -9 * vp - 5 * up;
        const int32_t cr = 15 * vp;
        const int32_t y0 = 10 * s[0];
        *d++ = clampTenths(y0 + cb);
        *d++ = clampTenths(y0 + cg);
        *d++ = clampTenths(y0 + cr);
        if (x + 1 < width) {
            const int32_t y1 = 10 * s[2];
            *d++ = clampTenths(y1 + cb);
            *d++ = clampTenths(y1 + cg);
            *d++ = clampTenths(y1 + cr);
        }
    }
}

#ifdef PEEKBOX_HAVE_X86
// Eight pixels (16 source bytes, 24 destination bytes) per step, in tenths as 16-bit lanes:
// 10 Y + 16 U' etc. stay within -2048 .. 4582; after clamping to 0 .. 2550, x * 6554 >> 16 equals
// x / 10 for every such x, so the result is exactly the scalar one.
__attribute__((target("ssse3"))) int32_t rowSsse3(const uint8_t* s, uint8_t* d, int32_t width) {
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i c128 = _mm_set1_epi16(128);
    const __m128i k10 = _mm_set1_epi16(10);
    const __m128i k9 = _mm_set1_epi16(9);
    const __m128i k5 = _mm_set1_epi16(5);
    const __m128i k15 = _mm_set1_epi16(15);
    const __m128i zero = _mm_setzero_si128();
    const __m128i max = _mm_set1_epi16(2550);
    const __m128i div10 = _mm_set1_epi16(6554);
    // Chroma words U0 V0 U1 V1 U2 V2 U3 V3 -> U or V per pixel.
    const __m128i shufU = _mm_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
    const __m128i shufV = _mm_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15);
    // [B0..B7 G0..G7] and [R0..R7 ..] -> B0 G0 R0 B1 ... B5 | G5 R5 B6 G6 R6 B7 G7 R7.
    const __m128i bgLo = _mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5);
    const __m128i rLo = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
    const __m128i bgHi =
        _mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i rHi = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8, s += 16, d += 24) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i y10 = _mm_mullo_epi16(_mm_and_si128(v, lowBytes), k10);
        const __m128i c = _mm_srli_epi16(v, 8);
        const __m128i u = _mm_sub_epi16(_mm_shuffle_epi8(c, shufU), c128);
        const __m128i w = _mm_sub_epi16(_mm_shuffle_epi8(c, shufV), c128);
        __m128i b = _mm_add_epi16(y10, _mm_slli_epi16(u, 4));
        __m128i g =
            _mm_sub_epi16(y10, _mm_add_epi16(_mm_mullo_epi16(w, k9), _mm_mullo_epi16(u, k5)));
        __m128i r = _mm_add_epi16(y10, _mm_mullo_epi16(w, k15));
        b = _mm_mulhi_epu16(_mm_min_epi16(_mm_max_epi16(b, zero), max), div10);
        g = _mm_mulhi_epu16(_mm_min_epi16(_mm_max_epi16(g, zero), max), div10);
        r = _mm_mulhi_epu16(_mm_min_epi16(_mm_max_epi16(r, zero), max), div10);
        const __m128i bg = _mm_packus_epi16(b, g);
        const __m128i rr = _mm_packus_epi16(r, r);
        const __m128i lo = _mm_or_si128(_mm_shuffle_epi8(bg, bgLo), _mm_shuffle_epi8(rr, rLo));
        const __m128i hi = _mm_or_si128(_mm_shuffle_epi8(bg, bgHi), _mm_shuffle_epi8(rr, rHi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), lo);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), hi);
    }
    return x;
}

// The same steps on sixteen pixels: AVX2 byte shuffles work within each 128-bit half, so each half
// converts eight pixels exactly as rowSsse3 does and is stored on its own.
__attribute__((target("avx2"))) int32_t rowAvx2(const uint8_t* s, uint8_t* d, int32_t width) {
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    const __m256i c128 = _mm256_set1_epi16(128);
    const __m256i k10 = _mm256_set1_epi16(10);
    const __m256i k9 = _mm256_set1_epi16(9);
    const __m256i k5 = _mm256_set1_epi16(5);
    const __m256i k15 = _mm256_set1_epi16(15);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i max = _mm256_set1_epi16(2550);
    const __m256i div10 = _mm256_set1_epi16(6554);
    const __m256i shufU = _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13,  //
                                           0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
    const __m256i shufV =
        _mm256_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15,  //
                         2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15);
    const __m256i bgLo =
        _mm256_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5,  //
                         0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5);
    const __m256i rLo =
        _mm256_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1,  //
                         -1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
    const __m256i bgHi =
        _mm256_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1,  //
                         13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i rHi =
        _mm256_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1,  //
                         -1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16, s += 32, d += 48) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
        const __m256i y10 = _mm256_mullo_epi16(_mm256_and_si256(v, lowBytes), k10);
        const __m256i c = _mm256_srli_epi16(v, 8);
        const __m256i u = _mm256_sub_epi16(_mm256_shuffle_epi8(c, shufU), c128);
        const __m256i w = _mm256_sub_epi16(_mm256_shuffle_epi8(c, shufV), c128);
        __m256i b = _mm256_add_epi16(y10, _mm256_slli_epi16(u, 4));
        __m256i g = _mm256_sub_epi16(
            y10, _mm256_add_epi16(_mm256_mullo_epi16(w, k9), _mm256_mullo_epi16(u, k5)));
        __m256i r = _mm256_add_epi16(y10, _mm256_mullo_epi16(w, k15));
        b = _mm256_mulhi_epu16(_mm256_min_epi16(_mm256_max_epi16(b, zero), max), div10);
        g = _mm256_mulhi_epu16(_mm256_min_epi16(_mm256_max_epi16(g, zero), max), div10);
        r = _mm256_mulhi_epu16(_mm256_min_epi16(_mm256_max_epi16(r, zero), max), div10);
        const __m256i bg = _mm256_packus_epi16(b, g);
        const __m256i rr = _mm256_packus_epi16(r, r);
        const __m256i lo =
            _mm256_or_si256(_mm256_shuffle_epi8(bg, bgLo), _mm256_shuffle_epi8(rr, rLo));
        const __m256i hi =
            _mm256_or_si256(_mm256_shuffle_epi8(bg, bgHi), _mm256_shuffle_epi8(rr, rHi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(lo));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), _mm256_castsi256_si128(hi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 24), _mm256_extracti128_si256(lo, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 40), _mm256_extracti128_si256(hi, 1));
    }
    return x;
}

bool haveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

bool haveSsse3() {
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}
#endif

}  // namespace

void yuy2ToBgrScalar(const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height,
                     uint8_t* dst, ptrdiff_t dstStride) {
    for (int32_t y = 0; y < height; ++y) {
        rowScalar(src + static_cast<ptrdiff_t>(y) * srcStride,
                  dst + static_cast<ptrdiff_t>(y) * dstStride, 0, width);
    }
}

void yuy2ToBgr(const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height, uint8_t* dst,
               ptrdiff_t dstStride) {
#ifdef PEEKBOX_HAVE_X86
    if (haveSsse3()) {
        const bool avx2 = haveAvx2();
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* s = src + static_cast<ptrdiff_t>(y) * srcStride;
            uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dstStride;
            int32_t done = avx2 ? rowAvx2(s, d, width) : 0;
            done += rowSsse3(s + static_cast<ptrdiff_t>(done) * 2,
                             d + static_cast<ptrdiff_t>(done) * 3, width - done);
            rowScalar(s + static_cast<ptrdiff_t>(done) * 2, d + static_cast<ptrdiff_t>(done) * 3,
                      done, width);
        }
        return;
    }
#endif
    yuy2ToBgrScalar(src, srcStride, width, height, dst, dstStride);
}

void copyBgrRows(const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height,
                 bool flipRows, uint8_t* dst, ptrdiff_t dstStride) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    if (!flipRows && srcStride == dstStride && srcStride == static_cast<ptrdiff_t>(rowBytes)) {
        std::memcpy(dst, src, rowBytes * static_cast<size_t>(height));
        return;
    }
    for (int32_t y = 0; y < height; ++y) {
        const int32_t dy = flipRows ? height - 1 - y : y;
        std::memcpy(dst + static_cast<ptrdiff_t>(dy) * dstStride,
                    src + static_cast<ptrdiff_t>(y) * srcStride, rowBytes);
    }
}

}  // namespace filter
