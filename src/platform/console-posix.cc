// The console on Linux: standard input and output as descriptors, a byte
// at a time in and every message whole out.
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "platform/console.h"

void show(std::string_view text) {
  while (!text.empty()) {
    const ssize_t wrote = write(STDOUT_FILENO, text.data(), text.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(wrote));
  }
}

void show_count(std::int64_t count) {
  char text[20];  // "-9223372036854775808"
  show({text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, count).ptr - text)});
}

// One byte a read: a read-ahead would take the start of a list that
// follows the answers on standard input.
bool read_answer_char(char& c) {
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, &c, 1);
    if (got == 1) return true;
    if (got < 0 && errno == EINTR) continue;
    return false;
  }
}

bool answer_to_name(char*, std::size_t& size, std::size_t capacity) { return size <= capacity; }
