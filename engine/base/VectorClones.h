#pragma once

// A pixel loop marked VECTOR_CLONES is compiled twice, for AVX2 and for any
// x86-64, and the loader picks the one the processor runs. Both do the same
// IEEE operations in the same order (AVX2 brings no fused multiply-add), so
// the pictures are the same bits on every machine; AVX2 only does twice as
// many at once.
//
// Only a function the other files never see may be cloned: clang wants
// every declaration of a cloned function marked, so a public function calls
// its cloned twin in the same file.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VECTOR_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define VECTOR_CLONES
#endif
