// The window paths on AVX-512 (BW for bytes and their masks, VBMI for byte
// permutes, VBMI2 for the byte compress): a window is one 64-byte vector.
// Compression makes a window's coded lines in one compress of its kept
// bytes, with no step per line; where the line end needs a CR added (an LF
// list on Windows), the lines are moved one at a time instead.
// Decompression lays a whole group of lines with a few permutes. Every
// function here carries the target itself, so that nothing built for
// AVX-512 can stand in for a function of the same name elsewhere; it runs
// only where the processor has AVX-512 (choose.cc).
#include "codec/kernels/instruction_sets.h"
#include "codec/kernels/line_windows.h"
#include "codec/kernels/token_windows.h"

#ifdef PRIMEPACK_X86_KERNELS
#include <immintrin.h>

#include <array>
#include <utility>

#define PRIMEPACK_AVX512 [[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")]]

namespace avx512_kernel {
namespace {

// The bits of the bytes of 64 that lie in [low, low + span], bytewise and
// unsigned: the offset from `low` is at most `span`. The one range test of
// AVX-512: every class and every window's bounds go through it.
PRIMEPACK_AVX512 std::uint64_t bytes_within(__m512i bytes, __m512i low, __m512i span) {
  return _mm512_cmple_epu8_mask(_mm512_sub_epi8(bytes, low), span);
}

struct Isa {
  PRIMEPACK_AVX512 static __m512i load(const void* at) { return _mm512_loadu_si512(at); }

  struct Bounds {
    __m512i low;
    __m512i span;
  };
  PRIMEPACK_AVX512 static Bounds bounds(const LineShape& shape) {
    return {_mm512_load_si512(shape.low), _mm512_load_si512(shape.span)};
  }
  PRIMEPACK_AVX512 static WindowMasks classify(const char* window, const char* above, const Bounds& bounds) {
    const __m512i bytes = load(window);
    return {bytes_within(bytes, bounds.low, bounds.span), _mm512_cmpeq_epi8_mask(bytes, load(above))};
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
struct CompactWriter {
  PRIMEPACK_AVX512 static char* write(char* at, const char* window, std::uint64_t first, const LineCounts& counts) {
    const std::uint64_t kept = kept_bytes(counts, first);
    const __m512i bytes = Isa::load(window);
    _mm512_storeu_si512(at, _mm512_mask_compress_epi8(bytes, kept, bytes));
    return at + std::popcount(kept);
  }
};

// The most fill-down steps: a group holds at most CHUNK / 2 lines (of one
// character and LINE_END), and 2^5 lines up reaches them all.
constexpr std::size_t kMostFillSteps = 5;

// The decoded lines of one text length as a vector holds them: `lines` of
// `stride` bytes, the text and LINE_END, from byte 0. Byte j lies in line
// j / stride, at column j % stride. Tables of byte indexes for the
// permutes that lay a group of such lines.
struct GroupShape {
  std::size_t lines = 0;
  std::size_t stride = 0;
  std::size_t steps = 0;          // fill-down steps: 2^steps >= lines, at most kMostFillSteps
  std::uint64_t first_line = 0;   // the bits of line 0's bytes
  std::uint64_t group_lasts = 0;  // bits lines - 1, 2 * lines - 1, ...: the last line end of each group
  alignas(CHUNK) unsigned char line_of[CHUNK] = {};
  alignas(CHUNK) unsigned char line_before[CHUNK] = {};  // the line above (0 for line 0)
  alignas(CHUNK) unsigned char column[CHUNK] = {};
  // column - size: where a byte lies from its token's end.
  alignas(CHUNK) unsigned char from_end[CHUNK] = {};
  // The last line's bytes, moved to the start.
  alignas(CHUNK) unsigned char last_line[CHUNK] = {};
  // Step k of the fill-down: each byte from 2^k lines above, if there are.
  alignas(CHUNK) unsigned char up[kMostFillSteps][CHUNK] = {};
};

constexpr GroupShape make_group_shape(std::size_t size) {
  GroupShape shape;
  shape.stride = size + LINE_END.size();
  shape.lines = CHUNK / shape.stride;
  while (std::size_t{1} << shape.steps < shape.lines) ++shape.steps;
  shape.first_line = (std::uint64_t{1} << shape.stride) - 1;
  for (std::size_t k = shape.lines; k <= CHUNK; k += shape.lines) shape.group_lasts |= std::uint64_t{1} << (k - 1);
  for (std::size_t j = 0; j < CHUNK; ++j) {
    const std::size_t line = j / shape.stride;
    const std::size_t column = j % shape.stride;
    shape.line_of[j] = static_cast<unsigned char>(line);
    shape.line_before[j] = static_cast<unsigned char>(line > 0 ? line - 1 : 0);
    shape.column[j] = static_cast<unsigned char>(column);
    shape.from_end[j] = static_cast<unsigned char>(column - size);
    shape.last_line[j] = static_cast<unsigned char>(((shape.lines - 1) * shape.stride + j) % CHUNK);
    for (std::size_t k = 0; k < kMostFillSteps; ++k) {
      const std::size_t distance = shape.stride << k;
      shape.up[k][j] = static_cast<unsigned char>(j >= distance ? j - distance : j);
    }
  }
  return shape;
}

constexpr std::array<GroupShape, LINE_REGISTER> make_group_shapes() {
  std::array<GroupShape, LINE_REGISTER> shapes{};
  for (std::size_t size = 1; size + LINE_END.size() <= LINE_REGISTER; ++size) shapes[size] = make_group_shape(size);
  return shapes;
}

alignas(CHUNK) constexpr auto kGroupShapes = make_group_shapes();

// The bytes 0 to 63. Read by an aligned load.
alignas(CHUNK) constexpr auto kIndexes = [] {
  std::array<unsigned char, CHUNK> indexes{};
  for (std::size_t j = 0; j < CHUNK; ++j) indexes[j] = static_cast<unsigned char>(j);
  return indexes;
}();

// The bytes of `bytes` at `indexes`. (As a masked permute with every byte
// taken: g++ 12 warns that the unmasked one reads an undefined vector.)
PRIMEPACK_AVX512 __m512i permute(__m512i indexes, __m512i bytes) {
  return _mm512_maskz_permutexvar_epi8(~__mmask64{0}, indexes, bytes);
}

// Decoding: a chunk's white space from mask compares, a line in a 16-byte
// register, and whole groups of lines in one 64-byte vector.
struct Layer {
  using Line = __m128i;
  PRIMEPACK_AVX512 static Line load_line(const char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  }
  PRIMEPACK_AVX512 static void store_line(char* at, Line line) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), line);
  }
  PRIMEPACK_AVX512 static Line lay(Line line, const char* from, const unsigned char* mask) {
    return _mm_blendv_epi8(line, load_line(from), load_line(reinterpret_cast<const char*>(mask)));
  }
  // The bytes of 64 in `range`: one compare for a single code.
  PRIMEPACK_AVX512 static std::uint64_t in_range(__m512i bytes, ByteRange range) {
    if (range.low == range.high) return _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(static_cast<char>(range.low)));
    return bytes_within(bytes, _mm512_set1_epi8(static_cast<char>(range.low)),
                        _mm512_set1_epi8(static_cast<char>(range.high - range.low)));
  }
  template <std::size_t N>
  PRIMEPACK_AVX512 static std::uint64_t class_bits(const char* chunk, const ByteClass<N>& byte_class) {
    const __m512i bytes = Isa::load(chunk);
    std::uint64_t bits = 0;
    for (const ByteRange& range : byte_class) bits |= in_range(bytes, range);
    return bits;
  }
  PRIMEPACK_AVX512 static std::uint64_t white_space_bits(const char* chunk) { return class_bits(chunk, WHITE_SPACE); }
  PRIMEPACK_AVX512 static std::uint64_t up_to_blank_bits(const char* chunk) { return class_bits(chunk, UP_TO_BLANK); }
  PRIMEPACK_AVX512 static std::uint64_t byte_bits(const char* chunk, char byte) {
    return class_bits(chunk, single_byte(byte));
  }
};

