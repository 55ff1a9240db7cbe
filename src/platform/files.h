// The files that the user's answers name, as the runs and the dialogue open
// them. Both are binary streams on every platform: their writers put in the
// platform's line end themselves and their readers end a text where
// a text-mode read would, so that the bytes are those of a text-mode stream
// without the C runtime translating each one.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>

// The longest name that the platform takes as a path: on Linux PATH_MAX
// less its terminating zero; on Windows 32767 UTF-16 units, each at most 3
// bytes of UTF-8. A longer word names no file.
#ifdef _WIN32
inline constexpr std::size_t MAX_NAME_SIZE = 3 * 32767;
#else
inline constexpr std::size_t MAX_NAME_SIZE = 4095;
#endif

// The file that `name` stands for. Names are bytes on Linux and UTF-8 on
// Windows (see console.h).
std::filesystem::path file_path(const std::string& name);

// Opens the named file for reading. False when it cannot be opened or names
// a directory, so that a directory is never taken for an empty list.
bool open_input_file(const std::string& name, std::ifstream& file);

// Creates the named file for writing, or empties it. False when it cannot.
bool open_output_file(const std::string& name, std::ofstream& file);
