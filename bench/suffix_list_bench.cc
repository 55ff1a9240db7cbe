// Speed of the per-number work, apart from file I/O: each run's steps,
// with the fast paths of every kernel that this processor runs and with
// the general steps alone. Says which kernel the tool would choose here.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "codec/conversion.h"
#include "codec/kernels/kernel.h"
#include "codec/kernels/register_text.h"
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

// The list with each line ended by `line_end`: "\n", or "\r\n" as a list
// made on Windows.
std::string plain_list(std::string_view line_end = "\n") {
  std::string text;
  for (std::int64_t p : primes()) (text += std::to_string(p)) += line_end;
  return text;
}

// Drops everything written to it.
const Sink kNullSink{nullptr, [](void*, const char*, std::size_t) { return true; }};

std::string coded_list() {
  std::string coded;
  BlockWriter out;
  make_writer(out, {&coded, [](void* context, const char* from, std::size_t size) {
                      static_cast<std::string*>(context)->append(from, size);
                      return true;
                    }});
  NumberText prev;
  for (std::int64_t p : primes()) {
    const NumberText cur = number_text(p);
    write_suffix_line_reading_past(out, text_of(cur), text_of(prev));
    prev = cur;
  }
  flush_writer(out);
  return coded;
}

// A run's steps over `text`, as the run takes them with `kernel`: `span`
// (or nothing) for as many items as it takes, then `item` for one.
template <typename State, typename Span, typename Item>
void run_steps(benchmark::State& state, const std::string& text, const Kernel& kernel, Span span, Item item) {
  for (auto _ : state) {
    MemorySource source{text};
    BlockReader in;
    BlockWriter out;
    make_reader(in, source_of(source));
    make_writer(out, kNullSink);
    State items;
    items.kernel = &kernel;
    do {
      span(items, in, out);
    } while (item(items, in, out) == Step::item);
    flush_writer(out);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

template <typename State>
std::int64_t no_span(State&, BlockReader&, BlockWriter&) {
  return 0;
}

// The fast paths of `kernel`, as the runs take them, and the general steps
// alone.
void BM_Compress(benchmark::State& state, const Kernel* kernel) {
  run_steps<CompressState>(state, plain_list(), *kernel, compress_span, compress_item);
}
void BM_CompressCrLf(benchmark::State& state, const Kernel* kernel) {
  run_steps<CompressState>(state, plain_list("\r\n"), *kernel, compress_span, compress_item);
}
void BM_Decompress(benchmark::State& state, const Kernel* kernel) {
  run_steps<DecompressState>(state, coded_list(), *kernel, decompress_span, decompress_item);
}
void BM_CompressGeneral(benchmark::State& state) {
  run_steps<CompressState>(state, plain_list(), active_kernel(), no_span<CompressState>, compress_item);
}
void BM_DecompressGeneral(benchmark::State& state) {
  run_steps<DecompressState>(state, coded_list(), active_kernel(), no_span<DecompressState>, decompress_item);
}

BENCHMARK(BM_CompressGeneral)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecompressGeneral)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (const Kernel* kernel : kernels_here()) {
    benchmark::RegisterBenchmark((std::string("BM_Compress/") + kernel->name).c_str(), BM_Compress, kernel)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("BM_CompressCrLf/") + kernel->name).c_str(), BM_CompressCrLf, kernel)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("BM_Decompress/") + kernel->name).c_str(), BM_Decompress, kernel)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::AddCustomContext("kernel chosen", active_kernel().name);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
