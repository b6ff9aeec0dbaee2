// Console input for the start-up dialogue.
//
// Input is read line by line: "discarding pending input" means dropping the
// rest of the current line, so that answers typed (or piped) ahead of their
// prompts are kept for those prompts.
#pragma once

#include <cstddef>
#include <cstdio>

// Reads one character, like scanf("%c"); returns EOF at end of input.
int read_console_char(FILE* in);

// Drops the rest of the current line, unless `last` (the character just
// read) already ended it.
void discard_console_line(FILE* in, int last);

// Reads one whole line as a name: blanks around it are dropped, blanks
// inside are kept, blank lines are skipped while waiting for it. Returns
// false, with `out` empty and the line consumed, when the name needs more
// than size - 1 bytes; empty (and true) at end of input.
bool read_console_name(FILE* in, char* out, size_t size);

// Reads an integer as scanf("%d") does (white space and blank lines before it
// are skipped), then drops the rest of its line. Returns `fallback` when the
// first non-blank text is not a number, or at end of input.
long read_console_number(FILE* in, long fallback);
