#include "codec/suffix_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>

namespace {

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

std::string coded_line(std::int64_t cur, std::int64_t prev) {
  std::ostringstream sink;
  TextWriter out = make_writer(sink);
  write_suffix_line(out, cur, prev);
  EXPECT_TRUE(flush_writer(out));
  return sink.str();
}

TEST(WriteSuffixLine, CodesEachNumberAgainstItsPredecessor) {
  const struct {
    std::int64_t cur, prev;
    const char* line;
  } cases[] = {
      {3, 2, "3\n"},          // same length, first characters differ
      {11, 7, "11\n"},        // longer than its predecessor
      {13, 11, "3\n"},        // common prefix 1
      {23, 19, "23\n"},       // empty common prefix
      {113, 109, "13\n"},     // common prefix 1 of three digits
      {1294, 1234, "94\n"},   // equal characters after the difference are kept
      {5, 5, "\n"},           // equal neighbours: empty line
      {99, 100, "99\n"},      // shorter than its predecessor
      {-13, -17, "3\n"},      // the minus sign is part of the common prefix
      {17, -17, "17\n"},      // lengths differ by the sign
      {kMin, kMax, "-9223372036854775808\n"},
      {kMin + 1, kMin, "7\n"},
      {kMax, kMax - 1, "7\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(coded_line(c.cur, c.prev), c.line) << c.cur << " after " << c.prev;
  }
}

TEST(ApplySuffix, OverlaysTheTokenOnTheTail) {
  const std::string long_text(40, '7');
  const struct {
    std::string current, token, decoded;
  } cases[] = {
      {"", "2", "2"},                // the first token is taken whole
      {"109", "13", "113"},          // shorter token replaces the tail
      {"19", "23", "23"},            // equal length replaces all
      {"7", "11", "11"},             // longer token replaces all
      {"100", "99", "199"},          // cannot round-trip, decoded as text
      {"0097", "1", "0091"},         // not digits-aware: zeros survive
      {"-17", "3", "-13"},
      {"12", "x", "1x"},             // any characters pass through
      {long_text, "1", long_text.substr(0, 39) + "1"},  // beyond a 19-character field
      {"5", long_text, long_text},
  };
  for (const auto& c : cases) {
    std::string current = c.current;
    apply_suffix(current, c.token);
    EXPECT_EQ(current, c.decoded) << c.current << " + " << c.token;
  }
}

}  // namespace
