// The stand-alone driver for a fuzz target: runs its entry point over every
// file of the folders named on the command line, as libFuzzer does with a
// corpus, so that ordinary builds (g++, Windows) replay the committed
// inputs as tests. A finding ends the process through the target's trap.
// With --kernel NAME first, it also fails unless NAME is the kernel that
// this processor gets.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "codec/kernels.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  int first = 1;
  if (argc > 2 && std::string_view(argv[1]) == "--kernel") {
    if (std::string_view(argv[2]) != active_kernel().name) {
      std::printf("the kernel chosen is %s, not %s\n", active_kernel().name, argv[2]);
      return 1;
    }
    first = 3;
  }
  std::size_t replayed = 0;
  for (int i = first; i < argc; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      std::ifstream file(entry.path(), std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed; kernel chosen: %s\n", replayed, active_kernel().name);
  return replayed > 0 ? 0 : 1;  // an empty or missing corpus tests nothing
}
