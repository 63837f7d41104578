#pragma once
// The lossy part of the encoder for one row of blocks: colour conversion
// from the drawn picture, the transform and the quantization, with no block
// leaving the processor's registers and caches in between. It is built
// for the baseline instruction set, for AVX2 and for AVX-512, and the
// fastest one the processor offers is chosen at run time; all round every
// value the same way, so the files are the same whichever runs.
#include <cstdint>

namespace nimbrel::block_kernel {

struct BlockRow {
    const uint8_t* rows[8];  // the 8 pixel rows of the block row, B G R, top first
    int blocks;              // blocks in the row
    // Each byte value times the component's colour weight, the offset added
    // to blue's: the product of a byte and a single-precision weight is
    // exact in double, and so is the sum of three of them and the offset
    // (no more than 36 significant bits), so the one rounding is the store
    // to single precision.
    const double* red;
    const double* green;
    const double* blueAndOffset;
    // The weights and the offset themselves.
    float wR, wG, wB, offset;
    const float* M;  // multipliers at index u * 8 + v
    int16_t* out;    // 64 coefficients a block, zig-zag order
};

// False when a coefficient does not fit 16 bits (blocks up to it may have been written).
bool SampleBlockRow(const BlockRow& job);
// The same without any instruction beyond the baseline, for tests to hold
// the two against each other.
bool SampleBlockRowPortable(const BlockRow& job);

// Each build by name, so that tests can hold every one this processor runs
// against the portable one, not only the one chosen.
enum class Isa { Portable, Avx2, Avx512 };
bool Runs(Isa isa);
// False also when the processor does not run that build.
bool SampleBlockRowWith(Isa isa, const BlockRow& job);

}  // namespace nimbrel::block_kernel
