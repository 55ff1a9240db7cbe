// Helpers shared by the tests: scratch folders, whole-file reads and writes,
// prime lists, and captured standard output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

// A new empty folder of the test's own under the system's temporary folder.
std::filesystem::path make_scratch_dir();

// The exact bytes of a file (binary mode), or "<missing>" when there is none.
std::string read_bytes(const std::filesystem::path& file);
void write_bytes(const std::filesystem::path& file, const std::string& bytes);

// The primes below `limit`, one per line, each line ending in "\n".
std::string primes_below(std::int64_t limit);

// The first `count` primes, one per line.
std::string first_primes(std::int64_t count);

// Runs `action` with standard output captured; gives what it printed.
std::string capture_stdout(const std::function<void()>& action);
