// The two conversion runs. They share one skeleton: open both files,
// announce, code every item of the input, show progress, close both files
// and sum up. Only the coding of the items differs.
#include "codec/conversion.h"

#include <filesystem>
#include <fstream>

#include "codec/suffix_list.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/interruption.h"

namespace {

// True when both names stand for one existing file, however spelled (another
// path, a hard or a symbolic link): the run would replace its own input.
bool same_file(const std::string& input_name, const std::string& output_name) {
  std::error_code unknown;  // a missing output cannot be the input
  return std::filesystem::equivalent(file_path(input_name), file_path(output_name), unknown);
}

// code_span and code_item are the run's two steps (see conversion.h),
// given as template arguments so that they are compiled into the loop.
template <typename State, auto code_span, auto code_item>
bool convert(std::string_view verb, const std::string& input_name, const std::string& output_name) {
  std::ifstream input_file;
  if (!open_input_file(input_name, input_file)) return false;
  if (same_file(input_name, output_name)) return false;
  watch_interruptions();  // from before the output exists until it is committed or discarded
  OutputFile output;
  if (!open_output_file(output_name, output)) {
    stop_watching_interruptions();
    return false;
  }

  show(verb);
  show(" soubor ");
  show(input_name);
  show(" do souboru ");
  show(output_name);
  show("\n");

  BlockReader in = make_reader(input_file);
  BlockWriter out = make_writer(output.stream);
  State state;
  std::int64_t count = 0;
  Step step = Step::item;
  while (step == Step::item && !out.failed && !interrupted()) {
    const std::int64_t before = count;
    count += code_span(state, in, out);
    step = code_item(state, in, out);
    if (step == Step::item) ++count;
    for (std::int64_t dots = count / PROGRESS_INTERVAL - before / PROGRESS_INTERVAL; dots > 0; --dots) show(".");
  }
  bool ok = step == Step::end && !in.failed && flush_writer(out) && !interrupted();
  input_file.close();
  ok = ok && commit_output_file(output);
  if (!ok) {
    discard_output_file(output);  // whatever stood under the output's name stays
    show("\n");                   // ends the row of dots, so that an error stands on a line of its own
  }
  stop_watching_interruptions();  // ends the process here when it was interrupted
  if (!ok) return false;
  show("\nDokonceno. Celkem: ");
  show_count(count);
  show(" prvocisel.\n");
  return true;
}

}  // namespace

bool compress_file(const std::string& input_name, const std::string& output_name) {
  return convert<CompressState, compress_span, compress_item>("Komprimuji", input_name, output_name);
}

bool decompress_file(const std::string& input_name, const std::string& output_name) {
  return convert<DecompressState, decompress_span, decompress_item>("Dekomprimuji", input_name, output_name);
}
