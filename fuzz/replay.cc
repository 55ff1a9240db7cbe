// The stand-alone driver for a fuzz target: runs its entry point over every
// file named on the command line, and every file of the folders named, as
// libFuzzer does with a corpus, so that ordinary builds (g++, Windows)
// replay the committed inputs as tests. A finding ends the process through
// the target's trap, after naming the input that it came from. With
// --kernel NAME first, it also fails unless NAME is the kernel that this
// processor gets.
//
//   replay_fuzz_codec [--kernel NAME] FOLDER|FILE...
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "codec/kernels/kernel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::string replaying;  // the input being replayed

// A trap (SIGILL) or a crash: names the input, then ends as it would have.
extern "C" void name_the_input(int signal) {
  std::fprintf(stderr, "finding in %s\n", replaying.c_str());
  std::fflush(stderr);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  if (argc > 2 && std::string_view(argv[1]) == "--kernel") {
    if (std::string_view(argv[2]) != active_kernel().name) {
      std::printf("the kernel chosen is %s, not %s\n", active_kernel().name, argv[2]);
      return 1;
    }
    first = 3;
  }
  std::vector<std::filesystem::path> inputs;
  for (int i = first; i < argc; ++i) {
    if (std::filesystem::is_directory(argv[i])) {
      for (const auto& entry : std::filesystem::directory_iterator(argv[i])) inputs.push_back(entry.path());
    } else {
      inputs.emplace_back(argv[i]);
    }
  }
  for (const int signal : {SIGILL, SIGSEGV, SIGFPE, SIGABRT}) std::signal(signal, name_the_input);
  std::size_t replayed = 0;
  for (const auto& input : inputs) {
    std::ifstream file(input, std::ios::binary);
    if (!file.is_open()) {
      std::printf("cannot read %s\n", input.string().c_str());
      return 1;
    }
    replaying = input.string();
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ++replayed;
  }
  std::printf("%zu inputs replayed; kernel chosen: %s\n", replayed, active_kernel().name);
  return replayed > 0 ? 0 : 1;  // an empty or missing corpus tests nothing
}
