// What the fuzz targets share: a run's steps over memory instead of files,
// read in blocks of a size taken from a fuzz byte, so that block boundaries
// fall anywhere; and the trap that reports a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "codec/conversion.h"
#include "codec/plain_list.h"

inline void require(bool holds) {
  if (!holds) __builtin_trap();
}

struct Converted {
  std::string output;
  Step last = Step::end;  // end, or failed
  std::size_t items = 0;
};

// Runs a run's two steps (compress_span and compress_item, or
// decompress_span and decompress_item) over `input` as the run's loop does.
// Blocks of 1 to 64 bytes put boundaries everywhere and keep to the general
// steps; 64 to 1080 bytes let the fast paths run and hand over at every
// alignment; the rest of the byte values give 4096.
template <typename State, typename Span, typename Item>
Converted convert_in_memory(const std::string& input, std::uint8_t block, Span span, Item item) {
  std::istringstream source(input);
  std::ostringstream sink;
  TextReader in = make_reader(source, block < 64 ? block + 1u : block < 192 ? 8u * block - 440u + block % 8u : 4096u);
  TextWriter out = make_writer(sink);
  State state;
  Converted result;
  for (;;) {
    result.items += static_cast<std::size_t>(span(state, in, out));
    if ((result.last = item(state, in, out)) != Step::item) break;
    ++result.items;
  }
  require(flush_writer(out));
  result.output = sink.str();
  return result;
}
