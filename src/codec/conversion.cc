// The two conversion runs on a source and a sink. They share one loop:
// code every item of the input, a span at a time where the fast paths
// take it, showing progress. Only the coding of the items differs.
#include "codec/conversion.h"

namespace {

// code_span and code_item are the run's two steps (see conversion.h),
// given as template arguments so that they are compiled into the loop.
template <typename State, auto code_span, auto code_item>
bool convert(const Kernel& kernel, BlockReader& in, BlockWriter& out, ShowDots dots, std::int64_t& count) {
  State state;
  state.kernel = &kernel;
  count = 0;
  Step step = Step::item;
  while (step == Step::item && !out.failed) {
    const std::int64_t before = count;
    count += code_span(state, in, out);
    step = code_item(state, in, out);
    if (step == Step::item) ++count;
    if (const std::int64_t passed = count / PROGRESS_INTERVAL - before / PROGRESS_INTERVAL; passed > 0) dots(passed);
  }
  return flush_writer(out) && step == Step::end && !in.failed;
}

}  // namespace

bool compress_list(const Kernel& kernel, BlockReader& in, BlockWriter& out, ShowDots dots, std::int64_t& count) {
  return convert<CompressState, compress_span, compress_item>(kernel, in, out, dots, count);
}

bool decompress_list(const Kernel& kernel, BlockReader& in, BlockWriter& out, ShowDots dots, std::int64_t& count) {
  return convert<DecompressState, decompress_span, decompress_item>(kernel, in, out, dots, count);
}
