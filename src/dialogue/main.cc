#include "dialogue/dialogue.h"

// The command line is not read: the dialogue asks for everything.
int main() { return run_dialogue() ? 0 : 1; }
