// Compression of whole windows of lines at once. In a long list of primes
// nearly every line has as many digits as the line before it and ends the
// same way; then the lines of a window of CHUNK bytes stand at fixed places,
// and each line's first difference from the line above it (the coding rule
// of suffix_list.h: the line keeps the number from there to its end) comes
// out of two subtractions on the window's bit masks. Only the bytes that
// tell plain lines of that shape apart, and the difference from the bytes
// one line above, are worked out per instruction set (see kernels.h).
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "codec/text_stream.h"

// The most digits of a number that the fast paths take as certain to be in
// range: 18 digits always are, 19 only below 9 followed by eighteen more.
inline constexpr std::size_t MAX_PLAIN_DIGITS = 19;

// The lines of a window: each `digits` digits (a canonical number certain
// to be in range: no leading zero unless it is 0 itself, and see
// MAX_PLAIN_DIGITS), then "\n" (gap 1) or "\r\n" (gap 2).
struct LineShape {
  std::size_t digits = 0;    // 1 to 19
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

namespace line_windows_detail {

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
    for (std::size_t i = start; i < start + digits; ++i) {
      shape.low[i] = '0';
      shape.span[i] = 9;
    }
    const unsigned char first_low = digits == 1 ? '0' : '1';
    const unsigned char first_high = digits == MAX_PLAIN_DIGITS ? '8' : '9';
    shape.low[start] = first_low;
    shape.span[start] = static_cast<unsigned char>(first_high - first_low);
    shape.low[start + digits] = gap == 2 ? '\r' : '\n';
    shape.low[start + shape.stride - 1] = '\n';
    shape.span[start + digits] = shape.span[start + shape.stride - 1] = 0;
  }
  return shape;
}

constexpr std::array<std::array<LineShape, MAX_PLAIN_DIGITS>, 2> make_shapes() {
  std::array<std::array<LineShape, MAX_PLAIN_DIGITS>, 2> shapes{};
  for (std::size_t gap = 1; gap <= 2; ++gap) {
    for (std::size_t digits = 1; digits <= MAX_PLAIN_DIGITS; ++digits) {
      shapes[gap - 1][digits - 1] = make_shape(digits, gap);
    }
  }
  return shapes;
}

inline constexpr auto kShapes = make_shapes();

}  // namespace line_windows_detail

// The shape of lines of `digits` digits (1 to MAX_PLAIN_DIGITS) and a gap
// of `gap` bytes (1 or 2).
inline const LineShape& line_shape(std::size_t digits, std::size_t gap) {
  return line_windows_detail::kShapes[gap - 1][digits - 1];
}

// Where the window path stands: the input from `next` (the start of a line
// whose line above, of the same shape, stands just before it) to `end`, and
// the output at `at`. A window is taken only while `at` has not passed
// `full`, and only when all of it lies before `end`; it reads up to
// VECTOR_TEXT bytes past its end and writes up to 2 * CHUNK bytes past `at`.
struct LineWindows {
  const char* next;
  const char* end;
  char* at;
  char* full;
};

// What an instruction set works out for a window at `window`: the bits of
// the bytes that lie within `shape`'s bounds, and of those equal to the byte
// one line above (at `above`).
struct WindowMasks {
  std::uint64_t fits;
  std::uint64_t same;
};

// Writes a window's coded lines at `at`, one vector move per line, given
// the bit of each line's first byte (`first`); gives the end of what it
// wrote. `Isa` moves a line (move<BYTES>).
template <typename Isa, bool same_line_end, std::size_t move_bytes>
struct MoveLines {
  static char* write(char* at, const char* window, std::uint64_t first, const LineShape& shape) {
    // Held apart from `shape`, which the stores might alias for all the
    // compiler knows.
    const std::size_t lines = shape.lines;
    const std::size_t stride = shape.stride;
    const std::size_t gap = shape.gap;
    std::size_t end = shape.digits;
    for (std::size_t line = 0; line < lines; ++line, end += stride) {
      const auto from = static_cast<std::size_t>(std::countr_zero(first));
      first &= first - 1;
      Isa::template move<move_bytes>(at, window + from);
      if constexpr (same_line_end) {
        at += end - from + gap;  // the line end came along
      } else {
        at = put_line_end(at + (end - from));
      }
    }
    return at;
  }
};

// The bytes of a window that its coded lines are made of, given the bit of
// each line's first byte: from there up to the next line's start, less the
// CR of a "\r\n" where LINE_END has none. Only for lines whose line end is
// LINE_END or "\r\n", where no byte needs adding. (Where the last line
// ends at bit 64, the subtraction's wrap-around stands in for that bit.)
inline std::uint64_t kept_bytes(const LineShape& shape, std::uint64_t first) {
  const std::uint64_t kept = (shape.starts << shape.stride) - first;
  return shape.gap > LINE_END.size() ? kept & ~shape.ends : kept;
}

// Codes whole windows of lines of `shape` while every line of a window has
// that shape, moving `run` past them; gives how many lines. Each line of
// the output is the line's digits from the first difference from the line
// above, then LINE_END; the line above the first one stands before `next`.
// `Isa` gives the masks (classify), `Lines` writes a window's lines
// (MoveLines, or an instruction set's own, from kept_bytes).
template <typename Isa, typename Lines>
inline std::int64_t code_line_windows(LineWindows& run, const LineShape& shape) {
  const char* window = run.next;
  const char* const end = run.end;
  char* at = run.at;
  char* const full = run.full;
  const std::size_t stride = shape.stride;  // as in MoveLines
  const std::size_t advance = shape.lines * stride;
  const std::uint64_t starts = shape.starts;
  const std::uint64_t ends = shape.ends;
  std::int64_t coded = 0;
  while (end - window >= static_cast<std::ptrdiff_t>(CHUNK) && at <= full) {
    const WindowMasks masks = Isa::classify(window, window - stride, shape);
    if (masks.fits != ~std::uint64_t{0}) break;
    // Per line, the lowest of its differing bytes and its end is where its
    // coded line starts: subtracting the start bit carries up to it.
    const std::uint64_t differ = ~masks.same | ends;
    at = Lines::write(at, window, differ & ~(differ - starts), shape);
    window += advance;
    coded += static_cast<std::int64_t>(shape.lines);
  }
  run.next = window;
  run.at = at;
  return coded;
}

// code_line_windows with one move per line, with the line end and the
// width of the moves that `shape` needs.
template <typename Isa>
inline std::int64_t code_windows_of_shape(LineWindows& run, const LineShape& shape) {
  const bool same_line_end = shape.gap == LINE_END.size();
  if (shape.stride <= 16) {
    return same_line_end ? code_line_windows<Isa, MoveLines<Isa, true, 16>>(run, shape)
                         : code_line_windows<Isa, MoveLines<Isa, false, 16>>(run, shape);
  }
  return same_line_end ? code_line_windows<Isa, MoveLines<Isa, true, 32>>(run, shape)
                       : code_line_windows<Isa, MoveLines<Isa, false, 32>>(run, shape);
}
