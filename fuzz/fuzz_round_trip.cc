// Builds a strictly ascending list of non-negative 64-bit numbers from the
// fuzz bytes, writes it as a plain list with varied white space, compresses
// and decompresses it through the runs' steps, and wants the list back.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  // The first number from eight bytes, each next one a step of one to 2^16
  // above it; how far the steps reach depends on the first byte's scale.
  std::uint64_t first = 0;
  for (std::size_t i = 1; i < 9; ++i) first = first << 8 | data[i];
  std::uint64_t value = first >> (data[1] % 64);
  value &= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

  static const char* const separators[] = {"\n", "\r\n", " ", "\t", "\n\n", " \r\n\t"};
  std::string plain;
  std::string canonical;
  for (std::size_t i = 9;; i += 2) {
    const std::string text = std::to_string(value);
    plain += text + separators[i < size ? data[i] % 6 : 0];
    canonical += text + "\n";
    if (i + 1 >= size) break;
    const std::uint64_t step = 1 + (static_cast<std::uint64_t>(data[i]) << 8 | data[i + 1]);
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) - step) break;
    value += step;
  }

  const Converted packed = convert_in_memory<CompressState>(plain, data[0], compress_span, compress_item);
  const Converted restored =
      convert_in_memory<DecompressState>(packed.output, data[0], decompress_span, decompress_item);
  require(packed.last == Step::end && restored.last == Step::end && restored.output == canonical);
  return 0;
}
