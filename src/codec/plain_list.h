// Reading a plain number list: decimal integers separated by white space.
#pragma once

#include "codec/block_stream.h"
#include "codec/suffix_list.h"

enum class NumberRead {
  number,        // a number was read and its canonical text given
  end,           // nothing but white space was left
  none,          // no digit where one must stand
  out_of_range,  // the digits stand for a value beyond signed 64 bits
};

// Skips white space, then reads an optional sign and one or more digits,
// stopping before the first other character, which is left for the next
// read. Gives the number's canonical text ("+7" and "007" both give "7") as
// a padded text in `text`.
NumberRead read_number(BlockReader& in, NumberText& text);
