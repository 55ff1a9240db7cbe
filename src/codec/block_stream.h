// Block-buffered reading and writing of the binary streams on which both
// list formats are read and written, giving the bytes of a text-mode stream
// of the platform: lines end with LINE_END, and on Windows a text ends at
// its first Ctrl-Z.
#pragma once

#include <cstddef>
#include <cstring>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "codec/byte_classes.h"

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

// Reads a stream in blocks. `next` to `end` is the part not yet consumed;
// READ_MARGIN bytes before the block and behind `end` can be read too.
struct BlockReader {
  std::istream* source = nullptr;
  std::unique_ptr<char[]> storage;  // holds the block and its margins
  char* block = nullptr;            // page-aligned
  std::size_t block_size = BLOCK_SIZE;
  const char* next = nullptr;
  const char* end = nullptr;
  std::string spill;     // a token or number that crosses a block boundary
  bool failed = false;   // the stream reported a read error (not its end)
  bool ended = false;    // a Ctrl-Z ended the text (Windows)
  bool started = false;  // the first block was read
};

// Collects output in `block` and hands it to a stream `block_size` bytes at
// a time. A write may go up to WRITE_MARGIN bytes past the block when it
// starts within it; each write drains a full block first.
struct BlockWriter {
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
BlockReader make_reader(std::istream& source, std::size_t block_size = BLOCK_SIZE);
BlockWriter make_writer(std::ostream& sink, std::size_t block_size = BLOCK_SIZE);

// A UTF-8 byte order mark, which some editors put at the start of a text:
// there it is no part of the text, anywhere else an ordinary character.
inline constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// Reads the next block into the buffer, dropping what was consumed and a
// byte order mark at the very start. False at end of input (where
// ENDS_AT_CTRL_Z, also at a Ctrl-Z), on a read error (which sets `failed`)
// or once the run was interrupted.
bool refill(BlockReader& in);

// Skips white space. False when the input ends first; otherwise `next`
// points at a character that is not white space.
inline bool skip_white_space(BlockReader& in) {
  for (;;) {
    const char* at = in.next;
    while (at < in.end && is_white_space(*at)) ++at;
    in.next = at;
    if (at < in.end) return true;
    if (!refill(in)) return false;
  }
}

// Appends `text`, of any length, and LINE_END.
void write_line(BlockWriter& out, std::string_view text);

// Hands a block's worth of bytes to the stream once the block holds that many,
// keeping the rest at its start. Whole blocks from page-aligned memory keep
// the system's copy into the file aligned, which makes it much faster.
void drain_writer(BlockWriter& out);

// Hands everything collected to the stream and flushes it. False when the
// stream refused any of it.
bool flush_writer(BlockWriter& out);
