#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <vector>

std::filesystem::path make_scratch_dir() {
  static int serial = 0;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const auto dir = std::filesystem::temp_directory_path() /
                   ("primepack-" + std::string(test->name()) + "-" + std::to_string(serial++));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

std::string read_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in.is_open() || std::filesystem::is_directory(file)) return "<missing>";
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

std::string native_lines(const std::string& text) {
  std::string native;
  for (char c : text) native += c == '\n' && kWindows ? "\r\n" : std::string(1, c);
  return native;
}

std::string primes_below(std::int64_t limit) {
  std::vector<bool> composite(static_cast<std::size_t>(limit), false);
  std::string list;
  for (std::int64_t n = 2; n < limit; ++n) {
    if (composite[static_cast<std::size_t>(n)]) continue;
    list += std::to_string(n) + "\n";
    for (std::int64_t m = n * n; m < limit; m += n) composite[static_cast<std::size_t>(m)] = true;
  }
  return list;
}

std::string capture_stdout(const std::function<void()>& action) {
  std::ostringstream captured;
  std::streambuf* saved = std::cout.rdbuf(captured.rdbuf());
  action();
  std::cout.rdbuf(saved);
  return captured.str();
}
