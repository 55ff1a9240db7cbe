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
// The classifiers, the blend and the groups are an instruction set's own
// (the concepts below); the loop is written once, here.
#pragma once

#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>

#include "codec/block_stream.h"
#include "codec/kernels/chunk_bits.h"
#include "codec/kernels/kernel.h"
#include "codec/kernels/vectors.h"

// A window reads and writes up to a chunk past its bounds (TokenWindows).
static_assert(READ_MARGIN >= CHUNK && WRITE_MARGIN >= CHUNK, "a window reads and writes a chunk past its bounds");

// What an instruction set gives of a chunk's bytes: bit i for byte i.
template <typename Isa>
concept ChunkClassifier = requires(const char* chunk, char byte) {
  { Isa::white_space_bits(chunk) } -> std::same_as<std::uint64_t>;
  { Isa::up_to_blank_bits(chunk) } -> std::same_as<std::uint64_t>;
  { Isa::byte_bits(chunk, byte) } -> std::same_as<std::uint64_t>;
};

// An instruction set's line steps: a line of up to LINE_REGISTER bytes held
// in a register, loaded, stored, and laid over by the bytes at `from`
// where `mask` (LINE_REGISTER bytes of 0x00 or 0xFF) is set.
template <typename Isa>
concept LineLayer = ChunkClassifier<Isa> &&
    requires(typename Isa::Line line, const char* from, char* to, const unsigned char* mask) {
  { Isa::load_line(from) } -> std::same_as<typename Isa::Line>;
  Isa::store_line(to, line);
  { Isa::lay(line, from, mask) } -> std::same_as<typename Isa::Line>;
};

// An instruction set's step that lays whole groups of lines at once, where
// every token of a chunk is followed by one LINE_END: from the token at
// `start`, while `ends` (where each token's line end starts) holds a whole
// group. It moves `line` (the line decoded last), `at`, `start` and `ends`
// on, and gives how many lines it wrote: the lines left over, fewer than a
// group, are then laid one at a time from the `start` it left.
template <typename Groups, typename Line>
concept GroupLayer = requires(Line& line, char*& at, const char* chunk, std::size_t& start, std::uint64_t& ends,
                              std::size_t size) {
  { Groups::lay_groups(line, at, chunk, start, ends, size) } -> std::same_as<std::int64_t>;
};

// No group step: every line is laid on its own.
struct NoGroups {
  template <typename Line>
  static std::int64_t lay_groups(Line&, char*&, const char*, std::size_t&, std::uint64_t&, std::size_t) {
    return 0;
  }
};

// The line steps on the vectors that every build has (SSE2, or the
// portable words), for kernels without a decoding of their own.
struct CommonLayer {
  using Line = vectors::Lanes<1>;
  static Line load_line(const char* at) { return vectors::load_lanes<1>(at); }
  static void store_line(char* at, const Line& line) { vectors::store_lanes(at, line); }
  static Line lay(const Line& line, const char* from, const unsigned char* mask) {
    const auto select = vectors::load_lanes<1>(reinterpret_cast<const char*>(mask));
    return vectors::select(line, vectors::load_lanes<1>(from), select);
  }
  static std::uint64_t white_space_bits(const char* chunk) { return vectors::white_space_bits(chunk); }
  static std::uint64_t up_to_blank_bits(const char* chunk) { return vectors::up_to_blank_bits(chunk); }
  static std::uint64_t byte_bits(const char* chunk, char byte) { return vectors::byte_bits(chunk, byte); }
};

// The mask of the bytes that a token of `length` covers when laid over a
// text of `size` (length <= size <= LINE_REGISTER): the bytes from
// size - length on.
inline const unsigned char* token_mask(std::size_t size, std::size_t length) { return mask_from(size - length); }

