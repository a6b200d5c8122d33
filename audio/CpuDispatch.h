#pragma once
// Run-time choice of instruction set for the analysis inner loops. A function marked
// TW_WIDE_VECTOR_CLONES is compiled twice on x86-64, for the baseline instruction set and for
// AVX2, and the loader picks the copy the processor runs. Neither copy fuses a multiply with an
// add (the build turns contraction off), and the compiler keeps the order of every floating-point
// operation, so both give bit-for-bit the same results; only how many values one instruction
// handles differs. Elsewhere the macro is empty and the one portable copy is used.

//
// Code written for 256-bit registers by hand is marked TW_WIDE_VECTOR_TARGET, guarded by
// TW_WIDE_VECTORS, and called only when CpuHasWideVectors() says the processor runs it.

// Helpers of an inner loop marked TW_INLINE_INTO_CLONES are compiled into each copy of the loop,
// so that they too use the copy's instruction set.
#if defined(__GNUC__) || defined(__clang__)
#define TW_INLINE_INTO_CLONES inline __attribute__((always_inline))
#else
#define TW_INLINE_INTO_CLONES inline
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(TW_NO_CLONES)
#define TW_WIDE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#define TW_WIDE_VECTORS 1
#define TW_WIDE_VECTOR_TARGET __attribute__((target("avx2")))
inline bool CpuHasWideVectors() {
    return __builtin_cpu_supports("avx2");
}
#else
#define TW_WIDE_VECTOR_CLONES
#define TW_WIDE_VECTORS 0
inline bool CpuHasWideVectors() {
    return false;
}
#endif
