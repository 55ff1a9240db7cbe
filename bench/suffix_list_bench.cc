// Speed of the per-number work, apart from file I/O: reading numbers and
// tokens, and the coding and decoding rules.
#include <benchmark/benchmark.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "codec/conversion.h"
#include "codec/plain_list.h"
#include "codec/suffix_list.h"

namespace {

constexpr std::int64_t kCount = 1 << 20;

// The first kCount primes above 10^9 - 10^8 / 2: nine digits, like the
// bulk of the list below 10^9.
const std::vector<std::int64_t>& primes() {
  static const std::vector<std::int64_t> list = [] {
    std::vector<std::int64_t> found;
    for (std::int64_t n = 950'000'001; static_cast<std::int64_t>(found.size()) < kCount; n += 2) {
      bool prime = true;
      for (std::int64_t d = 3; d * d <= n && prime; d += 2) prime = n % d != 0;
      if (prime) found.push_back(n);
    }
    return found;
  }();
  return list;
}

std::string plain_list() {
  std::string text;
  for (std::int64_t p : primes()) text += std::to_string(p) + "\n";
  return text;
}

// Drops everything written to it.
struct NullBuffer : std::streambuf {
  int_type overflow(int_type c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

std::string coded_list() {
  std::ostringstream sink;
  TextWriter out = make_writer(sink);
  NumberText prev;
  for (std::int64_t p : primes()) {
    const NumberText cur = number_text(p);
    write_suffix_line(out, text_of(cur), text_of(prev));
    prev = cur;
  }
  flush_writer(out);
  return sink.str();
}

void BM_ReadNumber(benchmark::State& state) {
  const std::string text = plain_list();
  for (auto _ : state) {
    std::istringstream source(text);
    TextReader in = make_reader(source);
    NumberText held;
    std::string_view number;
    while (read_number(in, held, number) == NumberRead::number) benchmark::DoNotOptimize(number);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_WriteSuffixLine(benchmark::State& state) {
  std::vector<NumberText> texts;
  for (std::int64_t p : primes()) texts.push_back(number_text(p));
  NullBuffer null;
  std::ostream sink(&null);
  TextWriter out = make_writer(sink);
  for (auto _ : state) {
    const NumberText* prev = &texts.back();
    for (const NumberText& cur : texts) {
      write_suffix_line(out, text_of(cur), text_of(*prev));
      prev = &cur;
    }
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_ReadToken(benchmark::State& state) {
  const std::string text = coded_list();
  for (auto _ : state) {
    std::istringstream source(text);
    TextReader in = make_reader(source);
    std::string_view token;
    while (read_token(in, token)) benchmark::DoNotOptimize(token);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_ApplySuffix(benchmark::State& state) {
  std::vector<std::string> tokens;
  {
    std::istringstream source(coded_list());
    TextReader in = make_reader(source);
    std::string_view token;
    while (read_token(in, token)) tokens.emplace_back(token);
  }
  std::string current;
  for (auto _ : state) {
    for (const std::string& token : tokens) apply_suffix(current, token);
    benchmark::DoNotOptimize(current);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

// The whole per-number step of each run, as the runs take it.
template <typename State, typename StepFunction>
void run_items(benchmark::State& state, const std::string& text, StepFunction step) {
  NullBuffer null;
  std::ostream sink(&null);
  for (auto _ : state) {
    std::istringstream source(text);
    TextReader in = make_reader(source);
    TextWriter out = make_writer(sink);
    State items;
    while (step(items, in, out) == Step::item) {
    }
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_CompressItem(benchmark::State& state) { run_items<CompressState>(state, plain_list(), compress_item); }
void BM_DecompressItem(benchmark::State& state) {
  run_items<DecompressState>(state, coded_list(), decompress_item);
}

BENCHMARK(BM_ReadNumber)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSuffixLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadToken)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplySuffix)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressItem)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecompressItem)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
