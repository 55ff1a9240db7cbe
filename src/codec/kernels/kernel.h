// The kernels: the window paths of compression and decompression, one
// implementation per instruction set, each in a file of its own. This is
// all that a run needs of them: the state of a window path, a kernel's two
// entry points, and the choice. The kernel is chosen once, at start, as the
// best that the processor and the system support, and a run takes it in
// its state. Every kernel gives the same bytes as every other and as the
// general steps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec/kernels/line_shapes.h"

// Where the window path of compression stands: the input from `next` (the
// start of a line whose line above, of the same shape, stands just before
// it) to `end`, and the output at `at`. A window is taken only while `at`
// has not passed `full`, and only when all of it lies before `end`; it
// reads up to 32 bytes past its end and writes up to 2 * CHUNK bytes past
// `at`.
struct LineWindows {
  const char* next;
  const char* end;
  char* at;
  char* full;
};

// The longest line, the text with its line end, that one register holds.
inline constexpr std::size_t LINE_REGISTER = 16;

// Where the window path of decoding stands: the input from `next` (a
// token's start, or white space) to `end`, the output at `at`, and the text
// decoded last. A window is taken only while `at` is far enough from
// `full` to take all its lines. It reads up to LINE_REGISTER bytes before
// its tokens and up to CHUNK bytes from a token's start, so up to 2 * CHUNK
// from its own start; it writes up to CHUNK bytes from a line's start, and
// never more than CHUNK past `full`.
struct TokenWindows {
  const char* next;
  const char* end;
  char* at;
  char* full;
  std::size_t size;                                 // the text's length: size + LINE_END.size() <= LINE_REGISTER
  alignas(LINE_REGISTER) char line[LINE_REGISTER];  // the text, then bytes of no account
};

struct Kernel {
  const char* name;
  // Codes whole windows of lines of `shape`, moving `windows` past them; gives
  // how many lines. Null where the kernel has no window path for
  // compression: then numbers are coded one at a time.
  std::int64_t (*code_windows)(LineWindows& windows, const LineShape& shape);
  // Decodes whole windows of tokens no longer than the text, moving `windows`
  // past them; gives how many tokens.
  std::int64_t (*decode_windows)(TokenWindows& windows);
};

// The best kernel that the processor and the system support: the last row
// of the kernel table (choose.cc) that runs here.
const Kernel& active_kernel();

// Every kernel that this processor runs, in the table's order: "none" first.
std::span<const Kernel* const> kernels_here();
