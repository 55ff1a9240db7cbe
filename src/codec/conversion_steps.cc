// The steps of the two conversion runs. The spans are functions of their
// own, kept apart from the loop that calls them, so that the compiler keeps
// their state in registers. For the same reason each span walks the chunks
// in a loop of its own rather than through a shared walker that calls back:
// with the callback, g++ kept the decoded text in memory, a store and a load
// per number.
#include <bit>
#include <string_view>

#include "codec/conversion.h"
#include "codec/kernels/chunk_bits.h"
#include "codec/kernels/kernel.h"
#include "codec/kernels/register_text.h"
#include "codec/kernels/vectors.h"
#include "codec/plain_list.h"

static_assert(TEXT_PADDING >= VECTOR_TEXT, "a number's text is moved as a whole vector");

namespace {

// The gap between a canonical number that stands in the block and the chunk
// that follows it, when it is a line end that the window path takes: 1 for
// "\n", 2 for "\r\n", else 0.
std::size_t window_gap(std::string_view prev, const char* chunk) {
  const auto gap = static_cast<std::size_t>(chunk - (prev.data() + prev.size()));
  if (gap == 1 && chunk[-1] == '\n') return 1;
  if (gap == 2 && chunk[-2] == '\r' && chunk[-1] == '\n') return 2;
  return 0;
}

// Codes numbers of up to 16 * LANES characters. Whole chunks of input are
// classified at once, and each number is coded against the one before it
// where that stands in the block; where the lines after it have its shape,
// the kernel codes whole windows of them. Stops when the output block is
// full, leaving it to the general step to hand over (a call in the loop
// would push its state out of registers).
template <std::size_t LANES>
[[gnu::noinline]] std::int64_t encode_in_block(CompressState& state, BlockReader& in, BlockWriter& out) {
  std::string_view prev = text_of(state.prev);
  bool prev_in_block = false;  // prev is a canonical number that stands in the block, before `chunk`
  const auto code_windows = state.kernel->code_windows;
  char* at = out.block + out.used;
  char* const full = out.block + out.block_size;
  std::int64_t taken = 0;
  const char* chunk = in.next;
  const char* refused = nullptr;
  while (refused == nullptr && in.end - chunk >= static_cast<std::ptrdiff_t>(CHUNK)) {
    if (const std::size_t gap = prev_in_block && code_windows != nullptr ? window_gap(prev, chunk) : 0) {
      const LineShape& shape = line_shape(prev.size(), gap);
      // A window writes up to 2 * CHUNK bytes, which the margin behind the block takes.
      LineWindows windows{chunk, in.end, at, full + WRITE_MARGIN - 2 * CHUNK};
      if (const std::int64_t lines = code_windows(windows, shape); lines > 0) {
        taken += lines;
        chunk = windows.next;
        at = windows.at;
        prev = {chunk - shape.stride, shape.digits};
        if (in.end - chunk < static_cast<std::ptrdiff_t>(CHUNK)) break;
      }
    }
    const std::uint64_t white = vectors::white_space_bits(chunk);
    // The first token that holds a character other than a digit is the first
    // to end past it (one in byte 63 belongs to a token that runs on).
    const auto other = static_cast<std::size_t>(std::countr_zero(~(vectors::digit_bits(chunk) | white) | 1ULL << 63));
    auto [starts, ends] = token_bounds(white);
    for (; ends != 0; starts &= starts - 1, ends &= ends - 1, ++taken) {
      const auto start = static_cast<std::size_t>(std::countr_zero(starts));
      const auto end = static_cast<std::size_t>(std::countr_zero(ends));
      const std::string_view cur(chunk + start, end - start);
      const bool canonical = end <= other && cur.size() <= 16 * LANES && is_canonical_in_range(cur);
      if (!canonical || at >= full) {
        refused = cur.data();
        break;
      }
      at = put_suffix_line<LANES>(at, cur, prev);
      prev = cur;
      prev_in_block = true;
    }
    if (refused == nullptr && !next_chunk(chunk, starts)) refused = chunk;
  }
  in.next = refused != nullptr ? refused : chunk;
  out.used = static_cast<std::size_t>(at - out.block);
  keep_text(state.prev, prev);
  return taken;
}

}  // namespace

// Numbers of up to 16 characters, the usual ones, take one register.
std::int64_t compress_span(CompressState& state, BlockReader& in, BlockWriter& out) {
  return state.prev.size <= 16 ? encode_in_block<1>(state, in, out) : encode_in_block<2>(state, in, out);
}

