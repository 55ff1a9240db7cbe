// Block-buffered reading and writing of the binary streams on which both
// list formats are read and written, giving the bytes of a text-mode stream
// of the platform: lines end with LINE_END, and on Windows a text ends at
// its first Ctrl-Z.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "codec/byte_vectors.h"

// Bytes moved between a stream and its buffer at a time. Large blocks keep
// the per-call cost of the stream library out of the per-number work.
inline constexpr std::size_t BLOCK_SIZE = 1 << 18;

// Blocks start on a page boundary.
inline constexpr std::size_t PAGE_SIZE = 4096;

// Room kept readable before and behind the reader's block, and writable
// behind the writer's, so that the fast paths can move whole vectors at
// the block's edges.
inline constexpr std::size_t READ_MARGIN = 64;
inline constexpr std::size_t WRITE_MARGIN = 64;

// The line end that a text-mode stream writes for "\n", and whether a
// text-mode read ends at a Ctrl-Z: Windows's, or else a single line feed.
#ifdef _WIN32
inline constexpr std::string_view LINE_END = "\r\n";
inline constexpr bool ENDS_AT_CTRL_Z = true;
#else
inline constexpr std::string_view LINE_END = "\n";
inline constexpr bool ENDS_AT_CTRL_Z = false;
#endif

// Puts LINE_END at `at` and gives the end of the line.
inline char* put_line_end(char* at) {
  std::memcpy(at, LINE_END.data(), LINE_END.size());
  return at + LINE_END.size();
}

// Blank, tab, line feed, vertical tab, form feed and carriage return. A
// carriage return being white space is what lets CR LF files read like LF ones.
inline bool is_white_space(char c) {
  const auto code = static_cast<unsigned char>(c);
  constexpr std::uint64_t white =
      (1ULL << ' ') | (1ULL << '\t') | (1ULL << '\n') | (1ULL << '\v') | (1ULL << '\f') | (1ULL << '\r');
  return code <= ' ' && ((white >> code) & 1) != 0;
}

// Reads a stream in blocks. `next` to `end` is the part not yet consumed;
// READ_MARGIN bytes before the block and behind `end` can be read too.
struct TextReader {
  std::istream* source = nullptr;
  std::unique_ptr<char[]> storage;  // holds the block and its margins
  char* block = nullptr;            // page-aligned
  std::size_t block_size = BLOCK_SIZE;
  const char* next = nullptr;
  const char* end = nullptr;
  std::string spill;    // a token or number that crosses a block boundary
  bool failed = false;  // the stream reported a read error (not its end)
  bool ended = false;   // a Ctrl-Z ended the text (Windows)
  bool started = false;  // the first block was read
};

// Collects output in `block` and hands it to a stream `block_size` bytes at
// a time. A write may go up to WRITE_MARGIN bytes past the block when it
// starts within it; each write drains a full block first.
struct TextWriter {
  std::ostream* sink = nullptr;
  std::unique_ptr<char[]> storage;
  char* block = nullptr;
  std::size_t block_size = BLOCK_SIZE;
  std::size_t used = 0;
  bool failed = false;  // the stream refused a block; what follows is dropped
};

// A reader of `source` and a writer to `sink`. Blocks smaller than
// BLOCK_SIZE are for tests, which thereby put block boundaries anywhere
// (a writer's at least WRITE_MARGIN bytes).
TextReader make_reader(std::istream& source, std::size_t block_size = BLOCK_SIZE);
TextWriter make_writer(std::ostream& sink, std::size_t block_size = BLOCK_SIZE);

// A UTF-8 byte order mark, which some editors put at the start of a text:
// there it is no part of the text, anywhere else an ordinary character.
inline constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// Reads the next block into the buffer, dropping what was consumed and a
// byte order mark at the very start. False at end of input (where
// ENDS_AT_CTRL_Z, also at a Ctrl-Z), on a read error (which sets `failed`)
// or once the run was interrupted.
bool refill(TextReader& in);

// Skips white space. False when the input ends first; otherwise `next`
// points at a character that is not white space.
inline bool skip_white_space(TextReader& in) {
  for (;;) {
    const char* at = in.next;
    while (at < in.end && is_white_space(*at)) ++at;
    in.next = at;
    if (at < in.end) return true;
    if (!refill(in)) return false;
  }
}

// Appends `text`, of any length, and LINE_END.
void write_line(TextWriter& out, std::string_view text);

// Hands a block's worth of bytes to the stream once the block holds that many,
// keeping the rest at its start. Whole blocks from page-aligned memory keep
// the system's copy into the file aligned, which makes it much faster.
void drain_writer(TextWriter& out);

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

// Finds runs of at least `n` (1 to 16) set bits: worked out once for `n`,
// applied to many words. Each step widens what a bit stands for, from
// itself alone to the `n` bits from it on, at most doubling it (a shift of
// 0 leaves the bits as they are).
struct RunTest {
  std::uint64_t shifts[4];
};

constexpr RunTest run_test(std::size_t n) {
  RunTest test{};
  std::size_t have = 1;  // bit i stands for bits i to i + have - 1
  for (std::uint64_t& shift : test.shifts) {
    shift = have < n - have ? have : n - have;
    have += shift;
  }
  return test;
}

// The bits of `bits` at which a run of at least the test's `n` set bits starts.
inline std::uint64_t runs_of_at_least(std::uint64_t bits, const RunTest& test) {
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

// Hands everything collected to the stream and flushes it. False when the
// stream refused any of it.
bool flush_writer(TextWriter& out);
