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

#ifdef PRIMEPACK_KERNEL_AVX512
#include <immintrin.h>

#include <array>

#define PRIMEPACK_AVX512 [[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")]]

namespace avx512_kernel {
namespace {

struct Isa {
  PRIMEPACK_AVX512 static __m512i load(const void* at) { return _mm512_loadu_si512(at); }

  PRIMEPACK_AVX512 static WindowMasks classify(const char* window, const char* above, const LineShape& shape) {
    const __m512i bytes = load(window);
    const __m512i offset = _mm512_sub_epi8(bytes, _mm512_load_si512(shape.low));
    return {_mm512_cmple_epu8_mask(offset, _mm512_load_si512(shape.span)), _mm512_cmpeq_epi8_mask(bytes, load(above))};
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

// The most fill-down steps: a group holds at most CHUNK / 2 lines (of one
// character and LINE_END), and 2^5 lines up reaches them all.
constexpr std::size_t kMostFillSteps = 5;

// The decoded lines of one text length as a vector holds them: `lines` of
// `stride` bytes, the text and LINE_END, from byte 0. Byte j lies in line
// j / stride, at column j % stride. Tables of byte indexes and limits for
// the permutes that lay a group of such lines.
struct GroupShape {
  std::size_t lines = 0;
  std::size_t stride = 0;
  std::size_t steps = 0;  // fill-down steps: 2^steps >= lines, at most kMostFillSteps
  alignas(CHUNK) unsigned char line_of[CHUNK] = {};
  alignas(CHUNK) unsigned char column[CHUNK] = {};
  // column - size: where a byte lies from its token's end.
  alignas(CHUNK) unsigned char from_end[CHUNK] = {};
  // stride - column: a byte is the head's where its token's step (its
  // length and one LINE_END) is smaller.
  alignas(CHUNK) unsigned char head_limit[CHUNK] = {};
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
  for (std::size_t j = 0; j < CHUNK; ++j) {
    const std::size_t column = j % shape.stride;
    shape.line_of[j] = static_cast<unsigned char>(j / shape.stride);
    shape.column[j] = static_cast<unsigned char>(column);
    shape.from_end[j] = static_cast<unsigned char>(column - size);
    shape.head_limit[j] = static_cast<unsigned char>(shape.stride - column);
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

// The bytes 0 to 63, and each one's byte before it (0 for byte 0). Read
// by aligned loads.
alignas(CHUNK) constexpr auto kIndexes = [] {
  std::array<std::array<unsigned char, CHUNK>, 2> indexes{};
  for (std::size_t j = 0; j < CHUNK; ++j) {
    indexes[0][j] = static_cast<unsigned char>(j);
    indexes[1][j] = static_cast<unsigned char>(j > 0 ? j - 1 : 0);
  }
  return indexes;
}();

// The bytes of `bytes` at `indexes`. (As a masked permute with every byte
// taken: g++ 12 warns that the plain one reads an undefined vector.)
PRIMEPACK_AVX512 __m512i permute(__m512i indexes, __m512i bytes) {
  return _mm512_maskz_permutexvar_epi8(~__mmask64{0}, indexes, bytes);
}

// Decoding: a chunk's white space from mask compares, a line in a 16-byte
// register, and whole groups of lines in one 64-byte vector.
struct Lines {
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
  // The bytes of 64 in `range`: one compare for a single code, else an
  // unsigned compare of the offset against the span.
  PRIMEPACK_AVX512 static std::uint64_t in_range(__m512i bytes, ByteRange range) {
    if (range.low == range.high) return _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(static_cast<char>(range.low)));
    const __m512i offset =
        range.low == 0 ? bytes : _mm512_sub_epi8(bytes, _mm512_set1_epi8(static_cast<char>(range.low)));
    return _mm512_cmple_epu8_mask(offset, _mm512_set1_epi8(static_cast<char>(range.high - range.low)));
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
    const auto code = static_cast<unsigned char>(byte);
    return class_bits(chunk, ByteClass<1>{{{code, code}}});
  }
};

// Whole groups of lines at once, where every token of a chunk is followed
// by one LINE_END.
struct Groups {
  // Step k of the fill-down: each `head` byte takes the byte 2^k lines
  // above it, and stays `head` while that one was `head` too.
  PRIMEPACK_AVX512 static void fill_step(__m512i& lines, std::uint64_t& head, const GroupShape& shape, std::size_t k) {
    lines = _mm512_mask_permutexvar_epi8(lines, head, _mm512_load_si512(shape.up[k]), lines);
    head &= head << (shape.stride << k);
  }

  // Lays the tokens of a chunk whose white space is one LINE_END after each
  // token, from `start` on, a group of as many lines as a vector holds at
  // a time, while `ends` (where each token's line end starts) holds a whole
  // group. `line` is the line decoded last, and is moved on with `at`,
  // `start` and `ends`. Each line's token comes from the input by a byte
  // permute; its head, the bytes that a shorter token leaves, comes from
  // the nearest line above it that has the byte, a doubling fill-down.
  PRIMEPACK_AVX512 static std::int64_t lay_groups(Lines::Line& line, char*& at, const char* chunk, std::size_t& start,
                                                  std::uint64_t& ends, std::size_t size) {
    const GroupShape& shape = kGroupShapes[size];
    std::int64_t laid = 0;
    const std::uint64_t last_of_group = std::uint64_t{1} << (shape.lines - 1);
    const __m512i bytes_at = _mm512_load_si512(kIndexes[0].data());
    const __m512i before = _mm512_load_si512(kIndexes[1].data());
    const __m512i line_of = _mm512_load_si512(shape.line_of);
    __m512i above = _mm512_zextsi128_si512(line);  // the line decoded last, from byte 0
    for (std::uint64_t last = _pdep_u64(last_of_group, ends); last != 0; last = _pdep_u64(last_of_group, ends)) {
      const std::uint64_t group = ends & (last ^ (last - 1));
      const __m512i input = Isa::load(chunk + start);
      // Each token's end, and its distance from the end before it (the
      // first token starts at 0, as if after an end at -LINE_END.size()).
      const __m512i end = _mm512_maskz_compress_epi8(group >> start, bytes_at);
      const __m512i step =
          _mm512_sub_epi8(end, _mm512_mask_permutexvar_epi8(_mm512_set1_epi8(-static_cast<char>(LINE_END.size())),
                                                            ~std::uint64_t{1}, before, end));
      // Each byte of a line from the byte as far before its token's end
      // as its column lies before the line's end; the head from above.
      const __m512i from = _mm512_add_epi8(permute(line_of, end), _mm512_load_si512(shape.from_end));
      std::uint64_t head = _mm512_cmplt_epi8_mask(permute(line_of, step), _mm512_load_si512(shape.head_limit));
      __m512i lines = _mm512_mask_permutexvar_epi8(permute(from, input), head, _mm512_load_si512(shape.column), above);
      // At least 2 steps, as at least 4 lines fit; written out, so that the
      // tables stay in registers.
      fill_step(lines, head, shape, 0);
      fill_step(lines, head, shape, 1);
      if (shape.steps > 2) fill_step(lines, head, shape, 2);
      if (shape.steps > 3) fill_step(lines, head, shape, 3);
      if (shape.steps > 4) fill_step(lines, head, shape, 4);
      _mm512_storeu_si512(at, lines);
      above = permute(_mm512_load_si512(shape.last_line), lines);
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
};

}  // namespace

// Flattened: the window loops and the steps they call are compiled for
// AVX-512 here, each in its one function.
[[gnu::flatten]] PRIMEPACK_AVX512 std::int64_t code_windows(LineWindows& run, const LineShape& shape) {
  if (shape.gap < LINE_END.size()) return code_windows_of_shape<Isa>(run, shape);
  return code_line_windows<Isa, CompactLines>(run, shape);
}

[[gnu::flatten]] PRIMEPACK_AVX512 std::int64_t decode_windows(TokenWindows& run) {
  return decode_token_windows<Lines, Groups>(run);
}

// The classifiers alone, for the fuzz program's check.
PRIMEPACK_AVX512 std::uint64_t white_space_bits(const char* chunk) { return Lines::white_space_bits(chunk); }
PRIMEPACK_AVX512 std::uint64_t up_to_blank_bits(const char* chunk) { return Lines::up_to_blank_bits(chunk); }
PRIMEPACK_AVX512 std::uint64_t byte_bits(const char* chunk, char byte) { return Lines::byte_bits(chunk, byte); }

const ChunkClassifiers classifiers{"avx512", white_space_bits, up_to_blank_bits, byte_bits, nullptr};

}  // namespace avx512_kernel

#endif
