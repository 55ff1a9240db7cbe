// Word- and vector-level machinery for the fast paths: texts of 16 or 32
// bytes held in registers, and 64-byte chunks of input classified into bit
// masks.
//
// Two implementations give the same results: SSE2 (every x86-64 processor
// has it) and plain 8-byte words for any other processor. The build uses
// SSE2 where the compiler offers it, unless PRIMEPACK_PORTABLE is defined;
// both stay compiled where they can, so that they can be compared.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PRIMEPACK_HAVE_SSE2 1
#endif

// Bytes moved by one text load or store, and the bytes classified at once.
inline constexpr std::size_t VECTOR_TEXT = 32;
inline constexpr std::size_t CHUNK = 64;

namespace vectors_detail {
// 32 bytes of 0x00, then 32 of 0xFF: 32 bytes read from 32 - n on mask off
// the first n bytes of a text.
alignas(64) inline constexpr unsigned char kWindow[64] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
}  // namespace vectors_detail

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

// The top bit of each byte of `word` whose value lies in [low, high]. Exact
// for every byte: no carry crosses from one byte into the next.
inline std::uint64_t bytes_in_range(std::uint64_t word, unsigned low, unsigned high) {
  const std::uint64_t seven = word | kHigh;  // each byte at least 0x80: no borrows
  const std::uint64_t at_least_low = seven - low * kOnes;
  const std::uint64_t above_high = seven - (high + 1) * kOnes;
  return at_least_low & ~above_high & ~word & kHigh;
}

// Gathers the top bit of each byte into bits 0 to 7.
inline std::uint64_t gather_top_bits(std::uint64_t marks) { return ((marks >> 7) * 0x0102040810204080ULL) >> 56; }

// A text of 16 * LANES bytes, held in words.
template <std::size_t LANES = 2>
struct Text {
  std::uint64_t words[2 * LANES];
};

template <std::size_t LANES = 2>
inline Text<LANES> load_text(const char* at) {
  Text<LANES> text;
  for (std::size_t i = 0; i < 2 * LANES; ++i) text.words[i] = load_word(at + 8 * i);
  return text;
}

template <std::size_t LANES>
inline void store_text(char* at, const Text<LANES>& text) {
  for (std::size_t i = 0; i < 2 * LANES; ++i) store_word(at + 8 * i, text.words[i]);
}

// The bytes of `take` where `mask` (bytes of 0x00 or 0xFF) is set, the
// rest of `keep`.
template <std::size_t LANES>
inline Text<LANES> select(const Text<LANES>& keep, const Text<LANES>& take, const Text<LANES>& mask) {
  Text<LANES> out;
  for (std::size_t i = 0; i < 2 * LANES; ++i) {
    out.words[i] = (take.words[i] & mask.words[i]) | (keep.words[i] & ~mask.words[i]);
  }
  return out;
}

// Bytes [0, from) of `keep`, then the rest of `take`; from <= 16 * LANES.
template <std::size_t LANES>
inline Text<LANES> keep_head(const Text<LANES>& keep, const Text<LANES>& take, std::size_t from) {
  return select(keep, take, load_text<LANES>(reinterpret_cast<const char*>(vectors_detail::kWindow) + 32 - from));
}

// The index of the first byte at which the texts differ, or 16 * LANES.
template <std::size_t LANES>
inline std::size_t first_difference(const Text<LANES>& a, const Text<LANES>& b) {
  for (std::size_t i = 0; i < 2 * LANES; ++i) {
    const std::uint64_t diff = a.words[i] ^ b.words[i];
    if (diff != 0) return 8 * i + static_cast<std::size_t>(std::countr_zero(diff)) / 8;
  }
  return 16 * LANES;
}

// Bit i set when byte i of the 64 at `chunk` is white space (code 32 or 9 to 13).
inline std::uint64_t white_space_bits(const char* chunk) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) {
    const std::uint64_t word = load_word(chunk + 8 * i);
    const std::uint64_t blanks = bytes_in_range(word, ' ', ' ');
    bits |= gather_top_bits(blanks | bytes_in_range(word, 9, 13)) << (8 * i);
  }
  return bits;
}

// Bit i set when byte i of the 64 at `chunk` is a blank or a control
// character (code 32 or below): every white space byte is.
inline std::uint64_t control_bits(const char* chunk) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= gather_top_bits(bytes_in_range(load_word(chunk + 8 * i), 0, ' ')) << (8 * i);
  return bits;
}

// Bit i set when byte i of the 64 at `chunk` is `byte`.
inline std::uint64_t byte_bits(const char* chunk, char byte) {
  const auto code = static_cast<unsigned char>(byte);
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= gather_top_bits(bytes_in_range(load_word(chunk + 8 * i), code, code)) << (8 * i);
  return bits;
}

// Bit i set when byte i of the 64 at `chunk` is a decimal digit.
inline std::uint64_t digit_bits(const char* chunk) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= gather_top_bits(bytes_in_range(load_word(chunk + 8 * i), '0', '9')) << (8 * i);
  return bits;
}

