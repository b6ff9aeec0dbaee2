// Console input for the start-up dialogue and the pause before a fatal exit.
#include "app/console.h"

#include <cctype>
#include <cstdarg>
#include <cstdlib>

int read_console_char(FILE* in) { return getc(in); }

void discard_console_line(FILE* in, int last) {
    if (last == '\n' || last == EOF) return;
    int c;
    do c = getc(in);
    while (c != '\n' && c != EOF);
}

void read_console_word(FILE* in, char* out, size_t size) {
    size_t n = 0;
    int c = getc(in);
    while (c != EOF && isspace(c)) c = getc(in);
    while (c != EOF && !isspace(c)) {
        if (n + 1 < size) out[n++] = (char)c;
        c = getc(in);
    }
    if (size > 0) out[n] = '\0';
    discard_console_line(in, c);
}

long read_console_number(FILE* in, long fallback) {
    char line[64];
    size_t n = 0;
    int c = getc(in);
    while (c != EOF && c != '\n') {
        if (n + 1 < sizeof line) line[n++] = (char)c;
        c = getc(in);
    }
    line[n] = '\0';
    char* end = nullptr;
    long value = strtol(line, &end, 10);
    return end == line ? fallback : value;
}

void fatal_error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    fflush(stdout);
    // Keep the console open until the user has read the message.
    getchar();
    exit(1);
}
