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

#include <cstdint>
#include <string>
#include <string_view>

// Prints `text` and flushes it, so that it is on screen at once, before any
// answer is read and while a long run goes on.
void show(std::string_view text);

// Prints `count` in canonical decimal.
void show_count(std::int64_t count);

// Reads the next character of standard input. False at its end.
bool read_answer_char(char& c);

// Turns a word read with read_answer_char into a name (see above): on
// Windows the bytes of a redirected answer are taken in the ANSI code page.
void answer_to_name(std::string& word);
