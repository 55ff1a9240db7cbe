// The suffix-coded number list and the two conversion runs through it.
//
// The file is a text file of lines. Line 1 holds the first number's text in
// full. Each later number whose text has the same length as its
// predecessor's is written from the first character at which the two texts
// differ to its end; any other number is written in full. Nothing marks a
// whole text apart from a suffix: a reader tells them apart by length alone,
// and takes the file as tokens separated by any white space.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "codec/text_stream.h"

// Room for a number text: 20 characters, enough for the longest 64-bit
// value "-9223372036854775808". Its length is kept beside it, so no
// terminating zero byte is needed.
inline constexpr std::size_t TEXT_FIELD_SIZE = 20;

// A progress dot is shown after every this many numbers.
inline constexpr std::int64_t PROGRESS_INTERVAL = 10000;

// How many characters can be read from the start of a padded text: its own
// (at most TEXT_FIELD_SIZE) and padding behind them, so that texts can be
// compared and copied in whole words without looking at their lengths.
inline constexpr std::size_t PADDED_TEXT_SIZE = TEXT_FIELD_SIZE + SHORT_LINE;

// A number's canonical decimal text: a minus sign for negative values, then
// the digits without leading zeros; zero is "0". Padded (see above).
struct NumberText {
  char chars[PADDED_TEXT_SIZE] = {};
  std::size_t size = 0;  // 0 only before a first number is held
};

inline std::string_view text_of(const NumberText& text) { return {text.chars, text.size}; }

// The canonical text of `value`.
NumberText number_text(std::int64_t value);

// The index of the first non-zero byte among the first seven of `marks` (in
// memory order), or 7 when all seven are zero. Forcing the top bit keeps
// the count of trailing zeros clear of the zero case and so free of branches.
inline std::size_t first_marked_byte(std::uint64_t marks) {
  return static_cast<std::size_t>(std::countr_zero(marks | (1ULL << 63))) / 8;
}

// Chains first_marked_byte over windows of seven characters: the first
// window's result, plus the next one's only when the first found nothing.
inline std::size_t chain_windows(std::size_t first, std::size_t next) {
  return first + ((first + 1) >> 3) * next;
}

// The first character among the seven from `start` at which two padded
// texts differ, counted from `start`, or 7 when those seven are equal.
inline std::size_t window_difference(std::string_view a, std::string_view b, std::size_t start) {
  std::uint64_t wa = 0;
  std::uint64_t wb = 0;
  std::memcpy(&wa, a.data() + start, 8);
  std::memcpy(&wb, b.data() + start, 8);
  return first_marked_byte(wa ^ wb);
}

// The length of the longest common prefix of two padded texts of equal
// length. Compares words without branches: neighbouring numbers share most
// of their text, and where they first differ is anybody's guess. The third
// window, read only for texts longer than 14, is the one exception.
inline std::size_t common_prefix_length(std::string_view a, std::string_view b) {
  if constexpr (std::endian::native == std::endian::little) {
    std::size_t k = chain_windows(window_difference(a, b, 0), window_difference(a, b, 7));
    if (k == 14 && a.size() > 14) k += window_difference(a, b, 14);
    return k < a.size() ? k : a.size();
  }
  std::size_t k = 0;
  while (k < a.size() && a[k] == b[k]) ++k;
  return k;
}

// Copies the padded text `text` into `to`. Copying a fixed 24 characters
// (a 16-byte and an 8-byte move) lets the processor serve the words that
// common_prefix_length reads straight from these writes.
inline void keep_text(NumberText& to, std::string_view text) {
  std::memcpy(to.chars, text.data(), 24);
  to.size = text.size();
}

// Writes the line that codes the number with text `cur` after the number
// with text `prev` (padded texts): the whole of `cur` when the lengths
// differ (so also after an empty `prev`), else `cur` from the first
// character at which the two differ. Equal texts give an empty line.
inline void write_suffix_line(TextWriter& out, std::string_view cur, std::string_view prev) {
  const std::size_t k = cur.size() == prev.size() ? common_prefix_length(cur, prev) : 0;
  write_short_line(out, cur.data() + k, cur.size() - k);
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
    copy_bytes(current.data() + (current.size() - token.size()), token.data(), token.size());
  }
}

// The general case of read_token: any run of white space, any token
// length, any block boundary.
bool read_any_token(TextReader& in, std::string_view& token);

// Skips white space and gives the next token, a maximal run of other
// characters, of any length. The view holds until the next read. False at
// end of input.
inline bool read_token(TextReader& in, std::string_view& token) {
  // The usual token: after one line end, short, and well inside the block.
  if (in.end - in.next >= 40) {
    const char* at = in.next + (is_white_space(*in.next) ? 1 : 0);
    std::size_t size = 0;
    while (size < 14 && !is_white_space(at[size])) ++size;
    if (size - 1 < 13) {
      token = {at, size};
      in.next = at + size;
      return true;
    }
  }
  return read_any_token(in, token);
}

// Runs one conversion between the named files, printing the announcement,
// a dot every PROGRESS_INTERVAL numbers and the summary. False, with no
// message of its own, when a file cannot be opened, both names stand for the
// same file, a number lies beyond 64 bits (compression), or reading or
// writing fails; an incomplete output that is a regular file is removed then.
bool compress_file(const std::string& input_name, const std::string& output_name);
bool decompress_file(const std::string& input_name, const std::string& output_name);
