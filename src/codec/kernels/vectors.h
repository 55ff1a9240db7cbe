// Word- and vector-level machinery for the fast paths: texts of 16 or 32
// bytes held in registers, and 64-byte chunks of input classified into bit
// masks.
//
// Two implementations give the same results: SSE2 (every x86-64 processor
// has it) and portable 8-byte words for any other processor. The build uses
// SSE2 where the compiler offers it, unless PRIMEPACK_PORTABLE is defined;
// both stay compiled where they can, so that they can be compared.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codec/byte_classes.h"
#include "codec/kernels/chunk_bits.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PRIMEPACK_HAVE_SSE2 1
#endif

// Bytes moved by one text load or store: two lanes of 16.
inline constexpr std::size_t VECTOR_TEXT = 32;

// MASK_ZEROS bytes of 0x00, then as many of 0xFF: the bytes read from
// mask_from(n) on mask off the first n (at most MASK_ZEROS) bytes of a text.
inline constexpr std::size_t MASK_ZEROS = 32;
alignas(2 * MASK_ZEROS) inline constexpr auto MASK_WINDOW = [] {
  std::array<unsigned char, 2 * MASK_ZEROS> window{};
  for (std::size_t i = MASK_ZEROS; i < window.size(); ++i) window[i] = 0xFF;
  return window;
}();

// A mask of 0x00 for the first `n` bytes and 0xFF for the rest.
inline const unsigned char* mask_from(std::size_t n) { return MASK_WINDOW.data() + MASK_ZEROS - n; }

namespace portable {

// A word in memory order: byte 0 of memory is the lowest byte.
inline std::uint64_t load_word(const void* at) {
  std::uint64_t word = 0;
  std::memcpy(&word, at, 8);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i) swapped |= ((word >> (8 * i)) & 0xFF) << (8 * (7 - i));
    word = swapped;
  }
  return word;
}

inline void store_word(void* at, std::uint64_t word) {
  if constexpr (std::endian::native == std::endian::big) word = load_word(&word);  // swaps back
  std::memcpy(at, &word, 8);
}

inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kHigh = 0x8080808080808080ULL;

// The top bit of each byte of `word` whose value lies in [low, high], where
// high is below 0x80 (as every byte class's is). Exact for every byte: no
// carry crosses from one byte into the next.
inline std::uint64_t bytes_in_range(std::uint64_t word, unsigned low, unsigned high) {
  const std::uint64_t seven = word | kHigh;  // each byte at least 0x80: no borrows
  const std::uint64_t at_least_low = seven - low * kOnes;
  const std::uint64_t above_high = seven - (high + 1) * kOnes;
  return at_least_low & ~above_high & ~word & kHigh;
}

// Gathers the top bit of each byte into bits 0 to 7. After the shift byte
// i's bit stands at bit 8i; times the multiplier's byte 7 - i (which holds
// bit 7 - i) it lands on bit 56 + i. Every other product lands on a bit of
// its own below bit 56, so nothing carries into the top byte.
inline std::uint64_t gather_top_bits(std::uint64_t marks) { return ((marks >> 7) * 0x0102040810204080ULL) >> 56; }

// A text of 16 * LANES bytes, held in words.
template <std::size_t LANES = 2>
struct Lanes {
  std::uint64_t words[2 * LANES];
};

template <std::size_t LANES = 2>
inline Lanes<LANES> load_lanes(const char* at) {
  Lanes<LANES> text;
  for (std::size_t i = 0; i < 2 * LANES; ++i) text.words[i] = load_word(at + 8 * i);
  return text;
}

template <std::size_t LANES>
inline void store_lanes(char* at, const Lanes<LANES>& text) {
  for (std::size_t i = 0; i < 2 * LANES; ++i) store_word(at + 8 * i, text.words[i]);
}

// The bytes of `take` where `mask` (bytes of 0x00 or 0xFF) is set, the
// rest of `keep`.
template <std::size_t LANES>
inline Lanes<LANES> select(const Lanes<LANES>& keep, const Lanes<LANES>& take, const Lanes<LANES>& mask) {
  Lanes<LANES> out;
  for (std::size_t i = 0; i < 2 * LANES; ++i) {
    out.words[i] = (take.words[i] & mask.words[i]) | (keep.words[i] & ~mask.words[i]);
  }
  return out;
}

// Bytes [0, from) of `keep`, then the rest of `take`; from <= 16 * LANES.
template <std::size_t LANES>
inline Lanes<LANES> keep_head(const Lanes<LANES>& keep, const Lanes<LANES>& take, std::size_t from) {
  return select(keep, take, load_lanes<LANES>(reinterpret_cast<const char*>(mask_from(from))));
}

// The index of the first byte at which the texts differ, or 16 * LANES.
template <std::size_t LANES>
inline std::size_t first_difference(const Lanes<LANES>& a, const Lanes<LANES>& b) {
  for (std::size_t i = 0; i < 2 * LANES; ++i) {
    const std::uint64_t diff = a.words[i] ^ b.words[i];
    if (diff != 0) return 8 * i + static_cast<std::size_t>(std::countr_zero(diff)) / 8;
  }
  return 16 * LANES;
}

