// The window path of compression on SSE2, which every x86-64 processor
// has: a window is four 16-byte vectors. (Its decoding is the baseline's,
// on the same vectors.)
#include <array>

#include "codec/kernels/instruction_sets.h"
#include "codec/kernels/line_windows.h"

#ifdef PRIMEPACK_X86_KERNELS

namespace sse2_kernel {
namespace {

using sse2::load_lane;
using sse2::store_lane;

constexpr std::size_t kLanes = CHUNK / 16;

struct Isa {
  struct Bounds {
    __m128i low[kLanes];
    __m128i span[kLanes];
  };
  static Bounds bounds(const LineShape& shape) {
    Bounds bounds;
    for (std::size_t i = 0; i < kLanes; ++i) {
      bounds.low[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(shape.low + 16 * i));
      bounds.span[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(shape.span + 16 * i));
    }
    return bounds;
  }
  static WindowMasks classify(const char* window, const char* above, const Bounds& bounds) {
    WindowMasks masks{0, 0};
    for (std::size_t i = 0; i < kLanes; ++i) {
      const __m128i bytes = load_lane(window + 16 * i);
      const __m128i fits = sse2::bytes_within(bytes, bounds.low[i], bounds.span[i]);
      const __m128i same = _mm_cmpeq_epi8(bytes, load_lane(above + 16 * i));
      masks.fits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(fits))} << (16 * i);
      masks.same |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(same))} << (16 * i);
    }
    return masks;
  }

  template <std::size_t BYTES>
  static void move(char* to, const char* from) {
    store_lane(to, load_lane(from));
    if constexpr (BYTES == 32) store_lane(to + 16, load_lane(from + 16));
  }
};

}  // namespace

[[gnu::flatten]] std::int64_t code_windows(LineWindows& windows, const LineShape& shape) {
  return code_windows_of_shape<Isa>(windows, shape);
}

// Every x86-64 processor has SSE2. The decoding is on the same vectors.
extern const KernelRow row{
    {"sse2", code_windows, common_vectors::decode_windows}, on_any_processor, &common_vectors::classifiers};

}  // namespace sse2_kernel

#endif