// The masks of tokens that follow one another `gap` bytes apart, found
// from their ends alone: the mask of the next token, which ends at byte
// `stop`, is at(stop) = token_mask(size, stop - start). It is held as that
// address less `stop`, taken modulo 2^64, so that each mask is one
// addition away: plainly computed, each token would cost one instruction
// more, a tenth of the decoding of a line.
struct MaskCursor {
  std::uintptr_t empty;  // the mask of an empty token
  std::uintptr_t next;

  MaskCursor(std::size_t size, std::size_t start)
      : empty(reinterpret_cast<std::uintptr_t>(token_mask(size, 0))), next(empty - start) {}
  const unsigned char* at(std::size_t stop) const { return reinterpret_cast<const unsigned char*>(next + stop); }
  // Moves past the token that ended at `stop`: the next starts at stop + gap.
  void pass(std::size_t stop, std::size_t gap) { next = empty - gap - stop; }
};

// A chunk's white space, and where its lines end when the white space is
// one LINE_END after each token and nothing else, as in a list: then a
// token loaded with the bytes that follow it brings its line end along.
// That case is told from the bytes up to a blank, which takes fewer steps
// than white space.
struct ChunkWhite {
  std::uint64_t bits;  // 0, as for one long token, where the window must not take the chunk
  // Where each LINE_END after a token starts, in that case; else 0.
  std::uint64_t line_ends;
};

template <ChunkClassifier Isa>
inline ChunkWhite chunk_white(const char* chunk) {
  const std::uint64_t low = Isa::up_to_blank_bits(chunk);  // white space among them
  const std::uint64_t feeds = Isa::byte_bits(chunk, '\n');
  if constexpr (LINE_END.size() == 1) {
    if (low == feeds && (feeds & feeds << 1) == 0) return {low, feeds & ~std::uint64_t{1}};
  } else {
    // Three tests on the bits: the bytes up to a blank are the CRs and LFs
    // alone; the LFs are the CRs moved one byte on, so that every CR has
    // its LF and no LF stands alone; and no CR stands right after an LF (an
    // empty line). A CR in the last byte, whose LF lies past the chunk,
    // ends no line here: its token is the next chunk's first. (Refused
    // instead, a fifth of the chunks of short lines went the slow way.)
    const std::uint64_t returns = Isa::byte_bits(chunk, '\r');
    if (low == (returns | feeds) && feeds == returns << 1 && (feeds << 1 & returns) == 0) {
      return {low, returns & ~(std::uint64_t{1} | std::uint64_t{1} << (CHUNK - 1))};
    }
  }
  const std::uint64_t white = Isa::white_space_bits(chunk);
  // A byte up to a blank that is no white space may be the Ctrl-Z that
  // ends the text, which only the general step reads.
  if constexpr (ENDS_AT_CTRL_Z) {
    if ((low & ~white) != 0) return {0, 0};
  }
  return {white, 0};
}

// The lines being written: the line decoded last, held in a register, and
// where the next one goes.
template <LineLayer Isa>
struct LaidLines {
  typename Isa::Line line;
  char* at;
  std::size_t size;    // the text's length
  std::size_t stride;  // a decoded line: the text, then LINE_END
  std::int64_t count;  // lines written
};

// Lays a token over the line by its `mask`, loaded from `from`, as far
// before the token's end as the text is long, so that it ends where the
// text ends; and writes the line. Where `with_line_end`, the bytes loaded
// after the token are its LINE_END; else LINE_END is put after the line.
template <LineLayer Isa, bool with_line_end>
inline void lay_token(LaidLines<Isa>& out, const char* from, const unsigned char* mask) {
  out.line = Isa::lay(out.line, from, mask);
  Isa::store_line(out.at, out.line);
  if constexpr (!with_line_end) put_line_end(out.at + out.size);
  out.at += out.stride;
  ++out.count;
}

