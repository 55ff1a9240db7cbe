// The kernels that the build holds, and each one's entry points: for
// choose.cc, which picks among them, and for the file of each instruction
// set, which defines them. The runs see only kernel.h.
#pragma once

#include <cstdint>
#include <span>

#include "codec/kernels/kernel.h"
#include "codec/kernels/vectors.h"

// SSE2, AVX2 and AVX-512 on x86-64, unless the portable words are asked for.
#if defined(PRIMEPACK_HAVE_SSE2) && !defined(PRIMEPACK_PORTABLE)
#define PRIMEPACK_KERNEL_SSE2 1
#endif
#if defined(__x86_64__) && !defined(PRIMEPACK_PORTABLE)
#define PRIMEPACK_KERNEL_AVX2 1
#define PRIMEPACK_KERNEL_AVX512 1
#endif

// Each kernel's classifiers of a chunk's bytes, as its window paths use
// them (bit i for byte i of the 64 at `chunk`); digits only where the
// kernel classifies them. The fuzz program checks each against the byte
// classes, so that a vector test that takes one byte too many shows.
struct ChunkClassifiers {
  const char* name;
  std::uint64_t (*white_space_bits)(const char* chunk);
  std::uint64_t (*up_to_blank_bits)(const char* chunk);
  std::uint64_t (*byte_bits)(const char* chunk, char byte);
  std::uint64_t (*digit_bits)(const char* chunk);  // null where the kernel has none
};

// The decoding on the vectors that every build has (SSE2, or the portable
// words), for kernels without one of their own; and the classifiers of
// both kinds of vectors.
namespace baseline_kernel {
std::int64_t decode_windows(TokenWindows& run);
extern const ChunkClassifiers portable_classifiers;
#ifdef PRIMEPACK_HAVE_SSE2
extern const ChunkClassifiers sse2_classifiers;
#endif
}  // namespace baseline_kernel

#ifdef PRIMEPACK_KERNEL_SSE2
namespace sse2_kernel {
std::int64_t code_windows(LineWindows& run, const LineShape& shape);
}  // namespace sse2_kernel
#endif
#ifdef PRIMEPACK_KERNEL_AVX2
namespace avx2_kernel {
std::int64_t code_windows(LineWindows& run, const LineShape& shape);
std::int64_t decode_windows(TokenWindows& run);
extern const ChunkClassifiers classifiers;
}  // namespace avx2_kernel
#endif
#ifdef PRIMEPACK_KERNEL_AVX512
namespace avx512_kernel {
std::int64_t code_windows(LineWindows& run, const LineShape& shape);
std::int64_t decode_windows(TokenWindows& run);
extern const ChunkClassifiers classifiers;
}  // namespace avx512_kernel
#endif

// The classifiers of the vectors that the build holds and of every kernel
// that this processor runs, the portable words' first.
std::span<const ChunkClassifiers* const> classifiers_here();
