// Block-buffered reading and writing of text-mode streams, on which both
// list formats are read and written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

// Bytes moved between a stream and its buffer at a time. Large blocks keep
// the per-call cost of the stream library out of the per-number work.
inline constexpr std::size_t BLOCK_SIZE = 1 << 18;

// The longest line written with one fixed-size move (write_short_line), and
// the room kept free behind the writer's block for it.
inline constexpr std::size_t SHORT_LINE = 24;

// Blank, tab, line feed, vertical tab, form feed and carriage return. A
// carriage return being white space is what lets CR LF files read like LF ones.
inline bool is_white_space(char c) {
  const auto code = static_cast<unsigned char>(c);
  constexpr std::uint64_t white = (1ULL << ' ') | (1ULL << '\t') | (1ULL << '\n') | (1ULL << '\v') |
                                  (1ULL << '\f') | (1ULL << '\r');
  return code <= ' ' && ((white >> code) & 1) != 0;
}

// Reads a stream in blocks. `next` to `end` is the part not yet consumed.
struct TextReader {
  std::istream* source = nullptr;
  std::unique_ptr<char[]> buffer;
  std::size_t block_size = BLOCK_SIZE;
  const char* next = nullptr;
  const char* end = nullptr;
  std::string spill;    // a token or number that crosses a block boundary
  bool failed = false;  // the stream reported a read error (not its end)
};

// Collects output and hands it to a stream in blocks.
struct TextWriter {
  std::ostream* sink = nullptr;
  std::unique_ptr<char[]> buffer;
  std::size_t used = 0;
  bool failed = false;  // the stream refused a block; what follows is dropped
};

// A reader of `source`. Blocks smaller than BLOCK_SIZE are for tests, which
// thereby put block boundaries anywhere.
TextReader make_reader(std::istream& source, std::size_t block_size = BLOCK_SIZE);
TextWriter make_writer(std::ostream& sink);

// Opens `name` for reading in text mode. False when it cannot be opened or
// names a directory, so that a directory is never taken for an empty list.
bool open_input_file(const std::string& name, std::ifstream& file);

// Reads the next block into the buffer, dropping what was consumed. False at
// end of input or on a read error (which sets `failed`).
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

// Copies `size` bytes. Short copies, the common case of one number or
// suffix, are done with a few overlapping moves instead of a library call.
inline void copy_bytes(char* to, const char* from, std::size_t size) {
  if (size > 16) {
    std::memcpy(to, from, size);
  } else if (size >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + size - 8, from + size - 8, 8);
  } else if (size >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + size - 4, from + size - 4, 4);
  } else if (size > 0) {
    to[0] = from[0];
    to[size / 2] = from[size / 2];
    to[size - 1] = from[size - 1];
  }
}

// Appends `text` that does not fit the buffer's free room; see write_line.
void write_long_line(TextWriter& out, std::string_view text);

// Appends `text` and a line end ("\n", which a text-mode stream turns into
// the platform's line end).
inline void write_line(TextWriter& out, std::string_view text) {
  if (BLOCK_SIZE - out.used <= text.size()) {
    write_long_line(out, text);
    return;
  }
  char* at = out.buffer.get() + out.used;
  copy_bytes(at, text.data(), text.size());
  at[text.size()] = '\n';
  out.used += text.size() + 1;
}

// Hands the full block to the stream; see write_short_line.
void drain_writer(TextWriter& out);

// Appends `size` characters from `text` (at most SHORT_LINE) and a line end.
// SHORT_LINE characters from `text` on must be readable: the line is moved
// whole, whatever its length, which spares the branches of copy_bytes.
inline void write_short_line(TextWriter& out, const char* text, std::size_t size) {
  char* at = out.buffer.get() + out.used;  // the block has room behind it
  std::memcpy(at, text, SHORT_LINE);
  at[size] = '\n';
  out.used += size + 1;
  if (out.used >= BLOCK_SIZE) drain_writer(out);
}

// Hands everything collected to the stream and flushes it. False when the
// stream refused any of it.
bool flush_writer(TextWriter& out);
