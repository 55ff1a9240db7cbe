// Compares the SSE2 machinery with the portable words on arbitrary bytes:
// both must classify every chunk and compare, blend and move every text
// alike, so that either build codes every list to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"

#ifdef PRIMEPACK_HAVE_SSE2
template <std::size_t LANES>
void compare_texts(const char* a, const char* b, std::size_t from) {
  char by_sse2[32] = {};
  char by_words[32] = {};
  sse2::store_text(by_sse2, sse2::keep_head(sse2::load_text<LANES>(a), sse2::load_text<LANES>(b), from));
  portable::store_text(by_words,
                       portable::keep_head(portable::load_text<LANES>(a), portable::load_text<LANES>(b), from));
  require(std::memcmp(by_sse2, by_words, 32) == 0);
  require(sse2::first_difference(sse2::load_text<LANES>(a), sse2::load_text<LANES>(b)) ==
          portable::first_difference(portable::load_text<LANES>(a), portable::load_text<LANES>(b)));
}
#endif

extern "C" int LLVMFuzzerTestOneInput([[maybe_unused]] const std::uint8_t* data, [[maybe_unused]] std::size_t size) {
#ifdef PRIMEPACK_HAVE_SSE2
  char bytes[2 * CHUNK + 1] = {};
  std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
  for (std::size_t at = 0; at <= CHUNK; at += 7) {
    require(sse2::white_space_bits(bytes + at) == portable::white_space_bits(bytes + at));
    require(sse2::digit_bits(bytes + at) == portable::digit_bits(bytes + at));
  }
  const std::size_t from = static_cast<unsigned char>(bytes[0]) % 33;
  compare_texts<1>(bytes + 1, bytes + 33, from < 16 ? from : 16);
  compare_texts<2>(bytes + 1, bytes + 33, from);
#endif
  return 0;
}
