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

// A run's output from its opening until it is committed or discarded.
// A regular file, or one that does not exist yet, is written under a new
// name beside it (".NAME.XXXXXX", created exclusively) and takes its name
// only once complete, so that a failed or interrupted run leaves whatever
// stood under the name. A device, a pipe or a terminal is written directly.
// A regular file is never written in place: that would lose it on failure.
struct OutputFile {
  std::ofstream stream;
  std::filesystem::path target;     // the name, through any symbolic links
  std::filesystem::path temporary;  // what is written, when not the target itself
};

// Opens the output for `name`, while interruptions are watched: an
// interruption from then on removes the temporary file. The replaced
// file's permission bits, owner and group carry over where the system
// allows; a new one gets those that creating a file gives. False when the
// output cannot be written safely: an empty name or one that the system
// cannot take, a missing folder, a folder, a file that is not writable, or
// a regular file beside which no new file can be made (a folder that is not
// writable, a full disk, a read-only file system); then nothing was created.
bool open_output_file(const std::string& name, OutputFile& output);

// Closes the output and puts it under its name, unless an interruption
// came first. False when the close or the rename failed or a signal
// arrived; the output is then left for discard_output_file.
bool commit_output_file(OutputFile& output);

// Closes the output and removes the temporary file. A device or a pipe
// stays.
void discard_output_file(OutputFile& output);
