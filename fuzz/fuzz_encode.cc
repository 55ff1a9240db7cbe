// Reads arbitrary bytes as a plain number list and codes it through the
// compression run's steps, and checks the result against the rules applied
// the plain way: character by character, with the library's conversions.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const Converted got = convert_in_memory<CompressState>(input, data[0], compress_span, compress_item);

  std::string expected;
  std::string prev;
  std::size_t numbers = 0;
  Step last = Step::end;
  std::size_t i = 0;
  for (;;) {
    while (i < input.size() && is_white_space(input[i])) ++i;
    const std::size_t start = i;
    if (i < input.size() && (input[i] == '+' || input[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < input.size() && is_digit(input[i])) ++i;
    if (i == digits) break;
    const std::size_t from = input[start] == '+' ? start + 1 : start;
    std::int64_t value = 0;
    if (std::from_chars(input.data() + from, input.data() + i, value).ec != std::errc()) {
      last = Step::failed;
      break;
    }
    const std::string cur = std::to_string(value);
    std::size_t k = 0;
    if (cur.size() == prev.size()) {
      while (k < cur.size() && cur[k] == prev[k]) ++k;
    }
    expected += cur.substr(k) + "\n";
    prev = cur;
    ++numbers;
  }
  require(got.last == last && got.items == numbers && got.output == expected);
  return 0;
}
