// What the fuzz targets share: a reader over the fuzz bytes with a block
// size taken from them, so that block boundaries fall anywhere, and the
// conversion loops of the runs, on memory instead of files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "codec/conversion.h"
#include "codec/plain_list.h"

struct Converted {
  std::string output;
  Step last = Step::end;  // end, or failed
  std::size_t items = 0;
};

// Runs a run's two steps (compress_span and compress_item, or
// decompress_span and decompress_item) over `input` read in blocks of
// `block_size` bytes, as the run's loop does.
template <typename State, typename Span, typename Item>
Converted convert_in_memory(const std::string& input, std::size_t block_size, Span span, Item item) {
  std::istringstream source(input);
  std::ostringstream sink;
  TextReader in = make_reader(source, block_size);
  TextWriter out = make_writer(sink);
  State state;
  Converted result;
  for (;;) {
    result.items += static_cast<std::size_t>(span(state, in, out));
    result.last = item(state, in, out);
    if (result.last != Step::item) break;
    ++result.items;
  }
  if (!flush_writer(out)) __builtin_trap();
  result.output = sink.str();
  return result;
}

// A block size from one fuzz byte: 1 to 64 bytes, which puts block
// boundaries everywhere and keeps to the general steps; 64 to 1080 in
// steps of 8, where the fast paths run and hand over at every alignment;
// or 4096.
inline std::size_t block_size_from(std::uint8_t byte) {
  if (byte < 64) return byte + 1u;
  if (byte < 192) return 64u + 8u * (byte - 64u) + byte % 8u;
  return 4096;
}