// The first byte of [from, to) equal to `byte`, or `to`.
inline const char* find_byte(const char* from, const char* to, char byte) {
  const void* found = std::memchr(from, byte, static_cast<std::size_t>(to - from));
  return found != nullptr ? static_cast<const char*>(found) : to;
}

}  // namespace portable

#ifdef PRIMEPACK_HAVE_SSE2
namespace sse2 {

// A text of 16 * LANES bytes (LANES is 1 or 2), held in vector registers.
// Lanes are named, not indexed in loops, so that the compiler keeps them
// in registers.
template <std::size_t LANES = 2>
struct Text {
  __m128i low;
  __m128i high;  // unused with one lane
};

inline __m128i load_lane(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
inline void store_lane(char* at, __m128i lane) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), lane); }

template <std::size_t LANES = 2>
inline Text<LANES> load_text(const char* at) {
  return {load_lane(at), LANES == 2 ? load_lane(at + 16) : _mm_setzero_si128()};
}

template <std::size_t LANES>
inline void store_text(char* at, const Text<LANES>& text) {
  store_lane(at, text.low);
  if constexpr (LANES == 2) store_lane(at + 16, text.high);
}

inline __m128i blend(__m128i keep, __m128i take, __m128i mask) {
  return _mm_or_si128(_mm_and_si128(mask, take), _mm_andnot_si128(mask, keep));
}

// The bytes of `take` where `mask` (bytes of 0x00 or 0xFF) is set, the
// rest of `keep`.
template <std::size_t LANES>
inline Text<LANES> select(const Text<LANES>& keep, const Text<LANES>& take, const Text<LANES>& mask) {
  if constexpr (LANES == 1) return {blend(keep.low, take.low, mask.low), keep.high};
  return {blend(keep.low, take.low, mask.low), blend(keep.high, take.high, mask.high)};
}

// Bytes [0, from) of `keep`, then the rest of `take`; from <= 16 * LANES.
template <std::size_t LANES>
inline Text<LANES> keep_head(const Text<LANES>& keep, const Text<LANES>& take, std::size_t from) {
  return select(keep, take, load_text<LANES>(reinterpret_cast<const char*>(vectors_detail::kWindow) + 32 - from));
}

// The index of the first byte at which the texts differ, or 16 * LANES.
template <std::size_t LANES>
inline std::size_t first_difference(const Text<LANES>& a, const Text<LANES>& b) {
  std::uint64_t equal = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a.low, b.low)));
  if constexpr (LANES == 2) {
    equal |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a.high, b.high))))
             << 16;
  }
  return static_cast<std::size_t>(std::countr_zero(~equal));
}

// Bytes in [low, high] of 16, as a byte mask.
inline __m128i bytes_in_range(__m128i bytes, char low, char high) {
  const __m128i offset = _mm_sub_epi8(bytes, _mm_set1_epi8(low));
  const __m128i span = _mm_set1_epi8(static_cast<char>(high - low));
  return _mm_cmpeq_epi8(_mm_min_epu8(offset, span), offset);
}

template <typename Classify>
inline std::uint64_t chunk_bits(const char* chunk, Classify classify) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 4; ++i) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk + 16 * i));
    bits |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(classify(bytes)))) << (16 * i);
  }
  return bits;
}

// Bit i set when byte i of the 64 at `chunk` is white space (code 32 or 9 to 13).
inline std::uint64_t white_space_bits(const char* chunk) {
  return chunk_bits(chunk, [](__m128i bytes) {
    return _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')), bytes_in_range(bytes, 9, 13));
  });
}

// Bit i set when byte i of the 64 at `chunk` is a blank or a control
// character (code 32 or below): every white space byte is.
inline std::uint64_t control_bits(const char* chunk) {
  return chunk_bits(chunk,
                    [](__m128i bytes) { return _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(' ')), bytes); });
}

// Bit i set when byte i of the 64 at `chunk` is `byte`.
inline std::uint64_t byte_bits(const char* chunk, char byte) {
  return chunk_bits(chunk, [byte](__m128i bytes) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(byte)); });
}

// Bit i set when byte i of the 64 at `chunk` is a decimal digit.
inline std::uint64_t digit_bits(const char* chunk) {
  return chunk_bits(chunk, [](__m128i bytes) { return bytes_in_range(bytes, '0', '9'); });
}

// The first byte of [from, to) equal to `byte`, or `to`. Windows's memchr
// takes a byte at a time.
inline const char* find_byte(const char* from, const char* to, char byte) {
  const __m128i wanted = _mm_set1_epi8(byte);
  for (; to - from >= 16; from += 16) {
    const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(load_lane(from), wanted)));
    if (hits != 0) return from + std::countr_zero(hits);
  }
  while (from < to && *from != byte) ++from;
  return from;
}

}  // namespace sse2
#endif

#if defined(PRIMEPACK_HAVE_SSE2) && !defined(PRIMEPACK_PORTABLE)
namespace vectors = sse2;
#else
namespace vectors = portable;
#endif
