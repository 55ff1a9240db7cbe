// The dialogue: the mode, the two names, one conversion and its report.
#include "dialogue/dialogue.h"

#include <fstream>

#include "codec/suffix_list.h"
#include "platform/console.h"
#include "platform/files.h"

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

bool read_answer_word(std::string& word) {
  char c = 0;
  do {
    if (!read_answer_char(c)) return false;
  } while (is_white_space(c));
  word.assign(1, c);
  while (read_answer_char(c) && !is_white_space(c)) {
    if (word.size() <= MAX_NAME_SIZE) word += c;  // one more than a name may hold tells it is too long
  }
  if (word.size() > MAX_NAME_SIZE) word.clear();
  answer_to_name(word);
  return true;
}

bool ask_input_name(const char* prompt, std::string& name) {
  for (;;) {
    show(prompt);
    if (!read_answer_word(name)) return false;
    std::ifstream probe;
    if (open_input_file(name, probe)) return true;
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
  std::string input_name;
  std::string output_name;
  char mode = 0;
  show("Komprimovat (k) nebo dekomprimovat (d)?: ");
  if (!read_mode(mode)) return stop_at_end_of_input();
  const bool compress = mode == 'k';
  if (!ask_input_name(compress ? "Zadejte nazev komprimovaneho souboru: " : "Zadejte nazev dokomprimovaneho souboru: ",
                      input_name)) {
    return stop_at_end_of_input();
  }
  show("Zadejte nazev vystupniho souboru: ");
  if (!read_answer_word(output_name)) return stop_at_end_of_input();

  const bool done = compress ? compress_file(input_name, output_name) : decompress_file(input_name, output_name);
  if (!done) show("Chyba pri praci se soubory\n");
  return done;
}
