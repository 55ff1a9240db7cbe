#include "codec/plain_list.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

// The canonical texts read, then "|none" or "|out of range" for the read
// that ended the list.
std::string read_all(const std::string& text) {
  std::istringstream source(text);
  TextReader in = make_reader(source);
  std::string seen;
  NumberText held;
  for (;;) {
    switch (read_number(in, held)) {
      case NumberRead::number:
        seen += std::string(text_of(held)) + " ";
        continue;
      case NumberRead::none:
        return seen + "|none";
      case NumberRead::out_of_range:
        return seen + "|out of range";
    }
  }
}

TEST(ReadNumber, ReadsSignsAndDigitsLikeACharacterByCharacterScan) {
  const std::string zeros(BLOCK_SIZE + 10, '0');
  const struct {
    std::string text, seen;
  } cases[] = {
      {"", "|none"},
      {" \n\t ", "|none"},
      {"7\n11\n13", "7 11 13 |none"},
      {"7\r\n11\r\n", "7 11 |none"},
      {"2 3 5\n7", "2 3 5 7 |none"},
      {"+7 007 -0 +0 -007", "7 7 0 0 -7 |none"},
      {"12abc 13", "12 |none"},
      {"7-8", "7 -8 |none"},
      {"5,6", "5 |none"},
      {"4 - 5", "4 |none"},
      {"4 +", "4 |none"},
      {"1 Primes 2", "1 |none"},
      {"9223372036854775807 -9223372036854775808",
       "9223372036854775807 -9223372036854775808 |none"},
      {"9223372036854775808", "|out of range"},
      {"1 -9223372036854775809", "1 |out of range"},
      {"99999999999999999999999999", "|out of range"},
      {"000000000000000000000000000042", "42 |none"},
      {"-" + zeros + "5 " + zeros, "-5 0 |none"},  // runs longer than a block
      {std::string(BLOCK_SIZE - 3, ' ') + "-123456 7", "-123456 7 |none"},
      {std::string(BLOCK_SIZE - 1, ' ') + "-9223372036854775808", "-9223372036854775808 |none"},
      {std::string(BLOCK_SIZE * 3, '9'), "|out of range"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(read_all(c.text), c.seen) << c.text.substr(0, 40);
  }
}

}  // namespace
