// The console on Linux (plain streams) and on Windows (UTF-16 at a
// console, the ANSI code page elsewhere).
#include "platform/console.h"

#include <charconv>
#include <iostream>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

bool is_console(DWORD handle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(handle), &mode) != 0;
}

// Asked once: what the standard handles are does not change during a run.
const bool console_input = is_console(STD_INPUT_HANDLE);
const bool console_output = is_console(STD_OUTPUT_HANDLE);

std::wstring widen(std::string_view text, UINT code_page) {
  std::wstring wide(text.size(), L'\0');  // never more characters than bytes
  wide.resize(static_cast<std::size_t>(MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()),
                                                           wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

std::string narrow(std::wstring_view wide, UINT code_page) {
  const int size =
      WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
  return text;
}

// What was typed at the console and not yet read, in UTF-8.
std::string typed;
std::size_t typed_next = 0;
bool line_start = true;  // the next piece read starts a line
wchar_t split_half = 0;  // the first half of a character split between pieces

// Reads the next piece of a line typed at the console, in UTF-16 (so that
// no character is lost to a code page), at most 1024 characters at a time
// so that no line is held whole. False at its end: nothing read, or Ctrl-Z
// at the start of a line.
bool read_console_piece() {
  wchar_t part[1025];
  DWORD size = split_half != 0 ? 1 : 0;
  part[0] = split_half;
  DWORD got = 0;
  if (!ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), part + size, 1024, &got, nullptr) || got == 0) return false;
  if (line_start && part[size] == L'\x1a') return false;
  size += got;
  line_start = part[size - 1] == L'\n';
  split_half = part[size - 1] >= 0xD800 && part[size - 1] < 0xDC00 ? part[--size] : 0;
  typed = narrow({part, size}, CP_UTF8);
  typed_next = 0;
  return true;
}

}  // namespace

void show(std::string_view text) {
  if (console_output) {
    const std::wstring wide = widen(text, CP_UTF8);
    DWORD written = 0;
    WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    std::cout << narrow(widen(text, CP_UTF8), CP_ACP) << std::flush;
  }
}

bool read_answer_char(char& c) {
  if (!console_input) return static_cast<bool>(std::cin.get(c));
  while (typed_next == typed.size()) {
    if (!read_console_piece()) return false;
  }
  c = typed[typed_next++];
  return true;
}

#else

void show(std::string_view text) { std::cout << text << std::flush; }

bool read_answer_char(char& c) { return static_cast<bool>(std::cin.get(c)); }

#endif

void show_count(std::int64_t count) {
  char text[20];  // "-9223372036854775808"
  show({text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, count).ptr - text)});
}

void answer_to_name([[maybe_unused]] std::string& word) {
#ifdef _WIN32
  if (!console_input) word = narrow(widen(word, CP_ACP), CP_UTF8);
#endif
}
