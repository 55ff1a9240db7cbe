// The process entry point: the dialogue, once.
#include "dialogue/dialogue.h"
#include "platform/interruption.h"

// The command line is not read: the dialogue asks for everything.
int main() {
  ignore_write_signals();
  return run_dialogue() ? 0 : 1;
}
