// The files that the user's answers name, each opened once and kept as the
// system's handle until the run is done with it: nothing is looked up by
// its name twice, so that a FIFO keeps its data, and a folder that moves,
// a link that is swapped or a umask cannot redirect or refuse a later step.
// Bytes are read and written as they stand; the runs themselves give them
// the platform's line ends and end a text where a text-mode read would.
#pragma once

#include <cstddef>
#include <cstdint>

// The longest name that the platform takes as a path: on Linux PATH_MAX
// less its terminating zero; on Windows 32767 UTF-16 units, each at most 3
// bytes of UTF-8. A longer word names no file.
#ifdef _WIN32
inline constexpr std::size_t MAX_NAME_SIZE = 3 * 32767;
#else
inline constexpr std::size_t MAX_NAME_SIZE = 4095;
#endif

// The longest part of a path that a folder entry takes: 255 bytes on
// Linux, 255 UTF-16 units on Windows.
inline constexpr std::size_t MAX_ENTRY_SIZE = 255;

// The system's handle of an open file: a descriptor, or a HANDLE.
#ifdef _WIN32
using FileHandle = void*;
inline const FileHandle NO_FILE = reinterpret_cast<FileHandle>(static_cast<std::intptr_t>(-1));
#else
using FileHandle = int;
inline constexpr FileHandle NO_FILE = -1;
#endif

// Which file a handle reaches, whatever names lead to it: the device (or
// volume) and the file's number on it.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool known = false;
};

// An input, opened once by the dialogue when it accepts the name, and read
// by the run through the same handle.
struct InputFile {
  FileHandle handle = NO_FILE;
  FileIdentity identity;
};

// Opens the named file for reading. False when it cannot be opened or is a
// folder, so that a folder is never taken for an empty list. A name of
// standard input's own file, pipe or socket (/dev/stdin, /dev/fd/0, or
// any other name of it) gives standard input itself, read on from where
// the answers ended: opened anew, a file would start over, answers and all.
bool open_input_file(const char* name, InputFile& input);

// Reads up to `size` bytes into `to`: how many, 0 at the end of the input,
// -1 on an error (or, on Windows, once the run was interrupted).
std::ptrdiff_t read_input_file(InputFile& input, char* to, std::size_t size);

void close_input_file(InputFile& input);

// A run's output from its opening until it is committed or discarded.
// A regular file, or a name that has no file yet, is written as a new file
// in the folder that was opened for it (nameless where the system can, else
// hidden beside the name as ".NAME.XXXXXX", created exclusively) and put
// under the name only once complete, so that a failed or interrupted run
// leaves whatever stood there. A device, a pipe,
// a terminal is written directly. A regular file is never written in place.
struct OutputFile {
  FileHandle handle = NO_FILE;  // what the run writes
  FileHandle folder = NO_FILE;  // the folder of the name, through its links (a new file beside it)
  FileHandle old = NO_FILE;     // the file replaced, whose owner, mode and attributes the new one takes
  bool beside = false;          // written as a new file beside the name, renamed at the commit
#ifdef _WIN32
  // On Windows the old file is held with the right to delete it, so that
  // nothing can refuse the commit; the new file is marked to go when its
  // handle closes until the commit.
  wchar_t target[MAX_ENTRY_SIZE + 1] = {};     // the name's entry in `folder`
  wchar_t temporary[MAX_ENTRY_SIZE + 1] = {};  // the new file's entry in `folder`
#else
  char target[MAX_ENTRY_SIZE * 3 + 1] = {};      // the name's entry in `folder`
  char temporary[MAX_ENTRY_SIZE * 3 + 16] = {};  // the new file's entry in `folder`
#endif
};

// Opens the output for `name` while interruptions are watched: an
// interruption from then on removes the new file. False, with nothing
// created, when the output cannot be written safely: an empty name or one
// that the system cannot take, a missing folder, a folder, a file that may
// not be written, the input itself (by any name: told by the handles), the
// pipe or socket of standard output (which the messages share) or of
// standard input (which nobody would read), a file in a sticky folder
// that the rename would be refused, a folder that keeps every entry made
// in it (append-only: the new file could be neither renamed nor removed),
// or a regular file beside which no new file can be made, or whose owner,
// mode, access control list and other attributes the new file cannot take.
bool open_output_file(const char* name, const InputFile& input, OutputFile& output);

// Writes all `size` bytes. False on an error (or, on Windows, once the run
// was interrupted).
bool write_output_file(OutputFile& output, const char* from, std::size_t size);

// Puts the output under its name: a replaced file's data are first forced
// to the disk, so that no power cut leaves the name on an empty file. A
// signal that comes while the name is being taken is held until it is, and
// then has no effect: the run either commits and succeeds, or never commits.
// False when forcing, closing or renaming failed, or a signal came first;
// the output is then left for discard_output_file.
bool commit_output_file(OutputFile& output);

// Closes the output and removes the new file. A device or a pipe stays.
void discard_output_file(OutputFile& output);
