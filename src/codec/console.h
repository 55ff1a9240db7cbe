// The user's console: messages to standard output, answers from standard
// input, and the files that the answers name.
//
// Names are bytes on Linux. On Windows they are held in UTF-8: an answer
// typed at a console is read as the characters typed, whatever the
// console's code pages (which are left as they are), and a redirected
// answer as bytes in the ANSI code page, as any narrow Windows program reads
// it. Messages go to a console as characters, and to a file or pipe in the
// ANSI code page.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Prints `text` and flushes it, so that it is on screen at once, before any
// answer is read and while a long run goes on.
void show(std::string_view text);

// Prints `count` in canonical decimal.
void show_count(std::int64_t count);

// Reads the next character of standard input. False at its end.
bool read_answer_char(char& c);

// Skips white space, then reads a word: the characters up to the next white
// space or the end of input. False when the input ends before a word.
bool read_answer_word(std::string& word);

// The file that `name`, as read by read_answer_word, names.
std::filesystem::path file_path(const std::string& name);
