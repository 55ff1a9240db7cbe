// What the fuzz targets share: a reader over the fuzz bytes with a block
// size taken from them, so that block boundaries fall anywhere, and the
// conversion loops of the runs, on memory instead of files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "codec/conversion.h"

struct Converted {
  std::string output;
  Step last = Step::end;  // end, or failed
  std::size_t items = 0;
};

// Runs `step` (compress_item or decompress_item with its state) over
// `input` read in blocks of `block_size` bytes.
template <typename State, typename StepFunction>
Converted convert_in_memory(const std::string& input, std::size_t block_size, StepFunction step) {
  std::istringstream source(input);
  std::ostringstream sink;
  TextReader in = make_reader(source, block_size);
  TextWriter out = make_writer(sink);
  State state;
  Converted result;
  while ((result.last = step(state, in, out)) == Step::item) ++result.items;
  if (!flush_writer(out)) __builtin_trap();
  result.output = sink.str();
  return result;
}

// A block size of 1 to 128 bytes, or 4096, from one fuzz byte: small
// blocks put block boundaries everywhere in a short input.
inline std::size_t block_size_from(std::uint8_t byte) {
  return byte < 128 ? byte + 1u : 4096;
}
