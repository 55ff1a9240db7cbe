// The lines that compression codes a window at a time: numbers of the same
// count of digits in canonical form, each certain to be in range, each
// followed by the same line end. Where a window holds only such lines,
// each byte's place tells what it must be.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codec/byte_classes.h"
#include "codec/kernels/chunk_bits.h"

// The most digits of a number that the fast paths take as certain to be in
// range: 18 digits always are, 19 only below 9 followed by eighteen more.
inline constexpr std::size_t MAX_CANONICAL_DIGITS = 19;

// What the first of `digits` digits (1 to MAX_CANONICAL_DIGITS) may be in a
// canonical number certain to be in range: any digit alone, else no
// leading zero, and at most 8 at MAX_CANONICAL_DIGITS.
constexpr ByteRange first_digit(std::size_t digits) {
  return {static_cast<unsigned char>(digits == 1 ? '0' : '1'),
          static_cast<unsigned char>(digits == MAX_CANONICAL_DIGITS ? '8' : '9')};
}

// True when `digits`, a string of decimal digits, is a canonical number
// certain to be in range: the fast paths take it as it stands.
constexpr bool is_canonical_in_range(std::string_view digits) {
  if (digits.empty() || digits.size() > MAX_CANONICAL_DIGITS) return false;
  const ByteRange first = first_digit(digits.size());
  const auto code = static_cast<unsigned char>(digits.front());
  return code >= first.low && code <= first.high;
}

// The lines of a window: each `digits` digits (canonical and in range, as
// above), then "\n" (gap 1) or "\r\n" (gap 2).
struct LineShape {
  std::size_t digits = 0;    // 1 to MAX_CANONICAL_DIGITS
  std::size_t gap = 0;       // 1 or 2
  std::size_t stride = 0;    // digits + gap: from one line's start to the next
  std::size_t lines = 0;     // whole lines in a window
  std::uint64_t starts = 0;  // bit k * stride: where line k starts
  std::uint64_t ends = 0;    // bit k * stride + digits: where its digits end
  // Byte i of a window of such lines lies in [low[i], low[i] + span[i]]
  // (unsigned); bytes past the last whole line may be anything.
  alignas(CHUNK) unsigned char low[CHUNK] = {};
  alignas(CHUNK) unsigned char span[CHUNK] = {};
};

namespace line_shapes_detail {

constexpr void allow(LineShape& shape, std::size_t at, ByteRange range) {
  shape.low[at] = range.low;
  shape.span[at] = static_cast<unsigned char>(range.high - range.low);
}

constexpr LineShape make_shape(std::size_t digits, std::size_t gap) {
  LineShape shape;
  shape.digits = digits;
  shape.gap = gap;
  shape.stride = digits + gap;
  shape.lines = CHUNK / shape.stride;
  for (std::size_t i = 0; i < CHUNK; ++i) shape.span[i] = 0xFF;
  for (std::size_t k = 0; k < shape.lines; ++k) {
    const std::size_t start = k * shape.stride;
    shape.starts |= std::uint64_t{1} << start;
    shape.ends |= std::uint64_t{1} << (start + digits);
    for (std::size_t i = start; i < start + digits; ++i) allow(shape, i, DIGITS[0]);
    allow(shape, start, first_digit(digits));
    if (gap == 2) allow(shape, start + digits, {'\r', '\r'});
    allow(shape, start + shape.stride - 1, {'\n', '\n'});
  }
  return shape;
}

constexpr std::array<std::array<LineShape, MAX_CANONICAL_DIGITS>, 2> make_shapes() {
  std::array<std::array<LineShape, MAX_CANONICAL_DIGITS>, 2> shapes{};
  for (std::size_t gap = 1; gap <= 2; ++gap) {
    for (std::size_t digits = 1; digits <= MAX_CANONICAL_DIGITS; ++digits) {
      shapes[gap - 1][digits - 1] = make_shape(digits, gap);
    }
  }
  return shapes;
}

inline constexpr auto kShapes = make_shapes();

}  // namespace line_shapes_detail

// The shape of lines of `digits` digits (1 to MAX_CANONICAL_DIGITS) and a gap
// of `gap` bytes (1 or 2).
inline const LineShape& line_shape(std::size_t digits, std::size_t gap) {
  return line_shapes_detail::kShapes[gap - 1][digits - 1];
}
