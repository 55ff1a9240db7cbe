// The user's console: messages to standard output, answers from standard
// input.
//
// Names are bytes on Linux. On Windows they are held in UTF-8: an answer
// typed at a console is read as the characters typed, whatever the
// console's code pages (which are left as they are), and a redirected
// answer as bytes in the ANSI code page, as any narrow Windows program reads
// it. Messages go to a console as characters, and to a file or pipe in the
// ANSI code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The longest name that the platform takes as a path: on Linux PATH_MAX
// less its terminating zero; on Windows 32767 UTF-16 units, each at most 3
// bytes of UTF-8. A longer word names no file.
#ifdef _WIN32
inline constexpr std::size_t MAX_NAME_SIZE = 3 * 32767;
#else
inline constexpr std::size_t MAX_NAME_SIZE = 4095;
#endif

// Prints `text` and flushes it, so that it is on screen at once, before any
// answer is read and while a long run goes on.
void show(std::string_view text);

// Prints `count` in canonical decimal.
void show_count(std::int64_t count);

// Reads the next character of standard input. False at its end.
bool read_answer_char(char& c);

// Skips white space, then reads a word: the characters up to the next white
// space or the end of input. A word longer than MAX_NAME_SIZE is read to its
// end without being kept and given as the empty word, which names no file.
// False when the input ends before a word.
bool read_answer_word(std::string& word);
