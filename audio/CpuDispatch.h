#pragma once
// Run-time choice of instruction set for the analysis inner loops. Every copy of a loop does the
// same floating-point operations in the same order, and no copy fuses a multiply with an add (the
// build turns contraction off), so all copies give bit-for-bit the same results; only how many
// values one instruction handles differs.
//
// - A function marked TW_WIDE_VECTOR_CLONES is compiled twice on x86-64 by GCC, for the baseline
//   instruction set and for AVX2, and the loader picks the copy the processor runs. Helpers
//   marked TW_INLINE_INTO_CLONES are compiled into each copy, so that they use its instructions.
// - Code written by hand for 256-bit registers is marked TW_WIDE_VECTOR_TARGET, guarded by
//   TW_WIDE_VECTORS, and called only when CpuHasWideVectors() is true.
// Elsewhere the macros are empty and the portable code is used.

#if defined(__GNUC__) || defined(__clang__)
#define TW_INLINE_INTO_CLONES inline __attribute__((always_inline))
#else
#define TW_INLINE_INTO_CLONES inline
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(TW_NO_CLONES)
#if defined(__clang__)
// clang names the chooser of a cloned function apart from the function ("….ifunc"), so a call
// from another file finds no definition: clang builds keep the baseline copy only.
#define TW_WIDE_VECTOR_CLONES
#else
#define TW_WIDE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
#define TW_WIDE_VECTORS 1
#define TW_WIDE_VECTOR_TARGET __attribute__((target("avx2")))
#else
#define TW_WIDE_VECTOR_CLONES
#define TW_WIDE_VECTORS 0
#endif

// True when the processor runs the hand-written 256-bit code and it has not been turned off.
bool CpuHasWideVectors();
// Turns the hand-written 256-bit code off (false) or back on, for the whole process; the tests
// use it to hold the wide code to the baseline code's results. Objects that chose their code
// when they were made keep it.
void AllowWideVectors(bool allowed);
