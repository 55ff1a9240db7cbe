// The classes of bytes that both lists are read by, each defined once, as
// data: the scalar tests below and every vector classifier of the fast
// paths derive from these ranges, and the fuzz program checks each
// classifier against them.
#pragma once

#include <array>
#include <cstddef>

// The codes from `low` to `high`, both included.
struct ByteRange {
  unsigned char low;
  unsigned char high;
};

// A class of bytes: the codes in any of its ranges.
template <std::size_t N>
using ByteClass = std::array<ByteRange, N>;

// Blank, tab, line feed, vertical tab, form feed and carriage return. A
// carriage return being white space is what lets CR LF files read like LF
// ones.
inline constexpr ByteClass<2> WHITE_SPACE = {{{'\t', '\r'}, {' ', ' '}}};

// The bytes up to a blank: every white space byte is one, and they take
// fewer steps to find than white space itself.
inline constexpr ByteClass<1> UP_TO_BLANK = {{{0, ' '}}};

// The decimal digits.
inline constexpr ByteClass<1> DIGITS = {{{'0', '9'}}};

// True when `c` is in `byte_class`.
template <std::size_t N>
constexpr bool in_class(char c, const ByteClass<N>& byte_class) {
  const auto code = static_cast<unsigned char>(c);
  bool in = false;
  for (const ByteRange& range : byte_class) in = in || (code >= range.low && code <= range.high);
  return in;
}

// The class of the one byte `c`.
constexpr ByteClass<1> single_byte(char c) {
  const auto code = static_cast<unsigned char>(c);
  return {{{code, code}}};
}

constexpr bool is_white_space(char c) { return in_class(c, WHITE_SPACE); }
constexpr bool is_digit(char c) { return in_class(c, DIGITS); }