// Whole groups of lines at once, where every token of a chunk is followed
// by one LINE_END: as many lines as a vector holds, laid by byte permutes,
// with a version of the steps for each text length, so that the shape's
// counts and tables are constants. A group's own work does not wait for
// the group before it: each token comes from the input, and each line's
// head (the bytes that a shorter token leaves) from the nearest line above
// it within the group; only then are the heads still empty filled from the
// last line of the group before, which is all that one group hands the
// next. A byte of 0 is a head not yet filled: no token byte is 0, since
// every byte up to a blank in such a chunk is a line end.
struct Groups {
  PRIMEPACK_AVX512 static __m512i load_table(const unsigned char* table) { return _mm512_load_si512(table); }

  // Fills each empty byte of `lines` from the byte `up` gives, where that
  // one is filled.
  PRIMEPACK_AVX512 static __m512i fill(__m512i lines, __m512i up, __m512i from) {
    return _mm512_mask_permutexvar_epi8(lines, _mm512_testn_epi8_mask(lines, lines), up, from);
  }

  template <std::size_t SIZE>
  PRIMEPACK_AVX512 static std::int64_t lay_groups_of(Layer::Line& line, char*& at, const char* chunk,
                                                     std::size_t& start, std::uint64_t& ends) {
    constexpr const GroupShape& shape = kGroupShapes[SIZE];
    constexpr auto kLineEnd = static_cast<char>(LINE_END.size());
    // Every whole group's last line end, at once: pdep lays the bits of
    // group_lasts (every `lines`-th) over the set bits of `ends` in order,
    // so that its bit k lands on the k-th line end.
    std::uint64_t lasts = _pdep_u64(shape.group_lasts, ends);
    if (lasts == 0) return 0;
    const __m512i bytes_at = load_table(kIndexes.data());
    const __m512i line_of = load_table(shape.line_of);
    const __m512i line_before = load_table(shape.line_before);
    const __m512i column = load_table(shape.column);
    const __m512i from_end = load_table(shape.from_end);
    const __m512i last_line = load_table(shape.last_line);
    __m512i up[shape.steps];
    for (std::size_t k = 0; k < shape.steps; ++k) up[k] = load_table(shape.up[k]);
    __m512i above = _mm512_zextsi128_si512(line);  // the line decoded last, from byte 0
    std::int64_t laid = 0;
    for (; lasts != 0; lasts &= lasts - 1) {
      const std::uint64_t last = lasts & (0 - lasts);
      const std::uint64_t group = ends & (last ^ (last - 1));
      const __m512i input = Isa::load(chunk + start);
      // Each token's end in the input, into a register zeroed first, so
      // that the compress waits for nothing of the group before.
      const __m512i end = _mm512_mask_compress_epi8(_mm512_setzero_si512(), group >> start, bytes_at);
      // Each byte of a line comes from as far before its token's end as its
      // column lies before the text's end, and is the token's where that
      // is not before the token's start, one line end after the token
      // before (the first token starts at 0). The compare is signed: a byte
      // that lies before the input vector has a negative index (its offset
      // from its token's end wraps below 0), and must count as before every
      // token's start.
      const __m512i from = _mm512_add_epi8(permute(line_of, end), from_end);
      const __m512i token_start = _mm512_add_epi8(
          _mm512_mask_permutexvar_epi8(_mm512_set1_epi8(-kLineEnd), ~shape.first_line, line_before, end),
          _mm512_set1_epi8(kLineEnd));
      __m512i lines = _mm512_maskz_permutexvar_epi8(_mm512_cmpge_epi8_mask(from, token_start), from, input);
      for (std::size_t k = 0; k < shape.steps; ++k) lines = fill(lines, up[k], lines);
      lines = fill(lines, column, above);
      _mm512_storeu_si512(at, lines);
      above = permute(last_line, lines);
      at += shape.lines * shape.stride;
      laid += static_cast<std::int64_t>(shape.lines);
      start = static_cast<std::size_t>(std::countr_zero(last)) + LINE_END.size();
      ends ^= group;
    }
    // The first 128 bits of `above`, as four 32-bit elements (the unmasked
    // extract also warns).
    constexpr __mmask8 kFirstLane = 0xF;
    line = _mm512_mask_extracti32x4_epi32(line, kFirstLane, above, 0);
    return laid;
  }

