// The suffix-coded number list and the two conversion runs through it.
//
// The file is a text file of lines. Line 1 holds the first number's text in
// full. Each later number whose text has the same length as its
// predecessor's is written from the first character at which the two texts
// differ to its end; any other number is written in full. Nothing marks a
// whole text apart from a suffix: a reader tells them apart by length alone,
// and takes the file as tokens separated by any white space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "codec/text_stream.h"

// Room for a number text: 20 characters, enough for the longest 64-bit
// value "-9223372036854775808". Its length is kept beside it, so no
// terminating zero byte is needed.
inline constexpr std::size_t TEXT_FIELD_SIZE = 20;

// A progress dot is shown after every this many numbers.
inline constexpr std::int64_t PROGRESS_INTERVAL = 10000;

// A number's canonical decimal text: a minus sign for negative values, then
// the digits without leading zeros; zero is "0".
struct NumberText {
  char chars[TEXT_FIELD_SIZE] = {};
  std::size_t size = 0;  // 0 only before a first number is held
};

inline std::string_view text_of(const NumberText& text) { return {text.chars, text.size}; }

// The canonical text of `value`.
NumberText number_text(std::int64_t value);

// Writes the line that codes the number with text `cur` after the number
// with text `prev`: the whole of `cur` when the lengths differ (so also
// after an empty `prev`), else `cur` from the first character at which the
// two differ. Equal texts give an empty line.
void write_suffix_line(TextWriter& out, std::string_view cur, std::string_view prev);

// The same rule for the numbers `cur` and `prev`.
void write_suffix_line(TextWriter& out, std::int64_t cur, std::int64_t prev);

// Decodes `token` against the text decoded last: a token at least as long
// as `current` replaces it, a shorter one replaces its tail. Pure text: any
// characters and any lengths pass through unchanged.
void apply_suffix(std::string& current, std::string_view token);

// Skips white space and gives the next token, a maximal run of other
// characters, of any length. The view holds until the next read. False at
// end of input.
bool read_token(TextReader& in, std::string_view& token);

// Runs one conversion between the named files, printing the announcement,
// a dot every PROGRESS_INTERVAL numbers and the summary. False, with no
// message of its own, when a file cannot be opened, both names stand for the
// same file, a number lies beyond 64 bits (compression), or reading or
// writing fails; an incomplete output that is a regular file is removed then.
bool compress_file(const std::string& input_name, const std::string& output_name);
bool decompress_file(const std::string& input_name, const std::string& output_name);
