// Helpers shared by the tests: scratch folders, whole-file reads and writes,
// prime lists, and captured standard output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

// A new empty folder under the system's temporary folder.
std::filesystem::path make_scratch_dir();

// The exact bytes of a file (binary mode), or "<missing>" when there is none.
std::string read_bytes(const std::filesystem::path& file);
void write_bytes(const std::filesystem::path& file, const std::string& bytes);

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// `text` with the line ends a text-mode stream writes on this platform:
// CR LF on Windows, LF elsewhere.
std::string native_lines(const std::string& text);

// A device that refuses every write with "disk full" (not on Windows).
inline const std::filesystem::path kFullDevice = "/dev/full";

// The primes below `limit`, one per line, each line ending in "\n".
std::string primes_below(std::int64_t limit);

// Runs `action` with standard output captured; gives what it printed.
std::string capture_stdout(const std::function<void()>& action);
