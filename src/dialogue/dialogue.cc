// The dialogue: the mode, the two names, one conversion and its report.
#include "dialogue/dialogue.h"

#include <cstring>

#include "codec/suffix_list.h"
#include "platform/console.h"

bool read_mode(char& mode) {
  char c = 0;
  while (read_answer_char(c)) {
    if (c == 'k' || c == 'd') {
      mode = c;
      return true;
    }
  }
  return false;
}

bool read_answer_word(Name& word) {
  char c = 0;
  do {
    if (!read_answer_char(c)) return false;
  } while (is_white_space(c));
  word.size = 0;
  do {
    // One more than a name may hold tells that it is too long.
    if (word.size <= MAX_NAME_SIZE) word.text[word.size++] = c;
  } while (read_answer_char(c) && !is_white_space(c));
  if (word.size > MAX_NAME_SIZE || std::memchr(word.text, '\0', word.size) != nullptr ||
      !answer_to_name(word.text, word.size, MAX_NAME_SIZE)) {
    word.size = 0;
  }
  word.text[word.size] = '\0';
  return true;
}

bool ask_input_name(const char* prompt, Name& name, InputFile& input) {
  for (;;) {
    show(prompt);
    if (!read_answer_word(name)) return false;
    if (name.size > 0 && open_input_file(name.text, input)) return true;
    show("Tento soubor neexistuje\n");
  }
}

namespace {

// Standard input ended before the dialogue was answered: nothing can be
// converted. Ends the line of the prompt left standing.
bool stop_at_end_of_input() {
  show("\n");
  return false;
}

}  // namespace

bool run_dialogue() {
  Name input_name;
  Name output_name;
  InputFile input;
  char mode = 0;
  show("Komprimovat (k) nebo dekomprimovat (d)?: ");
  if (!read_mode(mode)) return stop_at_end_of_input();
  const bool compress = mode == 'k';
  if (!ask_input_name(compress ? "Zadejte nazev komprimovaneho souboru: " : "Zadejte nazev dokomprimovaneho souboru: ",
                      input_name, input)) {
    return stop_at_end_of_input();
  }
  show("Zadejte nazev vystupniho souboru: ");
  if (!read_answer_word(output_name)) {
    close_input_file(input);
    return stop_at_end_of_input();
  }
  // The run reads the input through the handle opened above, and closes it.
  const bool done = compress ? compress_file(input, input_name.text, output_name.text)
                             : decompress_file(input, input_name.text, output_name.text);
  if (!done) show("Chyba pri praci se soubory\n");
  return done;
}
