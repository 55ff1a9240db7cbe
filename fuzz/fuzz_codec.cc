// Checks the codec on arbitrary bytes against its rules applied one
// character at a time. The first byte picks the check, the second (for the
// runs) the block size, so that block boundaries fall anywhere:
//   0  decodes the rest as a suffix-coded list, with every kernel that
//      this processor runs;
//   1  reads the rest as a plain list and codes it, with every kernel;
//   2  checks every kernel's classifiers against the byte classes, and
//      the SSE2 texts against the portable words', on the rest.
// The byte classes that the checks use are written out here, apart from
// the code's own (byte_classes.h), which they check.
// Together the first two also show that every list that the format can
// round-trip comes back: each run does what its rule says on any input.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "codec/conversion.h"
#include "codec/kernels/instruction_sets.h"
#include "codec/plain_list.h"

namespace {

void require(bool holds) {
  if (!holds) __builtin_trap();
}

// Blank, tab, line feed, vertical tab, form feed and carriage return.
constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
constexpr std::string_view kDigits = "0123456789";

bool white(char c) { return kWhiteSpace.find(c) != std::string_view::npos; }
bool digit(char c) { return kDigits.find(c) != std::string_view::npos; }
bool up_to_blank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

struct Converted {
  std::string output;
  Step last = Step::end;  // end, or failed
  std::size_t items = 0;
};

// A sink that keeps what it is given.
Sink sink_into(std::string& kept) {
  return {&kept, [](void* context, const char* from, std::size_t size) {
            static_cast<std::string*>(context)->append(from, size);
            return true;
          }};
}

// Runs a conversion over `input` in memory. Input blocks of 1 to 64 bytes
// put boundaries everywhere and keep to the general steps; 64 to 1080 let
// the fast paths run and hand over at every alignment; the rest of the
// byte values give 4096. Output blocks of 64 to 3907 bytes make the fast
// paths hand over a full block at every alignment too.
Converted convert_in_memory(const std::string& input, std::uint8_t block, const Kernel& kernel,
                            ListConversion convert_list) {
  Converted result;
  MemorySource source{input};
  BlockReader in;
  BlockWriter out;
  require(make_reader(in, source_of(source),
                      block < 64    ? block + 1u
                      : block < 192 ? 8u * block - 440u + block % 8u
                                    : 4096u) &&
          make_writer(out, sink_into(result.output), WRITE_MARGIN + 61u * (block % 64u)));
  // What an earlier run left in reused memory must not make up for bytes
  // that this one fails to write.
  std::memset(out.block, 0xA5, out.block_size + WRITE_MARGIN);
  std::int64_t count = 0;
  result.last = convert_list(
                    kernel, in, out, [](std::int64_t) {}, count)
                    ? Step::end
                    : Step::failed;
  result.items = static_cast<std::size_t>(count);
  return result;
}

// Each kernel's window paths, counted as they run. Every kernel takes the
// same windows: one that refuses a window it should take gives the same
// bytes, only slower, so the bytes alone would not show it.
struct Counted {
  const Kernel* kernel = nullptr;
  std::int64_t coded = 0;    // lines coded a window at a time
  std::int64_t decoded = 0;  // tokens decoded a window at a time
};
Counted counted;

std::int64_t count_coded(LineWindows& windows, const LineShape& shape) {
  const std::int64_t lines = counted.kernel->code_windows(windows, shape);
  counted.coded += lines;
  return lines;
}

std::int64_t count_decoded(TokenWindows& windows) {
  const std::int64_t tokens = counted.kernel->decode_windows(windows);
  counted.decoded += tokens;
  return tokens;
}

// Runs `convert` with each kernel that this processor runs in turn, each
// counted; gives the counts. Every conversion must give the same result.
template <typename Convert>
std::vector<Counted> with_every_kernel(Convert convert) {
  std::vector<Counted> counts;
  for (const Kernel* kernel : kernels_here()) {
    counted = {kernel, 0, 0};
    const Kernel counting{kernel->name, kernel->code_windows != nullptr ? count_coded : nullptr, count_decoded};
    convert(counting);
    counts.push_back(counted);
  }
  return counts;
}

// The input as the runs read it: on Windows it ends at a Ctrl-Z, and a
// byte order mark at its start is no part of it.
std::string as_text(const std::string& input) {
  const std::string text = ENDS_AT_CTRL_Z ? input.substr(0, input.find('\x1a')) : input;
  return text.starts_with(BYTE_ORDER_MARK) ? text.substr(BYTE_ORDER_MARK.size()) : text;
}

void check_decoding(std::uint8_t block, const std::string& bytes) {
  const std::string input = as_text(bytes);
  std::string expected;
  std::string current;
  std::size_t tokens = 0;
  Step last = Step::end;
  for (std::size_t i = 0, stop = 0; i < input.size(); i = stop) {
    for (stop = i; stop < input.size() && !white(input[stop]);) ++stop;
    if (stop == i) {
      ++stop;  // white space
      continue;
    }
    if (stop - i > MAX_TOKEN_SIZE) {
      last = Step::failed;
      break;
    }
    const std::string token = input.substr(i, stop - i);
    const std::size_t keep = current.size() > token.size() ? current.size() - token.size() : 0;
    current = current.substr(0, keep) + token;
    expected += current;
    expected += LINE_END;
    ++tokens;
  }
  const auto counts = with_every_kernel([&](const Kernel& kernel) {
    const Converted got = convert_in_memory(bytes, block, kernel, decompress_list);
    require(got.last == last && got.items == tokens && got.output == expected);
  });
  for (const Counted& count : counts) require(count.decoded == counts.front().decoded);
}

// Character by character, with the library's conversions.
void check_coding(std::uint8_t block, const std::string& bytes) {
  const std::string input = as_text(bytes);
  std::string expected;
  std::string prev;
  std::size_t numbers = 0;
  Step last = Step::end;
  for (std::size_t i = 0;;) {
    while (i < input.size() && white(input[i])) ++i;
    const std::size_t word = i;
    const std::size_t from = i < input.size() && input[i] == '+' ? i + 1 : i;
    if (i < input.size() && (input[i] == '+' || input[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < input.size() && digit(input[i])) ++i;
    if (i == digits) {
      if (numbers == 0 && word < input.size()) last = Step::failed;  // no list at all
      break;
    }
    std::int64_t value = 0;
    if (std::from_chars(input.data() + from, input.data() + i, value).ec != std::errc()) {
      last = Step::failed;
      break;
    }
    const std::string cur = std::to_string(value);
    std::size_t k = 0;
    while (cur.size() == prev.size() && k < cur.size() && cur[k] == prev[k]) ++k;
    expected += cur.substr(k);
    expected += LINE_END;
    prev = cur;
    ++numbers;
  }
  const auto counts = with_every_kernel([&](const Kernel& kernel) {
    const Converted got = convert_in_memory(bytes, block, kernel, compress_list);
    require(got.last == last && got.items == numbers && got.output == expected);
  });
  for (const Counted& count : counts) {
    require(count.kernel->code_windows == nullptr || count.coded == counts.back().coded);
  }
}

// The bits of the bytes of the chunk at `chunk` that `in` takes, one byte
// at a time.
template <typename In>
std::uint64_t bits_by_rule(const char* chunk, In in) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < CHUNK; ++i) bits |= std::uint64_t{in(chunk[i])} << i;
  return bits;
}

// One kernel's classifiers against the byte classes, at several offsets of
// the input and for a byte that the input picks; the input's first bytes
// also go through the classes' edges, so that a classifier that takes one
// byte too many or too few shows wherever it errs.
void check_classifiers(const ChunkClassifiers& classifiers, const char* bytes, std::size_t size, char wanted) {
  for (std::size_t at = 0; at + CHUNK <= size; at += 7) {
    const char* chunk = bytes + at;
    require(classifiers.white_space_bits(chunk) == bits_by_rule(chunk, white) &&
            classifiers.up_to_blank_bits(chunk) == bits_by_rule(chunk, up_to_blank) &&
            classifiers.byte_bits(chunk, wanted) == bits_by_rule(chunk, [wanted](char c) { return c == wanted; }));
    require(classifiers.digit_bits == nullptr || classifiers.digit_bits(chunk) == bits_by_rule(chunk, digit));
  }
}

// The classifiers of every kernel that this processor runs, and the
// portable words' in any build; as many as the kernel table gives.
void check_every_classifier(const char* bytes, std::size_t size, char wanted) {
  std::size_t checked = 0;
  for (const KernelRow* row : kernel_rows_here()) {
    check_classifiers(*row->classifiers, bytes, size, wanted);
    ++checked;
  }
  require(checked == kernels_here().size());
  check_classifiers(common_vectors::portable_classifiers, bytes, size, wanted);
}

#ifdef PRIMEPACK_HAVE_SSE2
template <std::size_t LANES>
void compare_texts(const char* a, const char* b, std::size_t from) {
  char by_sse2[32] = {};
  char by_words[32] = {};
  const auto sse2_a = sse2::load_lanes<LANES>(a);
  const auto words_a = portable::load_lanes<LANES>(a);
  sse2::store_lanes(by_sse2, sse2::keep_head(sse2_a, sse2::load_lanes<LANES>(b), from));
  portable::store_lanes(by_words, portable::keep_head(words_a, portable::load_lanes<LANES>(b), from));
  require(std::memcmp(by_sse2, by_words, 32) == 0 &&
          sse2::first_difference(sse2_a, sse2::load_lanes<LANES>(b)) ==
              portable::first_difference(words_a, portable::load_lanes<LANES>(b)));
}

void compare_vectors(const char* bytes) {
  const std::size_t from = static_cast<unsigned char>(bytes[0]) % 33;
  compare_texts<1>(bytes + 1, bytes + 33, from < 16 ? from : 16);
  compare_texts<2>(bytes + 1, bytes + 33, from);
}
#else
void compare_vectors(const char*) {}  // nothing to compare with
#endif

void check_vectors(const std::string& input) {
  // Every byte from 0 to 40 first (the classes' edges), then the input.
  constexpr std::size_t kEdges = 41;
  char bytes[kEdges + 2 * CHUNK + 1] = {};
  for (std::size_t i = 0; i < kEdges; ++i) bytes[i] = static_cast<char>(i);
  const std::size_t size = input.size() < 2 * CHUNK + 1 ? input.size() : 2 * CHUNK + 1;
  std::memcpy(bytes + kEdges, input.data(), size);
  // Classes are ranges of codes below 0x80 (the portable words' limit).
  check_every_classifier(bytes, sizeof bytes, input.empty() ? '\n' : static_cast<char>(input[0] & 0x7F));
  compare_vectors(bytes + kEdges);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
  if (data[0] % 3 == 0) {
    check_decoding(data[1], rest);
  } else if (data[0] % 3 == 1) {
    check_coding(data[1], rest);
  } else {
    check_vectors(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  }
  return 0;
}
