// Console input for the start-up dialogue.
#include "files/console.h"

#include <cctype>
#include <cstdlib>

int read_console_char(FILE* in) { return getc(in); }

void discard_console_line(FILE* in, int last) {
    if (last == '\n' || last == EOF) return;
    int c;
    do c = getc(in);
    while (c != '\n' && c != EOF);
}

bool read_console_name(FILE* in, char* out, size_t size) {
    if (size == 0) return false;
    out[0] = '\0';
    int c = getc(in);
    while (c != EOF && isspace(c)) c = getc(in);  // blank lines are not an answer
    size_t n = 0;
    bool fits = true;
    while (c != EOF && c != '\n') {
        if (n + 1 < size) out[n++] = (char)c;
        else if (!isspace(c)) fits = false;  // trailing blanks beyond the buffer do not count
        c = getc(in);
    }
    while (n > 0 && isspace((unsigned char)out[n - 1])) --n;
    out[n] = '\0';
    if (!fits) out[0] = '\0';
    return fits;
}

long read_console_number(FILE* in, long fallback) {
    // Like scanf("%d"): blank lines are skipped while waiting for the number.
    int c = getc(in);
    while (c != EOF && isspace(c)) c = getc(in);
    char digits[32];
    size_t n = 0;
    if (c == '+' || c == '-') {
        digits[n++] = (char)c;
        c = getc(in);
    }
    while (c != EOF && isdigit(c)) {
        if (n + 1 < sizeof digits) digits[n++] = (char)c;
        c = getc(in);
    }
    digits[n] = '\0';
    discard_console_line(in, c);
    char* end = nullptr;
    long value = strtol(digits, &end, 10);
    return end == digits ? fallback : value;
}
