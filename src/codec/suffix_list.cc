#include "codec/suffix_list.h"

#include <charconv>

NumberText number_text(std::int64_t value) {
  NumberText text;
  const auto result = std::to_chars(text.chars, text.chars + TEXT_FIELD_SIZE, value);
  text.size = static_cast<std::size_t>(result.ptr - text.chars);
  return text;
}

void write_suffix_line(TextWriter& out, std::string_view cur, std::string_view prev) {
  if (cur.size() != prev.size()) {
    write_line(out, cur);
    return;
  }
  std::size_t k = 0;
  while (k < cur.size() && cur[k] == prev[k]) ++k;
  write_line(out, cur.substr(k));
}

void write_suffix_line(TextWriter& out, std::int64_t cur, std::int64_t prev) {
  write_suffix_line(out, text_of(number_text(cur)), text_of(number_text(prev)));
}

void apply_suffix(std::string& current, std::string_view token) {
  if (token.size() >= current.size()) {
    current.assign(token);
  } else {
    current.replace(current.size() - token.size(), token.size(), token);
  }
}

bool read_token(TextReader& in, std::string_view& token) {
  if (!skip_white_space(in)) return false;
  const char* start = in.next;
  const char* stop = start;
  while (stop < in.end && !is_white_space(*stop)) ++stop;
  in.next = stop;
  if (stop < in.end) {
    token = {start, static_cast<std::size_t>(stop - start)};
    return true;
  }
  // The token may go on in the next block: gather it whole.
  in.spill.assign(start, stop);
  while (refill(in)) {
    stop = in.next;
    while (stop < in.end && !is_white_space(*stop)) ++stop;
    in.spill.append(in.next, stop);
    in.next = stop;
    if (stop < in.end) break;
  }
  token = in.spill;
  return true;
}
