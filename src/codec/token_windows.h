// Decompression of whole windows of tokens at once. In a long list of
// primes nearly every token is no longer than the number before it: then
// the token only replaces the text's tail (apply_suffix in suffix_list.h),
// every decoded line keeps the text's length, and with its line end a line
// of up to 15 characters fits one 16-byte register. While every token of a
// window of CHUNK input bytes is that short, each token is laid over the
// held line with one blend, by a mask that depends only on the text's
// length and the token's, and each line goes out whole with one store.
// Where the window's white space is one LINE_END after each token, as in a
// list, the token brings its line end along and only the token ends are
// looked up; an instruction set may then lay whole groups of lines at once.
// The white space bits, the blend and the groups are worked out per
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
// `full` to take all its lines. It reads up to LINE_REGISTER bytes before
// its tokens and up to CHUNK bytes from a token's start, so up to 2 * CHUNK
// from its own start; it writes up to CHUNK bytes from a line's start, and
// never more than CHUNK past `full`.
static_assert(READ_MARGIN >= CHUNK && WRITE_MARGIN >= CHUNK, "a window reads and writes a chunk past its bounds");

struct TokenWindows {
  const char* next;
  const char* end;
  char* at;
  char* full;
  std::size_t size;  // the text's length: size + LINE_END.size() <= LINE_REGISTER
  alignas(LINE_REGISTER) char line[LINE_REGISTER];  // the text, then bytes of no account
};

// The mask of the bytes that a token of `length` covers when laid over a
// text of `size` (length <= size <= LINE_REGISTER): the bytes from
// size - length on. It is loaded from a sliding window, so that a token's
// mask follows from its bounds by one addition.
inline const unsigned char* token_mask(std::size_t size, std::size_t length) {
  return vectors_detail::kWindow + 32 - size + length;
}

// The line steps on the vectors that every build has (SSE2, or plain
// words), for kernels without a decoding of their own.
struct PlainLines {
  using Line = vectors::Text<1>;
  static Line load_line(const char* at) { return vectors::load_text<1>(at); }
  static void store_line(char* at, const Line& line) { vectors::store_text(at, line); }
  static Line lay(const Line& line, const char* from, const unsigned char* mask) {
    const auto select = vectors::load_text<1>(reinterpret_cast<const char*>(mask));
    return vectors::select(line, vectors::load_text<1>(from), select);
  }
  static std::uint64_t white_space_bits(const char* chunk) { return vectors::white_space_bits(chunk); }
  static std::uint64_t control_bits(const char* chunk) { return vectors::control_bits(chunk); }
  static std::uint64_t byte_bits(const char* chunk, char byte) { return vectors::byte_bits(chunk, byte); }
};

// A chunk's white space, and where its lines end when the white space is
// one LINE_END after each token and nothing else, as in a list: then a
// token loaded with the bytes that follow it brings its line end along.
// That case is told from the bytes up to a blank, which takes fewer steps
// than white space.
struct ChunkWhite {
  std::uint64_t bits;
  // Where each LINE_END after a token starts, in that case; else 0.
  std::uint64_t line_ends;
};

template <typename Isa>
inline ChunkWhite chunk_white(const char* chunk) {
  const std::uint64_t low = Isa::control_bits(chunk);  // white space among them
  const std::uint64_t feeds = Isa::byte_bits(chunk, '\n');
  if constexpr (LINE_END.size() == 1) {
    if (low == feeds && (feeds & feeds << 1) == 0) return {low, feeds & ~std::uint64_t{1}};
  } else {
    // Each CR before an LF of the same chunk, and no LF before a CR.
    const std::uint64_t returns = Isa::byte_bits(chunk, '\r');
    if (low == (returns | feeds) && feeds == returns << 1 && feeds >> 1 == returns && (feeds << 1 & returns) == 0) {
      return {low, returns & ~std::uint64_t{1}};
    }
  }
  return {Isa::white_space_bits(chunk), 0};
}

// Where every token of a chunk is followed by one LINE_END, an instruction
// set may lay whole groups of such lines at once (Isa::lay_groups): it
// takes as many as it can first.
template <typename Isa, typename Line>
inline void lay_groups(Line& line, char*& at, const char* chunk, std::size_t& start, std::uint64_t& ends,
                       std::size_t size) {
  if constexpr (requires { &Isa::lay_groups; }) Isa::lay_groups(line, at, chunk, start, ends, size);
}

