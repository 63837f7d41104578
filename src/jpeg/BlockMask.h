#pragma once
// Which coefficients of a block are not zero, as bits: runs of zeros are then
// counted with one instruction instead of walked coefficient by coefficient.
// The statistics and the coder both read this one definition.
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The entropy coder and the statistics are integer work full of bit counts,
// shifts and masks: built a second time for the instruction set of the last
// decade (BMI1/2, LZCNT, AVX2), which the loader picks where the processor
// has it. The results are the same integers either way. GCC only: clang
// gives the versions no symbol that other files' calls could reach. The
// thread checker's runtime starts after the loader has made that choice, so
// its build keeps the one plain build.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define NIMBREL_ENTROPY_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define NIMBREL_ENTROPY_CLONES
#endif

namespace nimbrel::block_mask {

// Bit k set when coefficient k (zig-zag order) of the 64 is not zero.
inline uint64_t NonZero(const int16_t* block) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    uint64_t zeros = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i + 8));
        const __m128i bytes = _mm_packs_epi16(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero));
        zeros |= uint64_t(uint32_t(_mm_movemask_epi8(bytes))) << (16 * i);
    }
    return ~zeros;
#else
    uint64_t nonZero = 0;
    for (int k = 0; k < 64; ++k) nonZero |= uint64_t(block[k] != 0) << k;
    return nonZero;
#endif
}

}  // namespace nimbrel::block_mask
