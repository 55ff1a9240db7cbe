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
#include <string>
#include <string_view>

#include "codec/byte_vectors.h"
#include "codec/text_stream.h"

// Room for a number text: 20 characters, enough for the longest 64-bit
// value "-9223372036854775808". Its length is kept beside it, so no
// terminating zero byte is needed.
inline constexpr std::size_t TEXT_FIELD_SIZE = 20;

// The longest token that decoding restores: far longer than any number
// text, and short enough that reading one keeps little. A longer token
// fails the run, so that no input can make the reader hold without bound.
inline constexpr std::size_t MAX_TOKEN_SIZE = 4096;

// A progress dot is shown after every this many numbers.
inline constexpr std::int64_t PROGRESS_INTERVAL = 10000;

// How many characters can be read from the start of a padded text: its own
// (at most TEXT_FIELD_SIZE) and a whole vector behind them, so that texts
// are compared and moved as vectors without looking at their lengths.
inline constexpr std::size_t PADDED_TEXT_SIZE = TEXT_FIELD_SIZE + VECTOR_TEXT;

// A number's canonical decimal text: a minus sign for negative values, then
// the digits without leading zeros; zero is "0". Padded (see above).
struct NumberText {
  char chars[PADDED_TEXT_SIZE] = {};
  std::size_t size = 0;  // 0 only before a first number is held
};

inline std::string_view text_of(const NumberText& text) { return {text.chars, text.size}; }

// The canonical text of `value`.
NumberText number_text(std::int64_t value);

// Keeps a copy of the padded text `text`, which may be `to`'s own.
inline void keep_text(NumberText& to, std::string_view text) {
  std::memmove(to.chars, text.data(), VECTOR_TEXT);
  to.size = text.size();
}

// Where the line that codes `cur` after `prev` starts within `cur` (both
// padded texts, at most 16 * LANES long): 0 when their lengths differ (so
// also after an empty `prev`), else the first character at which they
// differ, which is the length itself for equal texts.
template <std::size_t LANES = 2>
inline std::size_t suffix_start(std::string_view cur, std::string_view prev) {
  const std::size_t k =
      vectors::first_difference(vectors::load_text<LANES>(cur.data()), vectors::load_text<LANES>(prev.data()));
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
  vectors::store_text(at, vectors::load_text<LANES>(cur.data() + k));
  return put_line_end(at + (cur.size() - k));
}

inline void write_suffix_line(TextWriter& out, std::string_view cur, std::string_view prev) {
  drain_writer(out);
  out.used = static_cast<std::size_t>(put_suffix_line(out.block + out.used, cur, prev) - out.block);
}

// The same rule for the numbers `cur` and `prev`.
void write_suffix_line(TextWriter& out, std::int64_t cur, std::int64_t prev);

// Decodes `token` against the text decoded last: a token at least as long
// as `current` replaces it, a shorter one replaces its tail. Pure text: any
// characters and any lengths pass through unchanged.
inline void apply_suffix(std::string& current, std::string_view token) {
  if (token.size() >= current.size()) {
    current.assign(token);
  } else {
    current.replace(current.size() - token.size(), token.size(), token);
  }
}

// A text being decoded, held in registers of 16 * LANES bytes: its first
// `size` bytes.
template <std::size_t LANES>
struct HeldText {
  vectors::Text<LANES> chars;
  std::size_t size = 0;
};

// apply_suffix for a held text and a token that fits it, at `token`, with
// the registers' width readable from as far before it as the text is long.
// Without branches: the token is loaded so that it ends where the held text
// ends, and laid over all but the text's head.
template <std::size_t LANES>
inline void apply_suffix(HeldText<LANES>& current, const char* token, std::size_t size) {
  const auto longer = static_cast<std::ptrdiff_t>(current.size - size);
  const auto head = static_cast<std::size_t>(longer > 0 ? longer : 0);
  current.chars = vectors::keep_head(current.chars, vectors::load_text<LANES>(token - head), head);
  current.size = size + head;
}

enum class TokenRead {
  token,     // a token was read
  none,      // end of input
  too_long,  // the next token is longer than MAX_TOKEN_SIZE
};

// Skips white space and gives the next token, a maximal run of other
// characters. The view holds until the next read.
TokenRead read_token(TextReader& in, std::string_view& token);

// Runs one conversion between the named files, printing the announcement,
// a dot every PROGRESS_INTERVAL numbers and the summary. False, with no
// message of its own, when a file cannot be opened, both names stand for the
// same file, a number lies beyond 64 bits (compression), a token is longer
// than MAX_TOKEN_SIZE (decompression), or reading or writing fails; the
// output's name then keeps the file it had, if any (see platform/files.h).
bool compress_file(const std::string& input_name, const std::string& output_name);
bool decompress_file(const std::string& input_name, const std::string& output_name);