  template <std::size_t... SIZES>
  PRIMEPACK_AVX512 static std::int64_t lay_groups_by_size(std::index_sequence<SIZES...>, Layer::Line& line, char*& at,
                                                          const char* chunk, std::size_t& start, std::uint64_t& ends,
                                                          std::size_t size) {
    std::int64_t laid = 0;
    // A fold over || calls the one version whose size is the text's length
    // and stops there: a switch over every size, written once.
    (void)((size == SIZES + 1 && (laid = lay_groups_of<SIZES + 1>(line, at, chunk, start, ends), true)) || ...);
    return laid;
  }

  // Lays the tokens of a chunk whose white space is one LINE_END after each
  // token, from `start` on, a group at a time, while `ends` (where each
  // token's line end starts) holds a whole group; `line` is the line
  // decoded last. Moves them all on, and gives how many lines it laid.
  PRIMEPACK_AVX512 static std::int64_t lay_groups(Layer::Line& line, char*& at, const char* chunk, std::size_t& start,
                                                  std::uint64_t& ends, std::size_t size) {
    return lay_groups_by_size(std::make_index_sequence<LINE_REGISTER - LINE_END.size()>{}, line, at, chunk, start, ends,
                              size);
  }
};

}  // namespace

// Flattened: the window loops and the steps they call are compiled for
// AVX-512 here, each in its one function.
[[gnu::flatten]] PRIMEPACK_AVX512 std::int64_t code_windows(LineWindows& windows, const LineShape& shape) {
  if (shape.gap < LINE_END.size()) return code_windows_of_shape<Isa>(windows, shape);
  return code_line_windows<Isa, CompactWriter>(windows, shape);
}

[[gnu::flatten]] PRIMEPACK_AVX512 std::int64_t decode_windows(TokenWindows& windows) {
  return decode_token_windows<Layer, Groups>(windows);
}

const ChunkClassifiers classifiers{"avx512", Layer::white_space_bits, Layer::up_to_blank_bits, Layer::byte_bits,
                                   nullptr};

// The processor has the instructions, and the system saves their registers
// (which __builtin_cpu_supports checks too).
bool runs_here() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
         __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
}

extern const KernelRow row{{"avx512", code_windows, decode_windows}, runs_here, &classifiers};

}  // namespace avx512_kernel

#endif
