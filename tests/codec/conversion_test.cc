// The conversion runs on a source and a sink in memory: the worked examples
// of the format, what each run counts and shows as progress, and what
// fails it. The per-number rules on every input are the fuzz oracles' to
// check; the files, the messages and the signals are the end-to-end tests'.
#include "codec/conversion.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kTo113 =
    "2\n3\n5\n7\n11\n13\n17\n19\n23\n29\n31\n37\n41\n43\n47\n53\n59\n61\n67\n71\n73\n"
    "79\n83\n89\n97\n101\n103\n107\n109\n113\n";
const std::string kTo113Coded =
    "2\n3\n5\n7\n11\n3\n7\n9\n23\n9\n31\n7\n41\n3\n7\n53\n9\n61\n7\n71\n3\n9\n83\n9\n97\n"
    "101\n3\n7\n9\n13\n";

// `text` with the platform's line ends, as the runs write them.
std::string with_line_ends(const std::string& text) {
  std::string ended;
  for (const char c : text) c == '\n' ? ended += LINE_END : ended += c;
  return ended;
}

// The numbers from `first` on, `count` of them, one per line.
std::string counting(int first, int count) {
  std::string list;
  for (int n = first; n < first + count; ++n) list += std::to_string(n) + "\n";
  return list;
}

std::int64_t dots_shown = 0;
void count_dots(std::int64_t dots) { dots_shown += dots; }

// Reads a memory source, with an error instead of its end.
std::ptrdiff_t read_then_fail(void* memory, char* to, std::size_t size) {
  const std::ptrdiff_t got = source_of(*static_cast<MemorySource*>(memory)).read(memory, to, size);
  return got > 0 ? got : -1;
}

struct Converted {
  bool ok = false;
  std::string output;
  std::int64_t count = -1;
  std::int64_t dots = -1;
};

// Runs `convert` over `input` in memory; a sink that refuses everything
// when `refusing`, and a source that fails at its end when `failing`.
Converted run(ListConversion convert, const std::string& input, bool refusing = false, bool failing = false) {
  Converted result;
  MemorySource memory{input};
  BlockReader in;
  BlockWriter out;
  const Source source = failing ? Source{&memory, read_then_fail} : source_of(memory);
  const Sink sink{&result.output, [](void* context, const char* from, std::size_t size) {
                    static_cast<std::string*>(context)->append(from, size);
                    return true;
                  }};
  const Sink refuse{nullptr, [](void*, const char*, std::size_t) { return false; }};
  EXPECT_TRUE(make_reader(in, source) && make_writer(out, refusing ? refuse : sink));
  dots_shown = 0;
  result.ok = convert(active_kernel(), in, out, count_dots, result.count);
  result.dots = dots_shown;
  return result;
}

TEST(ConversionRuns, CodeTheWorkedExamplesAndCountEveryNumber) {
  const std::string longest(MAX_TOKEN_SIZE, '4');
  const struct {
    ListConversion convert;
    std::string input, output;
    std::int64_t count;
  } cases[] = {
      {compress_list, kTo113, kTo113Coded, 30},
      {compress_list, "1234 1294 -17 -13", "1234\n94\n-17\n3\n", 4},
      {compress_list, "7\n11\n13\nPrimes above\n17\n", "7\n11\n3\n", 3},  // stops at a heading
      {compress_list, "12abc 13", "12\n", 1},                             // and at a letter glued on
      {compress_list, "+007 -0 8", "7\n0\n8\n", 3},                       // canonical texts
      {compress_list, "5\n5\n", "5\n\n", 2},                              // a repeat is counted
      {compress_list, "", "", 0},                                         // an empty list,
      {compress_list, " \r\n\t\v\f", "", 0},                              // and one of white space alone
      {compress_list, "9223372036854775807 -9223372036854775808", "9223372036854775807\n-9223372036854775808\n", 2},
      {compress_list,
       "\xEF\xBB\xBF"
       "2\n3\n",
       "2\n3\n", 2},  // a byte order mark is skipped at the start,
      {compress_list,
       "2\n\xEF\xBB\xBF"
       "3\n",
       "2\n", 1},  // and ends a list like any word elsewhere
      {decompress_list,
       "\xEF\xBB\xBF"
       "7\n11\n3\n",
       "7\n11\n13\n", 3},
      {decompress_list, kTo113Coded, kTo113, 30},
      {decompress_list, "100 99", "100\n199\n", 2},       // cannot round-trip: decoded as text
      {decompress_list, "0097\n1\n", "0097\n0091\n", 2},  // tokens are copied, not converted
      {decompress_list, "5\n\n", "5\n", 1},               // an empty line restores nothing
      {decompress_list, "", "", 0},
      {decompress_list, "1 " + longest + " 5", "1\n" + longest + "\n" + longest.substr(1) + "5\n", 3},
  };
  for (const auto& c : cases) {
    const Converted done = run(c.convert, c.input);
    EXPECT_TRUE(done.ok) << c.input.substr(0, 40);
    EXPECT_EQ(done.output, with_line_ends(c.output)) << c.input.substr(0, 40);
    EXPECT_EQ(done.count, c.count) << c.input.substr(0, 40);
  }
}

TEST(ConversionRuns, ShowADotForEveryTenThousandNumbers) {
  const struct {
    int numbers;
    std::int64_t dots;
  } cases[] = {{9'999, 0}, {10'000, 1}, {10'001, 1}, {19'999, 1}, {20'000, 2}, {25'000, 2}};
  for (const auto& c : cases) {
    // Five-digit numbers: the fast paths take most of them.
    const std::string list = counting(10'000, c.numbers);
    for (const ListConversion convert : {compress_list, decompress_list}) {
      const Converted done = run(convert, list);
      EXPECT_TRUE(done.ok);
      EXPECT_EQ(done.count, c.numbers);
      EXPECT_EQ(done.dots, c.dots) << c.numbers << " numbers";
    }
  }
}

TEST(ConversionRuns, FailOnWhatTheyCannotConvert) {
  const std::string list = counting(1'000'000, 30'000);  // long enough for the fast paths and several blocks
  const struct {
    ListConversion convert;
    std::string input;
    bool refusing, failing;
    std::string why;
  } cases[] = {
      {compress_list, "1\n9223372036854775808\n", false, false, "beyond 64 bits"},
      {compress_list, "1\n-9223372036854775809\n", false, false, "below 64 bits"},
      {compress_list, "Primes\n2\n3\n", false, false, "no number first: no list"},
      {compress_list,
       std::string("\xFF\xFE"
                   "2\0\n\0",
                   6),
       false, false, "a list saved as UTF-16"},
      {decompress_list, "1 " + std::string(MAX_TOKEN_SIZE + 1, '7') + " 3", false, false, "a token too long to keep"},
      {compress_list, list, true, false, "a sink that refuses"},
      {decompress_list, list, true, false, "a sink that refuses"},
      {compress_list, list, false, true, "a source that fails"},
      {decompress_list, list, false, true, "a source that fails"},
  };
  for (const auto& c : cases) EXPECT_FALSE(run(c.convert, c.input, c.refusing, c.failing).ok) << c.why;
}

}  // namespace
