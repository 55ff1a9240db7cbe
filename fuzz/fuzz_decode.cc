// Decodes arbitrary bytes as a suffix-coded list through the decompression
// run's steps, and checks the result against the rule applied the plain way.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const Converted got = convert_in_memory<DecompressState>(input, data[0], decompress_span, decompress_item);

  std::string expected;
  std::string current;
  std::size_t tokens = 0;
  for (std::size_t i = 0; i < input.size();) {
    if (is_white_space(input[i])) {
      ++i;
      continue;
    }
    std::size_t stop = i;
    while (stop < input.size() && !is_white_space(input[stop])) ++stop;
    const std::string token = input.substr(i, stop - i);
    if (token.size() >= current.size()) {
      current = token;
    } else {
      current.replace(current.size() - token.size(), token.size(), token);
    }
    expected += current + "\n";
    ++tokens;
    i = stop;
  }
  require(got.last == Step::end && got.items == tokens && got.output == expected);
  return 0;
}
