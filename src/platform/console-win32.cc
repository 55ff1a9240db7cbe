// The console on Windows: UTF-16 at a console, the ANSI code page for a
// redirected stream; a redirected standard input read a byte at a time,
// and everything through fixed buffers.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <charconv>

#include "platform/console.h"
#include "platform/files.h"

namespace {

bool is_console(DWORD handle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(handle), &mode) != 0;
}

// Asked once: what the standard handles are does not change during a run.
const bool console_input = is_console(STD_INPUT_HANDLE);
const bool console_output = is_console(STD_OUTPUT_HANDLE);

// UTF-8 bytes of a message converted at a time.
constexpr int kPiece = 1024;

// How much of `text`, at most `most` bytes, ends on a whole character.
std::size_t whole_characters(std::string_view text, std::size_t most) {
  if (text.size() <= most) return text.size();
  std::size_t size = most;
  while (size > most - 3 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) --size;
  return size;
}

// A line typed at the console, read in pieces of at most 1024 characters
// so that no line is held whole, in UTF-16 (so that no character is lost
// to a code page) and kept in UTF-8 until the dialogue has taken it.
wchar_t typed_wide[1025];
char typed[sizeof typed_wide / sizeof(wchar_t) * 3];
std::size_t typed_size = 0;
std::size_t typed_next = 0;
bool line_start = true;  // the next piece read starts a line
wchar_t split_half = 0;  // the first half of a character split between pieces

// Reads the next piece of a line typed at the console. False at its end:
// nothing read, or Ctrl-Z at the start of a line.
bool read_console_piece() {
  DWORD size = split_half != 0 ? 1 : 0;
  typed_wide[0] = split_half;
  DWORD got = 0;
  if (!ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), typed_wide + size, 1024, &got, nullptr) || got == 0) return false;
  if (line_start && typed_wide[size] == L'\x1a') return false;
  size += got;
  line_start = typed_wide[size - 1] == L'\n';
  split_half = typed_wide[size - 1] >= 0xD800 && typed_wide[size - 1] < 0xDC00 ? typed_wide[--size] : 0;
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, typed_wide, static_cast<int>(size), typed, sizeof typed, nullptr, nullptr);
  typed_size = bytes > 0 ? static_cast<std::size_t>(bytes) : 0;
  typed_next = 0;
  return true;
}

// A name read from a redirected standard input, on its way from the ANSI
// code page to UTF-8.
wchar_t name_wide[MAX_NAME_SIZE];

// Writes all of `size` bytes at `from`; a failure loses the rest.
void write_all(HANDLE out, const char* from, std::size_t size) {
  DWORD wrote = 0;
  for (; size > 0; from += wrote, size -= wrote) {
    if (!WriteFile(out, from, static_cast<DWORD>(size), &wrote, nullptr) || wrote == 0) return;
  }
}

}  // namespace

// To a file or pipe as a text-mode stream writes: in the ANSI code page,
// with CR LF line ends. No byte of a code page's character is a line feed
// but the line feed itself.
void show(std::string_view text) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  wchar_t wide[kPiece];
  char narrow[kPiece * 3];  // a code page of up to three bytes a unit (UTF-8)
  char lines[sizeof narrow * 2];
  while (!text.empty()) {
    const std::size_t size = whole_characters(text, kPiece);
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(size), wide, kPiece);
    text.remove_prefix(size);
    if (console_output) {
      DWORD wrote = 0;
      WriteConsoleW(out, wide, static_cast<DWORD>(units), &wrote, nullptr);
      continue;
    }
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, units, narrow, sizeof narrow, nullptr, nullptr);
    std::size_t line_bytes = 0;
    for (int at = 0; at < bytes; ++at) {
      if (narrow[at] == '\n') lines[line_bytes++] = '\r';
      lines[line_bytes++] = narrow[at];
    }
    write_all(out, lines, line_bytes);
  }
}

void show_count(std::int64_t count) {
  char text[20];  // "-9223372036854775808"
  show({text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, count).ptr - text)});
}

// A redirected standard input is read one byte a read: a read-ahead would
// take the start of a list that follows the answers there. A Ctrl-Z ends
// it, as a text-mode read ends there.
bool read_answer_char(char& c) {
  if (!console_input) {
    DWORD got = 0;
    return ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr) && got == 1 && c != '\x1a';
  }
  while (typed_next == typed_size) {
    if (!read_console_piece()) return false;
  }
  c = typed[typed_next++];
  return true;
}

bool answer_to_name(char* word, std::size_t& size, std::size_t capacity) {
  if (console_input || size == 0) return size <= capacity;
  const int units = MultiByteToWideChar(CP_ACP, 0, word, static_cast<int>(size), name_wide, MAX_NAME_SIZE);
  const int bytes =
      units > 0 ? WideCharToMultiByte(CP_UTF8, 0, name_wide, units, word, static_cast<int>(capacity), nullptr, nullptr)
                : 0;
  if (bytes <= 0) return false;
  size = static_cast<std::size_t>(bytes);
  return true;
}
