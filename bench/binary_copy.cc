// The copy that the Windows runs are timed against: the least any converter
// must do, built by the same toolchain. Reads a file into its own memory and
// writes it out again, 256 KiB at a time, through binary streams.
//   binary_copy INPUT OUTPUT
#include <fstream>
#include <memory>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  constexpr std::streamsize kBlock = 1 << 18;
  const auto block = std::make_unique<char[]>(kBlock);
  while (in.read(block.get(), kBlock) || in.gcount() > 0) out.write(block.get(), in.gcount());
  return in.bad() || !out.flush() ? 1 : 0;
}
