// Reading the terrain model file (a subset of OBJ: "v", "vt" and "f" lines).
//
// Pure file parsing and maths, no GL: the loader and the tests call these.
#pragma once

#include <cstddef>

#include "files/parallel.h"
#include "files/terrain_records.h"

constexpr int TERRAIN_LINE_CHUNK = 99;   // a longer line is split and its rest read as a line of its own
constexpr int TERRAIN_ERROR_SIZE = 256;  // bytes of an error message buffer
constexpr int TERRAIN_LEAST_VERTEX_LINE = 7;  // bytes of the shortest vertex line that parses ("v 1-1-1")
constexpr int TERRAIN_LEAST_FACE_LINE = 19;   // bytes of the shortest face line ("f 1/1/1 1/1/1 1/1/1")
constexpr size_t TERRAIN_SMALL_ARRAYS = 1 << 20;  // arrays up to this many bytes are allocated without the room check

// A terrain read from a file, not yet installed as the global mesh.
struct TerrainParse {
    TerrainVertex* vertices;  // vertex_count records (malloc'ed), or null
    TerrainFace* faces;       // face_count records (malloc'ed), or null
    int vertex_count;         // number of "v " lines
    int face_count;           // number of "f " lines
    float min_x, max_x, min_y, max_y, min_z, max_z;  // extents; each range contains 0
};

// The whole contents of a terrain file, held in memory for both passes.
struct TerrainText {
    const char* data;  // file bytes, not NUL-terminated
    size_t size;       // number of bytes
    void* mapping;     // private to open/close
    size_t mapping_size;
};

// Opens `path` and makes its bytes available. Returns false (text left empty)
// with a message in `error` (if given) when the file cannot be opened or read
// ("DEM file not found <path>") or is not a regular file; a named pipe is
// refused without waiting on it.
bool open_terrain_text(const char* path, TerrainText* text, char* error = nullptr, size_t error_size = 0);

// Releases what open_terrain_text obtained; safe on an empty text.
void close_terrain_text(TerrainText* text);

// Hands back the mapped pages lying wholly inside [from, to) of `text`: a
// mapped page counts as resident while mapped, and a pass over a large file
// would otherwise hold all of it beside the arrays it fills. The bytes stay
// readable (touched again, they come back from the page cache); nothing for
// a text that is not mapped or a null `text`.
void release_terrain_text_pages(const TerrainText* text, const char* from, const char* to);

constexpr int TERRAIN_TEXT_PARTS = MOST_PARALLEL_PARTS;  // the counting and parsing passes run one thread per part

// What the counting pass found, part by part. The text is cut at line starts,
// where the 99-character chunks restart, so every part is chunked exactly as
// a read of the whole file chunks it.
struct TerrainCounts {
    int parts;                                  // parts the text is cut into: count_parallel_parts()
    size_t part_start[TERRAIN_TEXT_PARTS + 1];  // byte offsets; part p is [part_start[p], part_start[p + 1]); the last is the size
    int vertices[TERRAIN_TEXT_PARTS];           // "v " lines per part
    int texcoords[TERRAIN_TEXT_PARTS];          // "vt" lines per part
    int faces[TERRAIN_TEXT_PARTS];              // "f " lines per part
    long line_feeds[TERRAIN_TEXT_PARTS];        // line feeds per part (for the line numbers of messages)
    int vertex_count;                           // "v " lines in all
    int face_count;                             // "f " lines in all
};

constexpr size_t TERRAIN_CUT_BALANCED = (size_t)-1;  // cut where both parts have as much to parse

// Counting pass, on every core: the number of "v ", "vt" and "f " lines,
// with long lines split as the parser splits them. Part k starts at the first
// line start at or after k x `cut` (any value is allowed), or, given
// TERRAIN_CUT_BALANCED, where the parsing work splits evenly. Returns false
// when a count would exceed INT_MAX. Given the `mapped` text that `data` is,
// hands back its pages as it goes.
bool count_terrain_lines(const char* data, size_t size, size_t cut, TerrainCounts* counts,
                         const TerrainText* mapped = nullptr);

// Before anything is allocated: a terrain needs at least one vertex and one
// face, and, when its arrays would pass TERRAIN_SMALL_ARRAYS, `size` bytes
// must have room for the counted lines. Returns false with a message naming
// `name` otherwise.
bool check_terrain_counts(size_t size, int vertex_count, int face_count, const char* name, char* error,
                          size_t error_size);

// Allocates zeroed arrays at the counted sizes into `parse` (counts set,
// extents 0). Returns false if memory runs out (nothing left allocated).
bool allocate_terrain_parse(TerrainParse* parse, int vertex_count, int face_count);

// Parsing pass over the counted text, one thread per part: fills vertices,
// texture coordinates and faces, computes face normals and the per-vertex
// face lists (faces in file order), then the extents. The result is the same
// as one pass over the whole file would give, wherever the parts were cut.
// Returns false with a message in `error` (naming `name` and the line) for
// the first input in the file it refuses: numbers out of range, corner words
// without three numbers, "vt" lines beyond the vertices, a ninth face at a
// vertex (messages "MORE THAN 8 faces per vertex...model type unsuitable" and
// "This is the error", by the corner that overflows), or lines whose numbers
// do not scan. Given the `mapped` text that `data` is, hands back its pages
// as it goes.
bool parse_terrain_lines(const char* data, size_t size, const char* name, const TerrainCounts* counts,
                         TerrainParse* parse, char* error, size_t error_size, const TerrainText* mapped = nullptr);

// A terrain file being read: its bytes and the counts of the counting pass.
struct TerrainRead {
    const char* path;      // the file, as named in messages
    TerrainText text;      // its bytes
    TerrainCounts counts;  // the counting pass, part by part
    int vertex_count;      // "v " lines
    int face_count;        // "f " lines
};

// The steps of every terrain load, in order (the loader prints its progress
// between them):
// 1. Opens `path`, counts its lines and checks the counts (check_terrain_counts).
//    Returns false with a message ("DEM file not found <path>", not a regular
//    file, too many lines, no vertices or faces, too few bytes for the
//    lines), leaving nothing open.
bool begin_terrain_read(const char* path, TerrainRead* read, char* error, size_t error_size);
// 2. Allocates the arrays at the counted sizes and parses into them. Returns
//    false with a message ("COULD NOT ALLOCATE MEMORY!" or a refusal naming
//    the line) and `parse` empty.
bool parse_terrain_read(TerrainRead* read, TerrainParse* parse, char* error, size_t error_size);
// 3. Releases the file's bytes; safe after a failed step 1 or 2.
void end_terrain_read(TerrainRead* read);
// 4. average_vertex_normals (terrain/normals.h) on the parsed arrays.

// Steps 1 to 4 without GL or console output, for tools and tests. On failure
// returns false with a message and leaves `parse` empty.
bool read_terrain_file(const char* path, TerrainParse* parse, char* error, size_t error_size);

// Frees the arrays of a parse and empties it.
void free_terrain_parse(TerrainParse* parse);
