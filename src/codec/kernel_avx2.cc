// The window path on AVX2 (with BMI1 and BMI2 for the bit steps): a window
// is two 32-byte vectors. Every function here carries the target itself,
// so that nothing built for AVX2 can stand in for a function of the same
// name elsewhere; it runs only where the processor has AVX2 (kernels.cc).
#include "codec/kernels.h"

#ifdef PRIMEPACK_KERNEL_AVX2
#include <immintrin.h>

#define PRIMEPACK_AVX2 [[gnu::target("avx2,bmi,bmi2,popcnt")]]

namespace avx2 {
namespace {

struct Isa {
  PRIMEPACK_AVX2 static __m256i load(const void* at) { return _mm256_loadu_si256(static_cast<const __m256i*>(at)); }

  PRIMEPACK_AVX2 static WindowMasks classify(const char* window, const char* above, const LineShape& shape) {
    WindowMasks masks{0, 0};
    for (std::size_t i = 0; i < CHUNK; i += 32) {
      const __m256i bytes = load(window + i);
      const __m256i offset = _mm256_sub_epi8(bytes, load(shape.low + i));
      const __m256i fits = _mm256_cmpeq_epi8(_mm256_min_epu8(offset, load(shape.span + i)), offset);
      const __m256i same = _mm256_cmpeq_epi8(bytes, load(above + i));
      masks.fits |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(fits))} << i;
      masks.same |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(same))} << i;
    }
    return masks;
  }

  template <std::size_t BYTES>
  PRIMEPACK_AVX2 static void move(char* to, const char* from) {
    if constexpr (BYTES == 32) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), load(from));
    } else {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
    }
  }
};

// Decoding: a line is one 16-byte register, laid with one byte blend.
struct Lines {
  using Line = __m128i;
  PRIMEPACK_AVX2 static Line load_line(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
  PRIMEPACK_AVX2 static void store_line(char* at, Line line) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), line); }
  PRIMEPACK_AVX2 static Line lay(Line line, const char* from, const unsigned char* mask) {
    return _mm_blendv_epi8(line, load_line(from), _mm_load_si128(reinterpret_cast<const __m128i*>(mask)));
  }
  PRIMEPACK_AVX2 static std::uint64_t white_space_bits(const char* chunk) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < CHUNK; i += 32) {
      const __m256i bytes = Isa::load(chunk + i);
      // A blank, or tab to carriage return: 9 to 13, at most 4 above 9.
      const __m256i offset = _mm256_sub_epi8(bytes, _mm256_set1_epi8(9));
      const __m256i white = _mm256_or_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(' ')),
                                            _mm256_cmpeq_epi8(_mm256_min_epu8(offset, _mm256_set1_epi8(4)), offset));
      bits |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(white))} << i;
    }
    return bits;
  }
};

}  // namespace

// Flattened: the window loops and the steps they call are compiled for
// AVX2 here, each in its one function.
[[gnu::flatten]] PRIMEPACK_AVX2 std::int64_t code_windows(LineWindows& run, const LineShape& shape) {
  return code_windows_of_shape<Isa>(run, shape);
}

[[gnu::flatten]] PRIMEPACK_AVX2 std::int64_t decode_windows(TokenWindows& run) {
  return decode_token_windows<Lines>(run);
}

}  // namespace avx2

#endif
