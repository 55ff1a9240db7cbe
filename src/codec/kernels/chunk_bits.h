// What the bit masks of a chunk of input tell, on any processor: where its
// tokens start and end, where streaks of set bits start, and where the next
// chunk begins. Bit i stands for byte i of the chunk.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// The bytes classified at once: a chunk.
inline constexpr std::size_t CHUNK = 64;

// Where the tokens (maximal runs of characters that are not white space)
// of a chunk of CHUNK bytes start and end, from the chunk's white space
// bits: bit i of `starts` is set where a token starts at byte i, bit i of
// `ends` where one ends before byte i. A chunk must start after white space
// or at a token's start; then the k-th start and the k-th end bound the
// k-th token, with no loop over the characters, and a start left over
// belongs to a token that runs on past the chunk.
struct TokenBounds {
  std::uint64_t starts;
  std::uint64_t ends;
};

inline TokenBounds token_bounds(std::uint64_t white) { return {~white & (white << 1 | 1), white & ~white << 1}; }

// The gap between the tokens of a chunk where every token but the first
// starts 1 or 2 bytes after the one before it ends, as where each line
// ends with "\n" or "\r\n": 1 or 2, else 0.
//
// That a text is a list, one line end after each token, is tested four
// ways, each on what its step already has: here from the token bounds of
// any white space; in chunk_white (token_windows.h) from the classes of a
// chunk's bytes; in window_gap (conversion_steps.cc) from the one or two
// bytes before a window; and in the line shapes (line_shapes.h) as bounds
// of each byte of a window. One test would classify again what each step
// has at hand.
inline std::size_t even_gap(TokenBounds bounds) {
  const std::uint64_t later = bounds.starts & (bounds.starts - 1);
  return later == bounds.ends << 1 ? 1 : later == bounds.ends << 2 ? 2 : 0;
}

// Finds streaks of at least `n` (1 to 16) set bits: worked out once for `n`,
// applied to many words. Each step widens what a bit stands for, from
// itself alone to the `n` bits from it on, at most doubling it (a shift of
// 0 leaves the bits as they are): four steps reach 16.
inline constexpr std::size_t STREAK_TEST_STEPS = 4;
struct StreakTest {
  std::uint64_t shifts[STREAK_TEST_STEPS];
};

constexpr StreakTest streak_test(std::size_t n) {
  StreakTest test{};
  std::size_t have = 1;  // bit i stands for bits i to i + have - 1
  for (std::uint64_t& shift : test.shifts) {
    shift = have < n - have ? have : n - have;
    have += shift;
  }
  return test;
}

// The bits of `bits` at which a streak of at least the test's `n` set bits starts.
inline std::uint64_t streaks_of_at_least(std::uint64_t bits, const StreakTest& test) {
  for (const std::uint64_t shift : test.shifts) bits &= bits >> shift;
  return bits;
}

// Moves `chunk` on once every token that ends within it was taken, leaving
// `starts` with the start of a token that runs on, if any: to that token,
// or else past the chunk. False when that token fills the whole chunk.
inline bool next_chunk(const char*& chunk, std::uint64_t starts) {
  const auto open = static_cast<std::size_t>(std::countr_zero(starts));  // 64 when none
  chunk += open < CHUNK ? open : CHUNK;
  return open != 0;
}