// Lays the tokens of a chunk in which every token but the first starts
// `gap` bytes after the one before it ends, so that only the ends
// (`ends`, at least one) need finding; the first starts at `start`. Gives
// where the chunk goes on: the token that runs on, or the next chunk.
template <LineLayer Isa, bool with_line_end>
inline std::size_t lay_evenly_spaced(LaidLines<Isa>& out, const char* loads, std::uint64_t ends, std::size_t start,
                                     std::size_t gap) {
  MaskCursor masks(out.size, start);
  std::size_t stop = 0;
  do {
    stop = static_cast<std::size_t>(std::countr_zero(ends));
    lay_token<Isa, with_line_end>(out, loads + stop, masks.at(stop));
    masks.pass(stop, gap);
    ends &= ends - 1;
  } while (ends != 0);
  return stop + gap < CHUNK ? stop + gap : CHUNK;
}

// Lays every token of a chunk that ends within it by its start and its
// end, putting LINE_END after each line. Gives the starts left over: that
// of a token that runs on past the chunk, if any.
template <LineLayer Isa>
inline std::uint64_t lay_each(LaidLines<Isa>& out, const char* loads, TokenBounds bounds) {
  for (; bounds.ends != 0; bounds.starts &= bounds.starts - 1, bounds.ends &= bounds.ends - 1) {
    const auto start = static_cast<std::size_t>(std::countr_zero(bounds.starts));
    const auto stop = static_cast<std::size_t>(std::countr_zero(bounds.ends));
    lay_token<Isa, false>(out, loads + stop, token_mask(out.size, stop - start));
  }
  return bounds.starts;
}

// Decodes whole windows of tokens while every token of a window is no
// longer than the text, moving `windows` past them; gives how many tokens.
// Each decoded line is the text with the token laid over its tail, then
// LINE_END. `Groups` may lay whole groups of lines where every token is
// followed by one LINE_END.
template <LineLayer Isa, GroupLayer<typename Isa::Line> Groups = NoGroups>
inline std::int64_t decode_token_windows(TokenWindows& windows) {
  // Held apart from `windows`, which the stores might alias for all the
  // compiler knows.
  LaidLines<Isa> out{Isa::load_line(windows.line), windows.at, windows.size, windows.size + LINE_END.size(), 0};
  const char* chunk = windows.next;
  const char* const end = windows.end;
  char* const full = windows.full;
  // A window holds at most CHUNK / 2 tokens, each with its white space.
  const auto room = static_cast<std::ptrdiff_t>(CHUNK / 2 * out.stride);
  const StreakTest longer = streak_test(out.size + 1);  // a token longer than the text
  while (end - chunk >= static_cast<std::ptrdiff_t>(CHUNK) && full - out.at >= room) {
    const ChunkWhite white = chunk_white<Isa>(chunk);
    if (streaks_of_at_least(~white.bits, longer) != 0) break;
    const char* const loads = chunk - out.size;  // a token that ends at byte i is loaded from loads + i
    if (white.line_ends != 0) {
      auto start = static_cast<std::size_t>(std::countr_zero(~white.bits));
      std::uint64_t ends = white.line_ends;
      out.count += Groups::lay_groups(out.line, out.at, chunk, start, ends, out.size);
      chunk += ends != 0 ? lay_evenly_spaced<Isa, true>(out, loads, ends, start, LINE_END.size()) : start;
      continue;
    }
    const TokenBounds bounds = token_bounds(white.bits);
    // One line end each, as a list has, but of the other platform's kind.
    if (const std::size_t gap = even_gap(bounds); gap != 0 && bounds.ends != 0) {
      const auto start = static_cast<std::size_t>(std::countr_zero(bounds.starts));
      chunk += lay_evenly_spaced<Isa, false>(out, loads, bounds.ends, start, gap);
      continue;
    }
    if (!next_chunk(chunk, lay_each(out, loads, bounds))) break;
  }
  windows.next = chunk;
  windows.at = out.at;
  Isa::store_line(windows.line, out.line);
  return out.count;
}
