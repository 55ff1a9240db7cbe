// The window path on AVX-512 (BW for bytes and their masks, VBMI2 for the
// byte compress): a window is one 64-byte vector, and its coded lines are
// made in one compress of its kept bytes, with no step per line. Where the
// line end needs a CR added (an LF list on Windows), the lines are moved
// one at a time instead. Every function here carries the target itself, so
// that nothing built for AVX-512 can stand in for a function of the same
// name elsewhere; it runs only where the processor has AVX-512 (kernels.cc).
#include "codec/kernels.h"

#ifdef PRIMEPACK_KERNEL_AVX512
#include <immintrin.h>

#define PRIMEPACK_AVX512 [[gnu::target("avx512f,avx512bw,avx512vbmi2,bmi,bmi2,popcnt")]]

namespace avx512 {
namespace {

struct Isa {
  PRIMEPACK_AVX512 static __m512i load(const void* at) { return _mm512_loadu_si512(at); }

  PRIMEPACK_AVX512 static WindowMasks classify(const char* window, const char* above, const LineShape& shape) {
    const __m512i bytes = load(window);
    const __m512i offset = _mm512_sub_epi8(bytes, _mm512_load_si512(shape.low));
    return {_mm512_cmple_epu8_mask(offset, _mm512_load_si512(shape.span)),
            _mm512_cmpeq_epi8_mask(bytes, load(above))};
  }

  template <std::size_t BYTES>
  PRIMEPACK_AVX512 static void move(char* to, const char* from) {
    if constexpr (BYTES == 32) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));
    } else {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
    }
  }
};

// A window's lines in one compress; the whole vector is stored, and only
// the kept bytes count. (Merged into the window itself rather than zeros:
// the same on the processor, and right in an emulator that empties a
// zeroing compress that keeps every byte.)
struct CompactLines {
  PRIMEPACK_AVX512 static char* write(char* at, const char* window, std::uint64_t first, const LineShape& shape) {
    const std::uint64_t kept = kept_bytes(shape, first);
    const __m512i bytes = Isa::load(window);
    _mm512_storeu_si512(at, _mm512_mask_compress_epi8(bytes, kept, bytes));
    return at + std::popcount(kept);
  }
};

}  // namespace

// Flattened: the window loop and the steps it calls are compiled for
// AVX-512 here, in this one function.
[[gnu::flatten]] PRIMEPACK_AVX512 std::int64_t code_windows(LineWindows& run, const LineShape& shape) {
  if (shape.gap < LINE_END.size()) return code_windows_of_shape<Isa>(run, shape);
  return code_line_windows<Isa, CompactLines>(run, shape);
}

}  // namespace avx512

#endif
