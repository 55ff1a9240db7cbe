// The console dialogue: one conversion chosen and named by the user.
#pragma once

#include <string>

// Reads characters from standard input until one is `k` (compress) or `d`
// (decompress) and gives that one; every other character is skipped. False
// when standard input ends first.
bool read_mode(char& mode);

// Prints `prompt` and reads a word into `name` until it names a file that
// can be opened for reading, saying so and asking again when it cannot.
// False when standard input ends first.
bool ask_input_name(const char* prompt, std::string& name);

// Asks for the mode and both names and runs that one conversion, reporting
// its failure. True when the conversion ran and succeeded.
bool run_dialogue();
