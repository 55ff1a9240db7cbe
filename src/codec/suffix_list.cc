// The per-number rules done the general way: number texts, lines coded
// from whole numbers, and tokens gathered across block boundaries.
#include "codec/suffix_list.h"

#include <charconv>

#include "codec/kernels/register_text.h"

NumberText number_text(std::int64_t value) {
  NumberText text;
  const auto result = std::to_chars(text.chars, text.chars + TEXT_FIELD_SIZE, value);
  text.size = static_cast<std::size_t>(result.ptr - text.chars);
  return text;
}

void write_suffix_line(BlockWriter& out, std::int64_t cur, std::int64_t prev) {
  const NumberText cur_text = number_text(cur);
  const NumberText prev_text = number_text(prev);
  write_suffix_line_reading_past(out, text_of(cur_text), text_of(prev_text));
}

TokenRead read_token(BlockReader& in, std::string_view& token) {
  if (!skip_white_space(in)) return TokenRead::none;
  in.spilled = 0;
  for (;;) {
    const char* stop = in.next;
    while (stop < in.end && !is_white_space(*stop) && !ends_text(*stop)) ++stop;
    if (stop < in.end && ends_text(*stop)) end_text(in, stop);  // the token is gathered as at the input's end
    const auto size = static_cast<std::size_t>(stop - in.next);
    if (stop < in.end && in.spilled == 0) {  // the whole token lies in this block
      if (size > MAX_TOKEN_SIZE) return TokenRead::too_long;
      token = {in.next, size};
      in.next = stop;
      return TokenRead::token;
    }
    // The token may go on in the next block: gather it whole.
    if (!spill(in, in.next, size)) return TokenRead::too_long;
    in.next = stop;
    if (stop < in.end || !refill(in)) break;
  }
  token = spilled(in);
  return TokenRead::token;
}
