// The same coding rules written the plain way, with one fscanf and one
// fprintf per number: the yardstick for primepack's speed and the witness
// that its outputs are byte for byte what the rules give.
//
//   plain_reference k|d INPUT OUTPUT
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool compress(std::FILE* in, std::FILE* out) {
  long long cur = 0;
  char prev_text[32] = "";
  char text[32];
  while (std::fscanf(in, "%lld", &cur) == 1) {
    std::snprintf(text, sizeof text, "%lld", cur);
    std::size_t k = 0;
    if (std::strlen(text) == std::strlen(prev_text)) {
      while (text[k] != '\0' && text[k] == prev_text[k]) ++k;
    }
    std::fprintf(out, "%s\n", text + k);
    std::memcpy(prev_text, text, sizeof text);
  }
  return true;
}

bool decompress(std::FILE* in, std::FILE* out) {
  char token[4096];
  std::string current;
  while (std::fscanf(in, "%4095s", token) == 1) {
    const std::size_t m = std::strlen(token);
    if (m >= current.size()) {
      current = token;
    } else {
      current.replace(current.size() - m, m, token);
    }
    std::fprintf(out, "%s\n", current.c_str());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (argv[1][0] != 'k' && argv[1][0] != 'd')) {
    std::fprintf(stderr, "usage: plain_reference k|d INPUT OUTPUT\n");
    return 2;
  }
  std::FILE* in = std::fopen(argv[2], "r");
  std::FILE* out = in != nullptr ? std::fopen(argv[3], "w") : nullptr;
  if (out == nullptr) return 1;
  const bool ok = argv[1][0] == 'k' ? compress(in, out) : decompress(in, out);
  std::fclose(in);
  return ok && std::fclose(out) == 0 ? 0 : 1;
}