// Decodes whole windows of tokens while every token of a window is no
// longer than the text, moving `run` past them; gives how many tokens.
// Each decoded line is the text with the token laid over its tail, then
// LINE_END. `Isa` finds the white space of a window (white_space_bits,
// control_bits, byte_bits), holds, lays and stores a line (Line,
// load_line, lay, store_line) and may lay groups of lines (lay_groups).
template <typename Isa>
inline std::int64_t decode_token_windows(TokenWindows& run) {
  // Held apart from `run`, which the stores might alias for all the
  // compiler knows.
  const std::size_t size = run.size;
  const std::size_t stride = size + LINE_END.size();
  const char* chunk = run.next;
  const char* const end = run.end;
  char* at = run.at;
  char* const first = at;
  char* const full = run.full;
  // A window holds at most CHUNK / 2 tokens, each with its white space.
  const auto room = static_cast<std::ptrdiff_t>(CHUNK / 2 * stride);
  const RunTest longer = run_test(size + 1);  // a token longer than the text
  const auto first_mask = reinterpret_cast<std::uintptr_t>(token_mask(size, 0));
  typename Isa::Line line = Isa::load_line(run.line);
  while (end - chunk >= static_cast<std::ptrdiff_t>(CHUNK) && full - at >= room) {
    const auto [white, line_ends] = chunk_white<Isa>(chunk);
    if (runs_of_at_least(~white, longer) != 0) break;
    // Lays the token that ends at `stop` over the line by its mask (see
    // token_mask), loaded so that it ends where the text ends, and writes
    // the line. The bytes loaded after the token are its line end where
    // `exact`; else LINE_END is put after the line.
    const auto lay_token = [&, tokens = chunk - size](std::size_t stop, const unsigned char* mask, auto exact) {
      line = Isa::lay(line, tokens + stop, mask);
      Isa::store_line(at, line);
      if constexpr (!exact) put_line_end(at + size);
      at += stride;
    };
    // Where every token but the first starts `gap` bytes after the one
    // before it ends, only the ends need finding. Gives where the chunk
    // goes on: the token that runs on, or the next chunk.
    const auto take_ends = [&](std::uint64_t ends, std::size_t start, std::size_t gap, auto exact) {
      if constexpr (exact) lay_groups<Isa>(line, at, chunk, start, ends, size);
      // A token's mask is token_mask(size, stop - start): `masks + stop`,
      // with `masks` set by the end of the token before.
      std::uintptr_t masks = first_mask - start;
      std::size_t stop = start - gap;  // modulo 2^N, as every sum here
      for (; ends != 0; ends &= ends - 1) {
        stop = static_cast<std::size_t>(std::countr_zero(ends));
        lay_token(stop, reinterpret_cast<const unsigned char*>(masks + stop), exact);
        masks = first_mask - gap - stop;
      }
      return stop + gap < CHUNK ? stop + gap : CHUNK;
    };
    if (line_ends != 0) {
      const auto start = static_cast<std::size_t>(std::countr_zero(~white));
      chunk += take_ends(line_ends, start, LINE_END.size(), std::true_type{});
      continue;
    }
    auto [starts, ends] = token_bounds(white);
    // One line end each, as a list has, but of another kind.
    const std::uint64_t later = starts & (starts - 1);
    const std::size_t gap = later == ends << 1 ? 1 : later == ends << 2 ? 2 : 0;
    if (gap != 0 && ends != 0) {
      chunk += take_ends(ends, static_cast<std::size_t>(std::countr_zero(starts)), gap, std::false_type{});
      continue;
    }
    for (; ends != 0; starts &= starts - 1, ends &= ends - 1) {
      const auto start = static_cast<std::size_t>(std::countr_zero(starts));
      const auto stop = static_cast<std::size_t>(std::countr_zero(ends));
      lay_token(stop, token_mask(size, stop - start), std::false_type{});
    }
    if (!next_chunk(chunk, starts)) break;
  }
  run.next = chunk;
  run.at = at;
  Isa::store_line(run.line, line);
  return (at - first) / static_cast<std::ptrdiff_t>(stride);
}