Step compress_item(CompressState& state, BlockReader& in, BlockWriter& out) {
  switch (read_number(in, state.number)) {
    case NumberRead::end:
      return Step::end;
    case NumberRead::none:
      // A list that ends at a word keeps the numbers before it; an input
      // whose first word is no number (text, UTF-16) is no list at all.
      return state.prev.size == 0 ? Step::failed : Step::end;
    case NumberRead::out_of_range:
      return Step::failed;
    case NumberRead::number:
      break;
  }
  write_suffix_line_reading_past(out, text_of(state.number), text_of(state.prev));
  keep_text(state.prev, text_of(state.number));
  return Step::item;
}

namespace {

// Decodes the tokens from `in.next` on into a text held in registers of
// 16 * LANES bytes, while they fit it and lie well inside the block,
// writing each number with one vector move; where the kernel's window path
// takes whole windows of tokens, it does. Stops when the output block is
// full, leaving it to the general step to hand over (a call in the loop
// would push the text out of registers). Gives how many it decoded.
template <std::size_t LANES>
[[gnu::noinline]] std::int64_t decode_in_registers(DecompressState& state, BlockReader& in, BlockWriter& out) {
  RegisterText<LANES> current{vectors::load_lanes<LANES>(state.current.chars), state.current.size};
  const auto decode_windows = state.kernel->decode_windows;
  char* at = out.block + out.used;
  char* const full = out.block + out.block_size;
  std::int64_t taken = 0;
  const char* chunk = in.next;
  const char* refused = nullptr;
  while (refused == nullptr && in.end - chunk >= static_cast<std::ptrdiff_t>(CHUNK)) {
    if constexpr (LANES == 1) {
      // Where the text with its line end fits one register, the window path
      // takes every window whose tokens are no longer than the text.
      if (current.size + LINE_END.size() <= LINE_REGISTER) {
        TokenWindows windows{chunk, in.end, at, full, current.size, {}};
        vectors::store_lanes(windows.line, current.chars);
        if (const std::int64_t lines = decode_windows(windows); lines > 0) {
          taken += lines;
          chunk = windows.next;
          at = windows.at;
          current.chars = vectors::load_lanes<LANES>(windows.line);
          if (in.end - chunk < static_cast<std::ptrdiff_t>(CHUNK)) break;
        }
      }
    }
    const std::uint64_t white = vectors::white_space_bits(chunk);
    // A token that holds the Ctrl-Z that ends the text is the general
    // step's: it is the first to end past it.
    std::size_t text_end = CHUNK;
    if constexpr (ENDS_AT_CTRL_Z) {
      text_end = static_cast<std::size_t>(std::countr_zero(vectors::byte_bits(chunk, CTRL_Z) | 1ULL << 63));
    }
    auto [starts, ends] = token_bounds(white);
    for (; ends != 0; starts &= starts - 1, ends &= ends - 1, ++taken) {
      const char* token = chunk + std::countr_zero(starts);
      const auto end = static_cast<std::size_t>(std::countr_zero(ends));
      const auto size = static_cast<std::size_t>(chunk + end - token);
      if (size > 16 * LANES || at >= full || end > text_end) {
        refused = token;
        break;
      }
      apply_suffix_reading_around(current, token, size);
      vectors::store_lanes(at, current.chars);  // the block has room behind it
      at = put_line_end(at + current.size);
    }
    if (refused == nullptr && !next_chunk(chunk, starts)) refused = chunk;
  }
  in.next = refused != nullptr ? refused : chunk;
  out.used = static_cast<std::size_t>(at - out.block);
  vectors::store_lanes(state.current.chars, current.chars);
  state.current.size = current.size;
  return taken;
}

}  // namespace

// Texts of up to 16 characters, the usual ones, take one register.
std::int64_t decompress_span(DecompressState& state, BlockReader& in, BlockWriter& out) {
  if (state.current.size <= 16) return decode_in_registers<1>(state, in, out);
  if (state.current.size <= VECTOR_TEXT) return decode_in_registers<2>(state, in, out);
  return 0;
}

Step decompress_item(DecompressState& state, BlockReader& in, BlockWriter& out) {
  std::string_view token;
  switch (read_token(in, token)) {
    case TokenRead::none:
      return Step::end;
    case TokenRead::too_long:
      return Step::failed;
    case TokenRead::token:
      break;
  }
  if (!apply_suffix(state.current, token)) return Step::failed;
  write_line(out, text_of(state.current));
  return Step::item;
}
