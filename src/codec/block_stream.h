// Block-buffered reading from a source and writing to a sink, on which both
// list formats are read and written, giving the bytes of a text-mode stream
// of the platform: lines end with LINE_END, and on Windows a text ends at
// its first Ctrl-Z, where the readers that meet it end it. What the source
// and the sink are (files, memory) is their owner's business: nothing here
// knows a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "codec/byte_classes.h"

// Bytes moved between a source or sink and its buffer at a time. Large
// blocks keep the per-call cost of the system out of the per-number work.
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
// PRIMEPACK_WINDOWS_TEXT gives a test or benchmark build Windows's rules on
// any system, so that their paths are measured and checked natively.
#if defined(_WIN32) || defined(PRIMEPACK_WINDOWS_TEXT)
inline constexpr std::string_view LINE_END = "\r\n";
inline constexpr bool ENDS_AT_CTRL_Z = true;
#else
inline constexpr std::string_view LINE_END = "\n";
inline constexpr bool ENDS_AT_CTRL_Z = false;
#endif

// The byte at which a text ends where ENDS_AT_CTRL_Z.
inline constexpr char CTRL_Z = '\x1a';

// True when the text ends at `c`.
constexpr bool ends_text(char c) { return ENDS_AT_CTRL_Z && c == CTRL_Z; }

// Puts LINE_END at `at` and gives the end of the line.
inline char* put_line_end(char* at) {
  std::memcpy(at, LINE_END.data(), LINE_END.size());
  return at + LINE_END.size();
}

// The longest token or number that a reader gathers across a block
// boundary: far longer than any number, short enough to keep little.
inline constexpr std::size_t SPILL_SIZE = 4096;

// Where a reader's bytes come from: `read` puts up to `size` of them at
// `to` and gives how many, 0 at the end, -1 on an error.
struct Source {
  void* context;
  std::ptrdiff_t (*read)(void* context, char* to, std::size_t size);
};

// Where a writer's bytes go: `write` takes all `size` of them, false on an
// error.
struct Sink {
  void* context;
  bool (*write)(void* context, const char* from, std::size_t size);
};

// A source of bytes in memory, read from `rest` on.
struct MemorySource {
  std::string_view rest;
};

inline Source source_of(MemorySource& memory) {
  return {&memory, [](void* context, char* to, std::size_t size) -> std::ptrdiff_t {
            std::string_view& rest = static_cast<MemorySource*>(context)->rest;
            const std::size_t part = size < rest.size() ? size : rest.size();
            std::memcpy(to, rest.data(), part);
            rest.remove_prefix(part);
            return static_cast<std::ptrdiff_t>(part);
          }};
}

// Memory of the C library, given back by free. (Where the memory runs out,
// `new` may need memory to report it, even in its nothrow form: malloc
// only says so.)
struct FreeMemory {
  void operator()(char* memory) const { std::free(memory); }
};
using Storage = std::unique_ptr<char[], FreeMemory>;

// Reads a source in blocks. `next` to `end` is the part not yet consumed;
// READ_MARGIN bytes before the block and behind `end` can be read too.
struct BlockReader {
  Source source{};
  Storage storage;        // holds the block, its margins and the spill
  char* block = nullptr;  // page-aligned
  std::size_t block_size = BLOCK_SIZE;
  const char* next = nullptr;
  const char* end = nullptr;
  char* spill = nullptr;  // a token or number that crosses a block boundary
  std::size_t spilled = 0;
  bool failed = false;   // the source reported a read error (not its end)
  bool ended = false;    // a reader met the Ctrl-Z that ends the text: `end` stands there
  bool started = false;  // the first block was read
};

// Collects output in `block` and hands it to a sink `block_size` bytes at
// a time. A write may go up to WRITE_MARGIN bytes past the block when it
// starts within it; each write drains a full block first.
struct BlockWriter {
  Sink sink{};
  Storage storage;
  char* block = nullptr;
  std::size_t block_size = BLOCK_SIZE;
  std::size_t used = 0;
  bool failed = false;  // the sink refused a block; what follows is dropped
};

// Makes a reader of `source` and a writer to `sink`, with all the memory
// they will ever use. False when that memory cannot be had. Blocks smaller
// than BLOCK_SIZE are for tests, which thereby put block boundaries
// anywhere (a writer's at least WRITE_MARGIN bytes).
bool make_reader(BlockReader& in, Source source, std::size_t block_size = BLOCK_SIZE);
bool make_writer(BlockWriter& out, Sink sink, std::size_t block_size = BLOCK_SIZE);

// Adds `size` bytes at `from` to the reader's spill. False when the spill
// would hold more than SPILL_SIZE bytes.
inline bool spill(BlockReader& in, const char* from, std::size_t size) {
  if (size > SPILL_SIZE - in.spilled) return false;
  std::memcpy(in.spill + in.spilled, from, size);
  in.spilled += size;
  return true;
}

inline std::string_view spilled(const BlockReader& in) { return {in.spill, in.spilled}; }

// A UTF-8 byte order mark, which some editors put at the start of a text:
// there it is no part of the text, anywhere else an ordinary character.
inline constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// Reads the next block into the buffer, dropping what was consumed and a
// byte order mark at the very start. False at end of input (also once the
// text ended at a Ctrl-Z) and on a read error, which sets `failed` (an
// interruption is one, where the source tells it). It does not look for a
// Ctrl-Z: the readers that go through every byte anyway end the text where
// they meet one, and the fast paths leave every token that holds one to
// them.
bool refill(BlockReader& in);

// Ends the text at `at`, where a reader met a Ctrl-Z: nothing from there on
// is read.
inline void end_text(BlockReader& in, const char* at) {
  in.end = at;
  in.ended = true;
}

// Skips white space. False when the input ends first; otherwise `next`
// points at a character that is not white space.
inline bool skip_white_space(BlockReader& in) {
  for (;;) {
    const char* at = in.next;
    while (at < in.end && is_white_space(*at)) ++at;
    in.next = at;
    if (at < in.end) {
      if (!ends_text(*at)) return true;
      end_text(in, at);
      return false;
    }
    if (!refill(in)) return false;
  }
}

// Appends `text`, of any length, and LINE_END.
void write_line(BlockWriter& out, std::string_view text);

// Hands a block's worth of bytes to the sink once the block holds that many,
// keeping the rest at its start. Whole blocks from page-aligned memory keep
// the system's copy into the file aligned, which makes it much faster.
void drain_writer(BlockWriter& out);

// Hands everything collected to the sink. False when the sink refused any
// of it.
bool flush_writer(BlockWriter& out);
