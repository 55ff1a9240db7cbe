// Reading a plain number list: decimal integers separated by white space.
#pragma once

#include <cstddef>
#include <string_view>

#include "codec/suffix_list.h"
#include "codec/text_stream.h"

enum class NumberRead {
  number,        // a number was read and its canonical text given
  none,          // end of input, or no digit where one must stand
  out_of_range,  // the digits stand for a value beyond signed 64 bits
};

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The general case of read_number: any run of white space, any sign,
// leading zeros, length or block boundary.
NumberRead read_any_number(TextReader& in, NumberText& held, std::string_view& text);

// Skips white space, then reads an optional sign and one or more digits,
// stopping before the first other character, which is left for the next
// read. Gives the number's canonical text ("+7" and "007" both give "7") as
// a padded text: a view of the block it stands in, or of `held` when it had
// to be rebuilt. The view holds until the next read.
inline NumberRead read_number(TextReader& in, NumberText& held, std::string_view& text) {
  // The usual number: after one line end, unsigned, already canonical,
  // short enough to be in range, and well inside the block, with room for
  // the padding behind it.
  if (in.end - in.next > static_cast<std::ptrdiff_t>(PADDED_TEXT_SIZE + 1)) {
    const char* at = in.next + (is_white_space(*in.next) ? 1 : 0);
    // A plain loop: the length of neighbouring numbers is predictable, so
    // the next number's start is known before its digits are looked at.
    std::size_t run = 0;
    while (run < 14 && is_digit(at[run])) ++run;
    if (run - 1 < 13 && (run == 1 || at[0] != '0')) {
      text = {at, run};
      in.next = at + run;
      return NumberRead::number;
    }
  }
  return read_any_number(in, held, text);
}
