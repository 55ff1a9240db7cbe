// The console dialogue: one conversion chosen and named by the user.
#pragma once

#include <cstddef>

#include "platform/files.h"

// A name as the user answered it, ending in a zero byte.
struct Name {
  char text[MAX_NAME_SIZE + 1] = {};
  std::size_t size = 0;
};

// Reads characters from standard input until one is `k` (compress) or `d`
// (decompress) and gives that one; every other character is skipped. False
// when standard input ends first.
bool read_mode(char& mode);

// Skips white space, then reads a word: the characters up to the next white
// space or the end of input, as a name. A word that cannot be a name
// (longer than MAX_NAME_SIZE, or holding a zero byte) is read to its end
// without being kept and given as the empty word, which names no file.
// False when the input ends before a word.
bool read_answer_word(Name& word);

// Prints `prompt` and reads a word into `name` until it names a file that
// can be opened for reading, and opens it as `input`, saying so and asking
// again when it cannot. False when standard input ends first.
bool ask_input_name(const char* prompt, Name& name, InputFile& input);

// Asks for the mode and both names and runs that one conversion, reporting
// its failure. True when the conversion ran and succeeded.
bool run_dialogue();
