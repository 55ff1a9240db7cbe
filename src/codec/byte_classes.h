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

namespace byte_classes_detail {

// True when every byte of `inner` is in `outer`.
template <std::size_t N, std::size_t M>
constexpr bool within(const ByteClass<N>& inner, const ByteClass<M>& outer) {
  for (const ByteRange& range : inner) {
    for (unsigned code = range.low; code <= range.high; ++code) {
      if (!in_class(static_cast<char>(code), outer)) return false;
    }
  }
  return true;
}

// True when every range lies below 0x80.
template <std::size_t N>
constexpr bool below_0x80(const ByteClass<N>& byte_class) {
  for (const ByteRange& range : byte_class) {
    if (range.low > range.high || range.high >= 0x80) return false;
  }
  return true;
}

}  // namespace byte_classes_detail

// The windows tell white space by the bytes up to a blank where they can.
static_assert(byte_classes_detail::within(WHITE_SPACE, UP_TO_BLANK), "every white space byte is up to a blank");
// The portable words test a byte's range with no carry into the next byte
// only below 0x80.
static_assert(byte_classes_detail::below_0x80(WHITE_SPACE) && byte_classes_detail::below_0x80(UP_TO_BLANK) &&
                  byte_classes_detail::below_0x80(DIGITS),
              "every class lies below 0x80");
