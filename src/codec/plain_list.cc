// Reading a plain list one number at a time, the general way: signs,
// leading zeros, the range, and numbers that cross a block boundary.
#include "codec/plain_list.h"

#include <charconv>

namespace {

bool is_sign(char c) { return c == '+' || c == '-'; }

// Turns a sign and digit run into its canonical text. The library judges
// the range and drops leading zeros; only a plus sign is its to skip.
NumberRead number_from_lexeme(std::string_view lexeme, NumberText& text) {
  if (!lexeme.empty() && lexeme.front() == '+') lexeme.remove_prefix(1);
  std::int64_t value = 0;
  const auto result = std::from_chars(lexeme.data(), lexeme.data() + lexeme.size(), value);
  if (result.ec == std::errc::result_out_of_range) return NumberRead::out_of_range;
  if (result.ec != std::errc()) return NumberRead::none;  // a sign without digits
  text = number_text(value);
  return NumberRead::number;
}

// Adds a digit to a lexeme gathered across blocks in the reader's spill,
// keeping it short: leading zeros are dropped as they come, and digits past
// the twentieth add nothing to the verdict (out of range) and are not kept.
void append_digit(BlockReader& in, char digit) {
  const std::size_t digits = in.spilled - (in.spilled > 0 && is_sign(in.spill[0]) ? 1 : 0);
  if (digits == 1 && in.spill[in.spilled - 1] == '0') {
    in.spill[in.spilled - 1] = digit;
  } else if (digits <= TEXT_FIELD_SIZE) {
    spill(in, &digit, 1);
  }
}

}  // namespace

NumberRead read_number(BlockReader& in, NumberText& text) {
  if (!skip_white_space(in)) return NumberRead::end;
  const char* stop = in.next;
  if (is_sign(*stop)) ++stop;
  while (stop < in.end && is_digit(*stop)) ++stop;
  if (stop < in.end) {
    const std::string_view lexeme(in.next, static_cast<std::size_t>(stop - in.next));
    in.next = stop;
    return number_from_lexeme(lexeme, text);
  }
  // The lexeme may go on in the next block: gather it, kept short.
  in.spilled = 0;
  if (is_sign(*in.next)) spill(in, in.next++, 1);
  do {
    for (; in.next < in.end; ++in.next) {
      if (!is_digit(*in.next)) return number_from_lexeme(spilled(in), text);
      append_digit(in, *in.next);
    }
  } while (refill(in));
  return number_from_lexeme(spilled(in), text);
}