// Bit i set when byte i of the 64 at `chunk` is in `byte_class`.
template <std::size_t N>
inline std::uint64_t class_bits(const char* chunk, const ByteClass<N>& byte_class) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < CHUNK / 8; ++i) {
    const std::uint64_t word = load_word(chunk + 8 * i);
    std::uint64_t marks = 0;
    for (const ByteRange& range : byte_class) marks |= bytes_in_range(word, range.low, range.high);
    bits |= gather_top_bits(marks) << (8 * i);
  }
  return bits;
}

inline std::uint64_t white_space_bits(const char* chunk) { return class_bits(chunk, WHITE_SPACE); }
inline std::uint64_t up_to_blank_bits(const char* chunk) { return class_bits(chunk, UP_TO_BLANK); }
inline std::uint64_t digit_bits(const char* chunk) { return class_bits(chunk, DIGITS); }

// Bit i set when byte i of the 64 at `chunk` is `byte`.
inline std::uint64_t byte_bits(const char* chunk, char byte) { return class_bits(chunk, single_byte(byte)); }

}  // namespace portable

#ifdef PRIMEPACK_HAVE_SSE2
namespace sse2 {

// A text of 16 * LANES bytes (LANES is 1 or 2), held in vector registers.
// Lanes are named, not indexed in loops, so that the compiler keeps them
// in registers.
template <std::size_t LANES = 2>
struct Lanes {
  __m128i low;
  __m128i high;  // unused with one lane
};

inline __m128i load_lane(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
inline void store_lane(char* at, __m128i lane) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), lane); }

template <std::size_t LANES = 2>
inline Lanes<LANES> load_lanes(const char* at) {
  return {load_lane(at), LANES == 2 ? load_lane(at + 16) : _mm_setzero_si128()};
}

template <std::size_t LANES>
inline void store_lanes(char* at, const Lanes<LANES>& text) {
  store_lane(at, text.low);
  if constexpr (LANES == 2) store_lane(at + 16, text.high);
}

inline __m128i blend(__m128i keep, __m128i take, __m128i mask) {
  return _mm_or_si128(_mm_and_si128(mask, take), _mm_andnot_si128(mask, keep));
}

// The bytes of `take` where `mask` (bytes of 0x00 or 0xFF) is set, the
// rest of `keep`.
template <std::size_t LANES>
inline Lanes<LANES> select(const Lanes<LANES>& keep, const Lanes<LANES>& take, const Lanes<LANES>& mask) {
  if constexpr (LANES == 1) return {blend(keep.low, take.low, mask.low), keep.high};
  return {blend(keep.low, take.low, mask.low), blend(keep.high, take.high, mask.high)};
}

// Bytes [0, from) of `keep`, then the rest of `take`; from <= 16 * LANES.
template <std::size_t LANES>
inline Lanes<LANES> keep_head(const Lanes<LANES>& keep, const Lanes<LANES>& take, std::size_t from) {
  return select(keep, take, load_lanes<LANES>(reinterpret_cast<const char*>(mask_from(from))));
}

// The index of the first byte at which the texts differ, or 16 * LANES.
template <std::size_t LANES>
inline std::size_t first_difference(const Lanes<LANES>& a, const Lanes<LANES>& b) {
  std::uint64_t equal = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a.low, b.low)));
  if constexpr (LANES == 2) {
    equal |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a.high, b.high))))
             << 16;
  }
  return static_cast<std::size_t>(std::countr_zero(~equal));
}

// The bytes of 16 that lie in [low, low + span], bytewise and unsigned, as
// a byte mask: the offset from `low` is at most `span` where the unsigned
// minimum of the two is the offset. The one range test of SSE2: every class
// and every window's bounds go through it.
inline __m128i bytes_within(__m128i bytes, __m128i low, __m128i span) {
  const __m128i offset = _mm_sub_epi8(bytes, low);
  return _mm_cmpeq_epi8(_mm_min_epu8(offset, span), offset);
}

// The bytes of 16 in `range`, as a byte mask: one compare for a single
// code.
inline __m128i bytes_in_range(__m128i bytes, ByteRange range) {
  if (range.low == range.high) return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(range.low)));
  return bytes_within(bytes, _mm_set1_epi8(static_cast<char>(range.low)),
                      _mm_set1_epi8(static_cast<char>(range.high - range.low)));
}

// Bit i set when byte i of the 64 at `chunk` is in `byte_class`.
template <std::size_t N>
inline std::uint64_t class_bits(const char* chunk, const ByteClass<N>& byte_class) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < CHUNK / 16; ++i) {
    const __m128i bytes = load_lane(chunk + 16 * i);
    __m128i marks = bytes_in_range(bytes, byte_class[0]);
    for (std::size_t k = 1; k < N; ++k) marks = _mm_or_si128(marks, bytes_in_range(bytes, byte_class[k]));
    bits |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(marks))) << (16 * i);
  }
  return bits;
}

inline std::uint64_t white_space_bits(const char* chunk) { return class_bits(chunk, WHITE_SPACE); }
inline std::uint64_t up_to_blank_bits(const char* chunk) { return class_bits(chunk, UP_TO_BLANK); }
inline std::uint64_t digit_bits(const char* chunk) { return class_bits(chunk, DIGITS); }

// Bit i set when byte i of the 64 at `chunk` is `byte`.
inline std::uint64_t byte_bits(const char* chunk, char byte) { return class_bits(chunk, single_byte(byte)); }

}  // namespace sse2
#endif

#if defined(PRIMEPACK_HAVE_SSE2) && !defined(PRIMEPACK_PORTABLE)
namespace vectors = sse2;
#else
namespace vectors = portable;
#endif
