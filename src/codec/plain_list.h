// Reading a plain number list: decimal integers separated by white space.
#pragma once

#include "codec/suffix_list.h"
#include "codec/text_stream.h"

enum class NumberRead {
  number,        // a number was read and its canonical text given
  end,           // nothing but white space was left
  none,          // no digit where one must stand
  out_of_range,  // the digits stand for a value beyond signed 64 bits
};

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Skips white space, then reads an optional sign and one or more digits,
// stopping before the first other character, which is left for the next
// read. Gives the number's canonical text ("+7" and "007" both give "7") as
// a padded text in `held`.
NumberRead read_number(TextReader& in, NumberText& held);
