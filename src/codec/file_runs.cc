// compress_file and decompress_file: the runs joined to the files, the
// console and the signals. One skeleton: have the memory, open the output,
// announce, convert, close both files, commit and sum up.
#include "codec/conversion.h"
#include "codec/suffix_list.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/interruption.h"

namespace {

std::ptrdiff_t read_input(void* input, char* to, std::size_t size) {
  // On Windows an interruption cancels a blocking read, and ends a number
  // or token that never ends, such as the digits of an endless device.
  if (interrupted()) return -1;
  return read_input_file(*static_cast<InputFile*>(input), to, size);
}

bool write_output(void* output, const char* from, std::size_t size) {
  return !interrupted() && write_output_file(*static_cast<OutputFile*>(output), from, size);
}

void show_dots(std::int64_t dots) {
  for (; dots > 0; --dots) show(".");
}

bool convert(ListConversion convert_list, std::string_view verb, InputFile& input, const char* input_name,
             const char* output_name) {
  // All the memory first: no run fails for the want of it once its output
  // exists or it was announced.
  OutputFile output;
  BlockReader in;
  BlockWriter out;
  if (!make_reader(in, {&input, read_input}) || !make_writer(out, {&output, write_output})) {
    close_input_file(input);
    return false;
  }
  watch_interruptions();  // from before the output exists until it is committed or discarded
  if (!open_output_file(output_name, input, output)) {
    close_input_file(input);
    stop_watching_interruptions();
    return false;
  }

  show(verb);
  show(" soubor ");
  show(input_name);
  show(" do souboru ");
  show(output_name);
  show("\n");

  std::int64_t count = 0;
  bool ok = convert_list(active_kernel(), in, out, show_dots, count) && !interrupted();
  close_input_file(input);
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

bool compress_file(InputFile& input, const char* input_name, const char* output_name) {
  return convert(compress_list, "Komprimuji", input, input_name, output_name);
}

bool decompress_file(InputFile& input, const char* input_name, const char* output_name) {
  return convert(decompress_list, "Dekomprimuji", input, input_name, output_name);
}
