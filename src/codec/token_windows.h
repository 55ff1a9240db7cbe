// Decompression of whole windows of tokens at once. In a long list of
// primes nearly every token is no longer than the number before it: then
// the token only replaces the text's tail (apply_short_suffix in
// suffix_list.h), every decoded line keeps the text's length, and with its
// line end a line of up to 15 characters fits one 16-byte register. While
// every token of a window of CHUNK input bytes is that short, each token is
// laid over the held line with one blend, by a mask that depends only on
// the text's length and the token's, and each line goes out whole with one
// store. Only the white space bits and the blend are worked out per
// instruction set (see kernels.h).
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "codec/text_stream.h"

// The longest line, the text with its line end, that one register holds.
inline constexpr std::size_t LINE_REGISTER = 16;

// Where the window path of decoding stands: the input from `next` (a
// token's start, or white space) to `end`, the output at `at`, and the text
// decoded last. A window is taken only while `at` is far enough from
// `full` to take all its lines; it reads up to LINE_REGISTER bytes before
// its tokens and writes up to LINE_REGISTER bytes from each line's start.
struct TokenWindows {
  const char* next;
  const char* end;
  char* at;
  char* full;
  std::size_t size;  // the text's length: size + LINE_END.size() <= LINE_REGISTER
  alignas(LINE_REGISTER) char line[LINE_REGISTER];  // the text, then LINE_END
};

namespace token_windows_detail {

// Entry [size][length]: the bytes that a token of `length` covers in a text
// of `size`, its last `length` bytes.
using Masks = std::array<std::array<std::array<unsigned char, LINE_REGISTER>, LINE_REGISTER + 1>, LINE_REGISTER>;

constexpr Masks make_masks() {
  Masks masks{};
  for (std::size_t size = 0; size < LINE_REGISTER; ++size) {
    for (std::size_t length = 0; length <= size; ++length) {
      for (std::size_t i = size - length; i < size; ++i) masks[size][length][i] = 0xFF;
    }
  }
  return masks;
}

alignas(LINE_REGISTER) inline constexpr Masks kMasks = make_masks();

}  // namespace token_windows_detail

// The mask of the bytes that a token of `length` covers in a text of `size`
// (size + LINE_END.size() <= LINE_REGISTER, length <= size): one load.
inline const unsigned char* token_mask(std::size_t size, std::size_t length) {
  return token_windows_detail::kMasks[size][length].data();
}

// The line steps on the vectors that every build has (SSE2, or plain
// words), for kernels without a decoding of their own.
struct PlainLines {
  using Line = vectors::Text<1>;
  static Line load_line(const char* at) { return vectors::load_text<1>(at); }
  static void store_line(char* at, const Line& line) { vectors::store_text(at, line); }
  static Line lay(const Line& line, const char* from, const unsigned char* mask) {
    return vectors::select(line, vectors::load_text<1>(from), vectors::load_text<1>(reinterpret_cast<const char*>(mask)));
  }
  static std::uint64_t white_space_bits(const char* chunk) { return vectors::white_space_bits(chunk); }
};

// Decodes whole windows of tokens while every token of a window is no
// longer than the text, moving `run` past them; gives how many tokens.
// Each decoded line is the text with the token laid over its tail, then
// LINE_END. `Isa` finds the white space of a window (white_space_bits) and
// holds, lays and stores a line (Line, load_line, lay, store_line).
template <typename Isa>
inline std::int64_t decode_token_windows(TokenWindows& run) {
  // Held apart from `run`, which the stores might alias for all the
  // compiler knows.
  const std::size_t size = run.size;
  const std::size_t stride = size + LINE_END.size();
  const char* chunk = run.next;
  const char* const end = run.end;
  char* at = run.at;
  char* const full = run.full;
  // A window holds at most CHUNK / 2 tokens, each with its white space.
  const auto room = static_cast<std::ptrdiff_t>(CHUNK / 2 * stride);
  const RunTest longer = run_test(size + 1);  // a token longer than the text
  typename Isa::Line line = Isa::load_line(run.line);
  std::int64_t taken = 0;
  while (end - chunk >= static_cast<std::ptrdiff_t>(CHUNK) && full - at >= room) {
    const std::uint64_t white = Isa::white_space_bits(chunk);
    if (runs_of_at_least(~white, longer) != 0) break;
    auto [starts, ends] = token_bounds(white);
    // Lays the token from `start` to `stop` over the line and writes the line.
    const auto lay_token = [&, tokens = chunk - size](std::size_t start, std::size_t stop) {
      line = Isa::lay(line, tokens + stop, token_mask(size, stop - start));  // loaded to end where the text ends
      Isa::store_line(at, line);
      at += stride;
    };
    // Where every token but the first starts as many bytes after the one
    // before it ends (one line end each, as a list has), only the ends need
    // finding.
    const std::uint64_t later = starts & (starts - 1);
    const std::size_t gap = later == ends << 1 ? 1 : later == ends << 2 ? 2 : 0;
    if (gap != 0 && ends != 0) {
      auto start = static_cast<std::size_t>(std::countr_zero(starts));
      std::size_t stop = 0;
      for (; ends != 0; ends &= ends - 1, ++taken) {
        stop = static_cast<std::size_t>(std::countr_zero(ends));
        lay_token(start, stop);
        start = stop + gap;
      }
      starts = later & ~((std::uint64_t{2} << stop) - 1);  // a token that runs on
    }
    for (; ends != 0; starts &= starts - 1, ends &= ends - 1, ++taken) {
      lay_token(static_cast<std::size_t>(std::countr_zero(starts)), static_cast<std::size_t>(std::countr_zero(ends)));
    }
    if (!next_chunk(chunk, starts)) break;
  }
  run.next = chunk;
  run.at = at;
  Isa::store_line(run.line, line);
  return taken;
}
