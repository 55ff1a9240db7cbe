// The kernels: one implementation of the window paths of compression and
// decompression per instruction set, behind one interface, each in a file
// of its own (kernel_sse2.cc, kernel_avx2.cc, kernel_avx512.cc). The one in
// use is chosen once, at start, as the best that the processor and the
// operating system support. Every kernel gives the same bytes as every
// other and as the general path.
#pragma once

#include <cstdint>
#include <span>

#include "codec/line_windows.h"
#include "codec/token_windows.h"

// The kernels that the build holds: SSE2, AVX2 and AVX-512 on x86-64,
// unless the portable words are asked for.
#if defined(PRIMEPACK_HAVE_SSE2) && !defined(PRIMEPACK_PORTABLE)
#define PRIMEPACK_KERNEL_SSE2 1
#endif
#if defined(__x86_64__) && !defined(PRIMEPACK_PORTABLE)
#define PRIMEPACK_KERNEL_AVX2 1
#define PRIMEPACK_KERNEL_AVX512 1
#endif

struct Kernel {
  const char* name;
  // code_line_windows for this instruction set, or null where there is
  // none: then numbers are coded one at a time.
  std::int64_t (*code_windows)(LineWindows& run, const LineShape& shape);
  // decode_token_windows for this instruction set: on the vectors that
  // every build has (PlainLines) where its own would not be faster.
  std::int64_t (*decode_windows)(TokenWindows& run);
};

// The kernel in use: AVX-512 (with BW, VBMI and VBMI2) where the processor and
// the system have it, else AVX2 where they have that, else SSE2 on any
// x86-64, else none (numbers one at a time).
const Kernel& active_kernel();

// Every kernel that this processor runs, "none" first.
std::span<const Kernel* const> kernels_here();

// Makes `kernel`, one of kernels_here(), the kernel in use: for tests and
// benchmarks that compare them.
void use_kernel(const Kernel& kernel);

// The kernels of each instruction set, where the build holds them.
namespace plain {
std::int64_t decode_windows(TokenWindows& run);
}
namespace sse2 {
std::int64_t code_windows(LineWindows& run, const LineShape& shape);
}
namespace avx2 {
std::int64_t code_windows(LineWindows& run, const LineShape& shape);
std::int64_t decode_windows(TokenWindows& run);
}
namespace avx512 {
std::int64_t code_windows(LineWindows& run, const LineShape& shape);
std::int64_t decode_windows(TokenWindows& run);
}
