// Compression of whole windows of lines at once. In a long list of primes
// nearly every line has as many digits as the line before it and ends the
// same way; then the lines of a window of CHUNK bytes stand at fixed places,
// and each line's first difference from the line above it (the coding rule
// of suffix_list.h: the line keeps the number from there to its end) comes
// out of two subtractions on the window's bit masks. Only the bytes that
// tell lines of that shape apart, the difference from the bytes one line
// above, and the writing are an instruction set's own (the concepts
// below); the loop is written once, here.
#pragma once

#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>

#include "codec/block_stream.h"
#include "codec/kernels/kernel.h"

// What an instruction set works out for a window at `window`: the bits of
// the bytes that lie within `shape`'s bounds, and of those equal to the byte
// one line above (at `above`).
struct WindowMasks {
  std::uint64_t fits;
  std::uint64_t same;
};

// A shape's counts, held apart from the shape, which a window's stores
// might alias for all the compiler knows.
struct LineCounts {
  std::size_t digits;
  std::size_t gap;
  std::size_t stride;
  std::size_t lines;
  std::uint64_t starts;
  std::uint64_t ends;
};

inline LineCounts counts_of(const LineShape& shape) {
  return {shape.digits, shape.gap, shape.stride, shape.lines, shape.starts, shape.ends};
}

// An instruction set's classifier of a window of lines: the shape's bounds
// in its own registers (Bounds, made once for all the windows of a call), and the
// masks of a window from them.
template <typename Isa>
concept WindowClassifier = requires(const char* window, const LineShape& shape, const typename Isa::Bounds& bounds) {
  { Isa::bounds(shape) } -> std::same_as<typename Isa::Bounds>;
  { Isa::classify(window, window, bounds) } -> std::same_as<WindowMasks>;
};

// An instruction set's move of BYTES (16 or 32) bytes from `from` to `to`.
template <typename Isa>
concept LineMover = requires(char* to, const char* from) {
  Isa::template move<16>(to, from);
  Isa::template move<32>(to, from);
};

// Writes a window's coded lines at `at`, given the bit of each line's first
// byte (`first`); gives the end of what it wrote.
template <typename Writer>
concept WindowWriter = requires(char* at, const char* window, std::uint64_t first, const LineCounts& counts) {
  { Writer::write(at, window, first, counts) } -> std::same_as<char*>;
};

// A WindowWriter by one vector move per line. `first` holds one bit a
// line: the loop runs on it rather than on a count of lines, which keeps
// the step short of a register.
template <LineMover Isa, bool same_line_end, std::size_t move_bytes>
struct MoveWriter {
  static char* write(char* at, const char* window, std::uint64_t first, const LineCounts& counts) {
    const std::size_t stride = counts.stride;
    std::size_t end = counts.digits + LINE_END.size();  // where the line ends in the output's terms
    for (; first != 0; first &= first - 1, end += stride) {
      const auto from = static_cast<std::size_t>(std::countr_zero(first));
      Isa::template move<move_bytes>(at, window + from);
      at += end - from;
      // Where the line end is the input's, it came along; else it is put
      // over the one that came.
      if constexpr (!same_line_end) put_line_end(at - LINE_END.size());
    }
    return at;
  }
};

// The bytes of a window that its coded lines are made of, given the bit of
// each line's first byte: from there up to the next line's start, less the
// CR of a "\r\n" where LINE_END has none. Only for lines whose line end is
// LINE_END or "\r\n", where no byte needs adding. (Where the last line
// ends at bit 64, the subtraction's wrap-around stands in for that bit.)
inline std::uint64_t kept_bytes(const LineCounts& counts, std::uint64_t first) {
  const std::uint64_t kept = (counts.starts << counts.stride) - first;
  return counts.gap > LINE_END.size() ? kept & ~counts.ends : kept;
}

// Codes whole windows of lines of `shape` while every line of a window has
// that shape, moving `windows` past them; gives how many lines. Each line of
// the output is the line's digits from the first difference from the line
// above, then LINE_END; the line above the first one stands before `next`.
// `Writer` writes a window's lines: MoveWriter, or an instruction set's own,
// from kept_bytes.
template <WindowClassifier Isa, WindowWriter Writer>
inline std::int64_t code_line_windows(LineWindows& windows, const LineShape& shape) {
  const char* window = windows.next;
  const char* const end = windows.end;
  char* at = windows.at;
  char* const full = windows.full;
  const LineCounts counts = counts_of(shape);
  const typename Isa::Bounds bounds = Isa::bounds(shape);
  const std::size_t advance = counts.lines * counts.stride;
  std::int64_t coded = 0;
  while (end - window >= static_cast<std::ptrdiff_t>(CHUNK) && at <= full) {
    const WindowMasks masks = Isa::classify(window, window - counts.stride, bounds);
    if (masks.fits != ~std::uint64_t{0}) break;
    // Per line, the lowest of its differing bytes and its end is where its
    // coded line starts: subtracting the start bit carries up to it.
    const std::uint64_t differ = ~masks.same | counts.ends;
    at = Writer::write(at, window, differ & ~(differ - counts.starts), counts);
    window += advance;
    coded += static_cast<std::int64_t>(counts.lines);
  }
  windows.next = window;
  windows.at = at;
  return coded;
}

// code_line_windows with one move per line, with the line end and the
// width of the moves that `shape` needs.
template <typename Isa>
requires WindowClassifier<Isa> && LineMover<Isa>
inline std::int64_t code_windows_of_shape(LineWindows& windows, const LineShape& shape) {
  const bool same_line_end = shape.gap == LINE_END.size();
  if (shape.stride <= 16) {
    return same_line_end ? code_line_windows<Isa, MoveWriter<Isa, true, 16>>(windows, shape)
                         : code_line_windows<Isa, MoveWriter<Isa, false, 16>>(windows, shape);
  }
  return same_line_end ? code_line_windows<Isa, MoveWriter<Isa, true, 32>>(windows, shape)
                       : code_line_windows<Isa, MoveWriter<Isa, false, 32>>(windows, shape);
}
