// The window path on AVX2 (with BMI1 and BMI2 for the bit steps): a window
// is two 32-byte vectors. Every function here carries the target itself,
// so that nothing built for AVX2 can stand in for a function of the same
// name elsewhere; it runs only where the processor has AVX2 (choose.cc).
#include "codec/kernels/instruction_sets.h"
#include "codec/kernels/line_windows.h"
#include "codec/kernels/token_windows.h"

#ifdef PRIMEPACK_X86_KERNELS
#include <immintrin.h>

#define PRIMEPACK_AVX2 [[gnu::target("avx2,bmi,bmi2,popcnt")]]

namespace avx2_kernel {
namespace {

// The bytes of 32 that lie in [low, low + span], bytewise and unsigned, as
// a byte mask (where the unsigned minimum of the offset and the span is the
// offset). The one range test of AVX2: every class and every window's
// bounds go through it.
PRIMEPACK_AVX2 __m256i bytes_within(__m256i bytes, __m256i low, __m256i span) {
  const __m256i offset = _mm256_sub_epi8(bytes, low);
  return _mm256_cmpeq_epi8(_mm256_min_epu8(offset, span), offset);
}

struct Isa {
  PRIMEPACK_AVX2 static __m256i load(const void* at) { return _mm256_loadu_si256(static_cast<const __m256i*>(at)); }

  struct Bounds {
    __m256i low[2];
    __m256i span[2];
  };
  PRIMEPACK_AVX2 static Bounds bounds(const LineShape& shape) {
    return {{load(shape.low), load(shape.low + 32)}, {load(shape.span), load(shape.span + 32)}};
  }
  PRIMEPACK_AVX2 static WindowMasks classify(const char* window, const char* above, const Bounds& bounds) {
    WindowMasks masks{0, 0};
    for (std::size_t i = 0; i < 2; ++i) {
      const __m256i bytes = load(window + 32 * i);
      const __m256i fits = bytes_within(bytes, bounds.low[i], bounds.span[i]);
      const __m256i same = _mm256_cmpeq_epi8(bytes, load(above + 32 * i));
      masks.fits |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(fits))} << (32 * i);
      masks.same |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(same))} << (32 * i);
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
struct Layer {
  using Line = __m128i;
  PRIMEPACK_AVX2 static Line load_line(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
  PRIMEPACK_AVX2 static void store_line(char* at, Line line) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), line); }
  PRIMEPACK_AVX2 static Line lay(Line line, const char* from, const unsigned char* mask) {
    const __m128i select = load_line(reinterpret_cast<const char*>(mask));
    // Written out, in place: from the intrinsic, g++ 12 adds a compare
    // against zero before the blend and a copy of the line after it.
    asm("vpblendvb %2, %1, %0, %0" : "+x"(line) : "m"(*reinterpret_cast<const __m128i_u*>(from)), "x"(select));
    return line;
  }
  // The bits of a chunk's two halves' byte masks.
  PRIMEPACK_AVX2 static std::uint64_t chunk_bits(__m256i low, __m256i high) {
    return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(low))} |
           std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(high))} << 32;
  }
  // The bytes of 32 in `range`: one compare for a single code.
  PRIMEPACK_AVX2 static __m256i in_range(__m256i bytes, ByteRange range) {
    if (range.low == range.high) return _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(static_cast<char>(range.low)));
    return bytes_within(bytes, _mm256_set1_epi8(static_cast<char>(range.low)),
                        _mm256_set1_epi8(static_cast<char>(range.high - range.low)));
  }
  template <std::size_t N>
  PRIMEPACK_AVX2 static __m256i in_class(__m256i bytes, const ByteClass<N>& byte_class) {
    __m256i marks = in_range(bytes, byte_class[0]);
    for (std::size_t k = 1; k < N; ++k) marks = _mm256_or_si256(marks, in_range(bytes, byte_class[k]));
    return marks;
  }
  template <std::size_t N>
  PRIMEPACK_AVX2 static std::uint64_t class_bits(const char* chunk, const ByteClass<N>& byte_class) {
    return chunk_bits(in_class(Isa::load(chunk), byte_class), in_class(Isa::load(chunk + CHUNK / 2), byte_class));
  }
  PRIMEPACK_AVX2 static std::uint64_t white_space_bits(const char* chunk) { return class_bits(chunk, WHITE_SPACE); }
  PRIMEPACK_AVX2 static std::uint64_t up_to_blank_bits(const char* chunk) { return class_bits(chunk, UP_TO_BLANK); }
  PRIMEPACK_AVX2 static std::uint64_t byte_bits(const char* chunk, char byte) {
    return class_bits(chunk, single_byte(byte));
  }
};

}  // namespace

// Flattened: the window loops and the steps they call are compiled for
// AVX2 here, each in its one function.
[[gnu::flatten]] PRIMEPACK_AVX2 std::int64_t code_windows(LineWindows& windows, const LineShape& shape) {
  return code_windows_of_shape<Isa>(windows, shape);
}

[[gnu::flatten]] PRIMEPACK_AVX2 std::int64_t decode_windows(TokenWindows& windows) {
  return decode_token_windows<Layer>(windows);
}

const ChunkClassifiers classifiers{"avx2", Layer::white_space_bits, Layer::up_to_blank_bits, Layer::byte_bits, nullptr};

// The processor has the instructions, and the system saves their registers
// (which __builtin_cpu_supports checks too).
bool runs_here() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
         __builtin_cpu_supports("popcnt");
}

extern const KernelRow row{{"avx2", code_windows, decode_windows}, runs_here, &classifiers};

}  // namespace avx2_kernel

#endif
