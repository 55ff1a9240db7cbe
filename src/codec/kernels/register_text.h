// The per-number rules of the format on texts held in vectors: the coded
// line found by one compare and written by one store, and a token laid
// over the decoded text without a branch. Texts are padded: a whole vector
// can be read from their start (NumberText in suffix_list.h).
#pragma once

#include <cstddef>
#include <string_view>

#include "codec/block_stream.h"
#include "codec/kernels/vectors.h"

// Where the line that codes `cur` after `prev` starts within `cur` (both
// padded texts, at most 16 * LANES long): 0 when their lengths differ (so
// also after an empty `prev`), else the first character at which they
// differ, which is the length itself for equal texts.
template <std::size_t LANES = 2>
inline std::size_t suffix_start(std::string_view cur, std::string_view prev) {
  const std::size_t k =
      vectors::first_difference(vectors::load_lanes<LANES>(cur.data()), vectors::load_lanes<LANES>(prev.data()));
  const std::size_t within = k < cur.size() ? k : cur.size();
  return cur.size() == prev.size() ? within : 0;
}

// Puts the line that codes `cur` after `prev` (padded texts, at most
// 16 * LANES long) at `at`, with a whole vector of room: `cur` from
// suffix_start on, then LINE_END. Equal texts give an empty line. Gives
// the end of the line.
template <std::size_t LANES = 2>
inline char* put_suffix_line(char* at, std::string_view cur, std::string_view prev) {
  const std::size_t k = suffix_start<LANES>(cur, prev);
  vectors::store_lanes(at, vectors::load_lanes<LANES>(cur.data() + k));
  return put_line_end(at + (cur.size() - k));
}

// write_suffix_line for the padded texts `cur` and `prev` (at most
// VECTOR_TEXT long), reading a whole vector from each.
inline void write_suffix_line_reading_past(BlockWriter& out, std::string_view cur, std::string_view prev) {
  drain_writer(out);
  out.used = static_cast<std::size_t>(put_suffix_line(out.block + out.used, cur, prev) - out.block);
}

// A text being decoded, held in registers of 16 * LANES bytes: its first
// `size` bytes.
template <std::size_t LANES>
struct RegisterText {
  vectors::Lanes<LANES> chars;
  std::size_t size = 0;
};

// apply_suffix for a text in registers and a token that fits it, at `token`, with
// the registers' width readable from as far before it as the text is long.
// Without branches: the token is loaded so that it ends where the text
// ends, and laid over all but the text's head.
template <std::size_t LANES>
inline void apply_suffix_reading_around(RegisterText<LANES>& current, const char* token, std::size_t size) {
  const auto longer = static_cast<std::ptrdiff_t>(current.size - size);
  const auto head = static_cast<std::size_t>(longer > 0 ? longer : 0);
  current.chars = vectors::keep_head(current.chars, vectors::load_lanes<LANES>(token - head), head);
  current.size = size + head;
}
