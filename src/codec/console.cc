#include "codec/console.h"

#include <iostream>

#include "codec/suffix_list.h"

void show(std::string_view text) { std::cout << text << std::flush; }

void show_count(std::int64_t count) { std::cout << text_of(number_text(count)); }
