// What the file of each instruction set gives the kernel table (choose.cc):
// its kernel's row, with the processor test and the classifiers that the
// fuzz program checks; and the decoding on the vectors that every build
// has, for kernels without one of their own. The runs include kernel.h
// and the helpers of texts and chunks (vectors.h, chunk_bits.h,
// register_text.h), never this.
#pragma once

#include <cstdint>
#include <span>

#include "codec/kernels/kernel.h"
#include "codec/kernels/vectors.h"

// Kernels beyond the vectors that every build has: x86-64 ones, each file
// compiled with per-function target attributes, unless the portable words
// are asked for.
#if defined(__x86_64__) && !defined(PRIMEPACK_PORTABLE)
#define PRIMEPACK_X86_KERNELS 1
#endif

// A kernel's classifiers of a chunk's bytes, as its window paths use them
// (bit i for byte i of the 64 at `chunk`); digits only where the kernel
// classifies them. The fuzz program checks each against byte tables of
// its own, so that a vector test that takes one byte too many shows.
struct ChunkClassifiers {
  const char* name;
  std::uint64_t (*white_space_bits)(const char* chunk);
  std::uint64_t (*up_to_blank_bits)(const char* chunk);
  std::uint64_t (*byte_bits)(const char* chunk, char byte);
  std::uint64_t (*digit_bits)(const char* chunk);  // null where the kernel has none
};

// A row of the kernel table: the kernel (its name and entry points), the
// test of whether this processor and system run it, and its classifiers.
struct KernelRow {
  Kernel kernel;
  bool (*runs_here)();
  const ChunkClassifiers* classifiers;
};

// The test of a kernel that every processor of its build runs.
inline bool on_any_processor() { return true; }

// The decoding on the vectors that every build has (SSE2, or the portable
// words), for kernels without one of their own, and those vectors'
// classifiers; and the portable words' classifiers, in every build.
namespace common_vectors {
std::int64_t decode_windows(TokenWindows& windows);
extern const ChunkClassifiers classifiers;
extern const ChunkClassifiers portable_classifiers;
}  // namespace common_vectors

// The rows of the kernels that this processor runs, in the table's order.
std::span<const KernelRow* const> kernel_rows_here();
