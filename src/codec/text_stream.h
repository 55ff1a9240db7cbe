// Block-buffered reading and writing of text-mode streams, on which both
// list formats are read and written.
#pragma once

#include <cstddef>
#include <cstring>
#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

// Bytes moved between a stream and its buffer at a time. Large blocks keep
// the per-call cost of the stream library out of the per-number work.
inline constexpr std::size_t BLOCK_SIZE = 1 << 18;

// Blank, tab, line feed, vertical tab, form feed and carriage return. A
// carriage return being white space is what lets CR LF files read like LF ones.
inline bool is_white_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads a stream in blocks. `next` to `end` is the part not yet consumed.
struct TextReader {
  std::istream* source = nullptr;
  std::unique_ptr<char[]> buffer;
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

TextReader make_reader(std::istream& source);
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
    for (; in.next < in.end; ++in.next) {
      if (!is_white_space(*in.next)) return true;
    }
    if (!refill(in)) return false;
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
  std::memcpy(at, text.data(), text.size());
  at[text.size()] = '\n';
  out.used += text.size() + 1;
}

// Hands everything collected to the stream and flushes it. False when the
// stream refused any of it.
bool flush_writer(TextWriter& out);
