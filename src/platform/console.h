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
#include <string_view>

// Prints `text` at once, whole, so that it is on screen before any answer
// is read and while a long run goes on. A failed write is not reported:
// a reader that left loses the messages, not the run.
void show(std::string_view text);

// Prints `count` in canonical decimal.
void show_count(std::int64_t count);

// Reads the next character of standard input. False at its end. Nothing
// past that character is taken from a redirected standard input, so that
// what follows the answers stays there for the run to read as its list.
bool read_answer_char(char& c);

// Turns a word read with read_answer_char, `size` bytes at `word`, into a
// name in place (see above): on Windows the bytes of a redirected answer
// are taken in the ANSI code page. False when the name would not fit in
// `capacity` bytes.
bool answer_to_name(char* word, std::size_t& size, std::size_t capacity);
