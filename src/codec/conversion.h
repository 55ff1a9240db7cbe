// One item of a conversion run at a time, apart from the files: the steps
// that compress_file and decompress_file repeat until the input ends.
#pragma once

#include <string>
#include <string_view>

#include "codec/plain_list.h"
#include "codec/suffix_list.h"
#include "codec/text_stream.h"

enum class Step {
  item,    // one number was converted
  end,     // the input holds no further number
  failed,  // the input holds a number that cannot be converted
};

// What compression keeps from one number to the next.
struct CompressState {
  NumberText held;  // a number whose text had to be rebuilt
  NumberText prev;  // empty at first, so that the first number is written in full
};

// Reads the next number of a plain list and writes its line of the
// suffix-coded list. Fails on a number beyond signed 64 bits.
inline Step compress_item(CompressState& state, TextReader& in, TextWriter& out) {
  std::string_view cur;
  switch (read_number(in, state.held, cur)) {
    case NumberRead::none:
      return Step::end;
    case NumberRead::out_of_range:
      return Step::failed;
    case NumberRead::number:
      break;
  }
  write_suffix_line(out, cur, text_of(state.prev));
  keep_text(state.prev, cur);
  return Step::item;
}

// What decompression keeps from one number to the next.
struct DecompressState {
  std::string current;  // empty at first, so that the first token is taken whole
};

// Reads the next token of a suffix-coded list and writes the number it
// stands for on a line of its own.
inline Step decompress_item(DecompressState& state, TextReader& in, TextWriter& out) {
  std::string_view token;
  if (!read_token(in, token)) return Step::end;
  apply_suffix(state.current, token);
  write_line(out, state.current);
  return Step::item;
}
