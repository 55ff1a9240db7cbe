// Messages to the user, on standard output.
#pragma once

#include <cstdint>
#include <string_view>

// Prints `text` and flushes it, so that it is on screen at once, before any
// answer is read and while a long run goes on.
void show(std::string_view text);

// Prints `count` in canonical decimal, unflushed, for a message that follows.
void show_count(std::int64_t count);
