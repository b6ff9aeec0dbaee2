// The geometry layer's .vec file: writing and reading a whole layer.
#include "files/geometry_text.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/regular_file.h"

namespace {

// Walks the white-space separated words of a file, counting lines.
struct WordReader {
    const std::string& text;
    size_t at;
    long scan_line;  // 1-based line of the reading position
    long line;       // 1-based line of the word returned last (1 before any): where a fault is reported
    bool at_end;     // the last read found no word: the file ended
    long words;      // words returned so far
};

bool next_word(WordReader* r, std::string* word) {
    const std::string& t = r->text;
    while (r->at < t.size() && isspace((unsigned char)t[r->at])) {
        if (t[r->at] == '\n') ++r->scan_line;
        ++r->at;
    }
    if (r->at >= t.size()) {
        r->at_end = true;
        return false;
    }
    size_t start = r->at;
    while (r->at < t.size() && !isspace((unsigned char)t[r->at])) ++r->at;
    *word = t.substr(start, r->at - start);
    r->line = r->scan_line;
    ++r->words;
    return true;
}

// An integer field as a "%d" read takes it: the sign and digits up to a
// decimal point ("2.0" and "1.5" give 2 and 1). Files from other tools write
// whole numbers so. What "%d" would not take (no digits first, an exponent,
// other letters) is refused, as is a value beyond an int.
bool read_int(WordReader* r, int* out) {
    std::string word;
    if (!next_word(r, &word)) return false;
    char* end = nullptr;
    errno = 0;
    long value = strtol(word.c_str(), &end, 10);
    if (end == word.c_str() || !isdigit((unsigned char)end[-1]) || errno == ERANGE || value < INT_MIN ||
        value > INT_MAX)
        return false;
    if (*end == '.') {
        ++end;
        while (isdigit((unsigned char)*end)) ++end;
    }
    if (*end != '\0') return false;
    *out = (int)value;
    return true;
}

bool read_float(WordReader* r, float* out) {
    std::string word;
    if (!next_word(r, &word)) return false;
    char* end = nullptr;
    float value = strtof(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0' || !std::isfinite(value)) return false;
    *out = value;
    return true;
}

bool read_whole_file(const char* path, std::string* text, char* error, size_t error_size) {
    FILE* file = fopen_regular_file(path, "Vector file", error, error_size);
    if (!file) return false;
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, got);
    bool ok = !ferror(file);
    fclose(file);
    if (!ok) snprintf(error, error_size, "Vector file not found %s", path);
    return ok;
}

}  // namespace

void print_geometry_text(WholeFile* out, const GeometryItem* items, int count) {
    print_whole_file(out, "%d\n", count);
    for (int i = 0; i < count; ++i) {
        const GeometryItem& g = items[i];
        print_whole_file(out, "%d %f %f %f %f %f %f %f %d\n", g.kind, g.x, g.y, g.z, g.rx, g.ry, g.rz, g.size,
                         g.texture);
    }
}

bool write_geometry_text(const char* path, const GeometryItem* items, int count, char* error, size_t error_size) {
    WholeFile out;
    if (!begin_whole_file(path, &out, error, error_size)) return false;
    print_geometry_text(&out, items, count);
    return finish_whole_file(&out, error, error_size);
}

int read_geometry_text(const char* path, GeometryItem* items_out, char* error, size_t error_size) {
    std::string text;
    if (!read_whole_file(path, &text, error, error_size)) {
        if (strstr(error, "not found")) snprintf(error, error_size, "Did not Find Vector File %s", path);
        return -1;
    }
    WordReader reader{text, 0, 1, 1, false, 0};
    int count = 0;
    if (!read_int(&reader, &count) || count < 0 || count > MAX_GEOMETRY_ITEMS) {
        snprintf(error, error_size, "%s line %ld: the item count must be a number from 0 to %d", path, reader.line,
                 MAX_GEOMETRY_ITEMS);
        return -1;
    }
    std::vector<GeometryItem> items((size_t)count);
    for (int i = 0; i < count; ++i) {
        GeometryItem& g = items[(size_t)i];
        long item_start = reader.words;
        bool ok = read_int(&reader, &g.kind) && read_float(&reader, &g.x) && read_float(&reader, &g.y) &&
                  read_float(&reader, &g.z) && read_float(&reader, &g.rx) && read_float(&reader, &g.ry) &&
                  read_float(&reader, &g.rz) && read_float(&reader, &g.size) && read_int(&reader, &g.texture);
        if (!ok && reader.at_end && reader.words == item_start) {
            snprintf(error, error_size, "%s line %ld: the file ends before item %d of %d", path, reader.line, i + 1,
                     count);
            return -1;
        }
        if (!ok) {
            snprintf(error, error_size, "%s line %ld: item %d of %d needs kind, x, y, z, rx, ry, rz, size, texture",
                     path, reader.line, i + 1, count);
            return -1;
        }
        if (g.kind != GEOMETRY_BILLBOARD) g.texture = 0;
    }
    if (count > 0) memcpy(items_out, items.data(), sizeof(GeometryItem) * (size_t)count);
    return count;
}
