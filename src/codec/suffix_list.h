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
#include <cstring>
#include <string_view>

#include "codec/block_stream.h"

// Room for a number text: 20 characters, enough for the longest 64-bit
// value "-9223372036854775808". Its length is kept beside it, so no
// terminating zero byte is needed.
inline constexpr std::size_t TEXT_FIELD_SIZE = 20;

// The longest token that decoding restores: far longer than any number
// text, and short enough that reading one keeps little. A longer token
// fails the run, so that no input can make the reader hold without bound.
inline constexpr std::size_t MAX_TOKEN_SIZE = SPILL_SIZE;

// A progress dot is shown after every this many numbers.
inline constexpr std::int64_t PROGRESS_INTERVAL = 10000;

// How many characters can be read from the start of a padded text: its own
// (at most TEXT_FIELD_SIZE) and TEXT_PADDING behind them, so that texts are
// compared and moved as whole vectors without looking at their lengths.
inline constexpr std::size_t TEXT_PADDING = 32;
inline constexpr std::size_t PADDED_TEXT_SIZE = TEXT_FIELD_SIZE + TEXT_PADDING;

// A number's canonical decimal text: a minus sign for negative values, then
// the digits without leading zeros; zero is "0". Padded (see above).
struct NumberText {
  char chars[PADDED_TEXT_SIZE] = {};
  std::size_t size = 0;  // 0 only before a first number is held
};

inline std::string_view text_of(const NumberText& text) { return {text.chars, text.size}; }

// The canonical text of `value`.
NumberText number_text(std::int64_t value);

// Keeps a copy of the padded text `text` (TEXT_PADDING bytes readable from
// its start), which may be `to`'s own.
inline void keep_text(NumberText& to, std::string_view text) {
  std::memmove(to.chars, text.data(), TEXT_PADDING);
  to.size = text.size();
}

// Writes the line that codes the number `cur` after the number `prev`:
// the whole text of `cur` when the texts' lengths differ, else `cur` from
// the first character at which they differ; then LINE_END. Equal numbers
// give an empty line.
void write_suffix_line(BlockWriter& out, std::int64_t cur, std::int64_t prev);

// The text decoded last, of up to MAX_TOKEN_SIZE characters. Padded (see
// above).
struct DecodedText {
  char chars[MAX_TOKEN_SIZE + TEXT_PADDING] = {};
  std::size_t size = 0;  // 0 only before a first token is taken
};

inline std::string_view text_of(const DecodedText& text) { return {text.chars, text.size}; }

// Decodes `token` against the text decoded last: a token at least as long
// as `current` replaces it, a shorter one replaces its tail. Pure text: any
// characters pass through unchanged. False, with `current` unchanged, for
// a token longer than MAX_TOKEN_SIZE.
inline bool apply_suffix(DecodedText& current, std::string_view token) {
  if (token.size() > MAX_TOKEN_SIZE) return false;
  if (token.size() >= current.size) current.size = token.size();
  std::memcpy(current.chars + current.size - token.size(), token.data(), token.size());
  return true;
}

enum class TokenRead {
  token,     // a token was read
  none,      // end of input
  too_long,  // the next token is longer than MAX_TOKEN_SIZE
};

// Skips white space and gives the next token, a maximal run of other
// characters. The view holds until the next read.
TokenRead read_token(BlockReader& in, std::string_view& token);

// An input that the dialogue opened when it accepted its name, and that the
// run reads through the same handle (platform/files.h).
struct InputFile;

// Runs one conversion from `input`, which the user named `input_name`, to
// the file named `output_name` (both names ending in a zero byte), printing the announcement, a dot every
// PROGRESS_INTERVAL numbers and the summary; closes the input. False, with
// no message of its own, when the memory of the run cannot be had, the
// output cannot be opened safely (both names stand for the same file,
// say), a number lies beyond 64 bits (compression), a token is longer than
// MAX_TOKEN_SIZE (decompression), or reading or writing fails; the output's
// name then keeps the file it had, if any (see platform/files.h).
bool compress_file(InputFile& input, const char* input_name, const char* output_name);
bool decompress_file(InputFile& input, const char* input_name, const char* output_name);
