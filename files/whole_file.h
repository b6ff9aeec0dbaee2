// Saving a file whole or not at all (no GL): the bytes go to a temporary file
// made beside the target, which takes the target's name only once complete.
// Every save of the programs goes through here.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <thread>

constexpr size_t WHOLE_FILE_PATH_SIZE = 4096;  // bytes of a target or temporary path
constexpr size_t WHOLE_FILE_FIRST_BLOCK = 64 << 10;  // bytes gathered before the first write: most saves are small
constexpr size_t WHOLE_FILE_BLOCK = 4 << 20;         // bytes gathered before each later write
constexpr size_t WHOLE_FILE_LINE = 1024;       // most bytes one print_whole_file call adds
// A save's temporary file is "<folder>/.kestrolane-<pid>-<six letters>.tmp":
// hidden and without an asset extension, so no menu lists it, and named by
// the process that made it, so that a later start can sweep it once that
// process is gone.
constexpr const char* SAVE_TEMPORARY_PREFIX = ".kestrolane";
constexpr const char* SAVE_TEMPORARY_SUFFIX = ".tmp";
constexpr int TEMPORARY_LETTERS = 6;  // random letters in a temporary name
constexpr const char* TEMPORARY_FOLDER = "/tmp";  // where a run's helper files go (keys, message logs)

struct WholeFile {
    int fd;                    // the temporary file, open for writing; -1 when none is open
    int failure;               // errno of the first failed write or sync; 0 while all went well
    long long size;            // bytes handed to the file so far (all of them once finished)
    char* blocks[2];           // the block being filled, and the one the writer thread writes
    size_t block_size;         // bytes each block holds: WHOLE_FILE_FIRST_BLOCK, then WHOLE_FILE_BLOCK
    int current;               // index of the block being filled
    char* end;                 // end of the bytes in the current block
    std::thread writer;        // writes the other block; joined before that block is reused
    int writer_failure;        // errno of the writer thread's failure, read after joining it
    int pending_slot;          // entry in the list a stop signal removes; -1 when not listed
    bool completed;            // every byte is written and synced; only the rename is left
    char temporary[WHOLE_FILE_PATH_SIZE];  // the temporary file's path
    char target[WHOLE_FILE_PATH_SIZE];     // the path it becomes
};

// Starts a save of `path`: creates its temporary file exclusively beside it
// (a name that exists, as a file or a link, is never opened; another name is
// tried), with the mode and owner of the file it replaces. Refuses, leaving
// nothing behind, a target that exists and is not a regular file, and a
// folder that cannot take a new file ("Cannot create <path>: <reason>"), and
// a file the user may not write or that no one may write ("Cannot replace
// <path>: <reason>").
bool begin_whole_file(const char* path, WholeFile* out, char* error, size_t error_size);

// Room for `bytes` (at most WHOLE_FILE_LINE) at the end of the file: write
// them from the returned pointer, then call advance_whole_file with their end.
char* reserve_whole_file(WholeFile* out, size_t bytes);

// The bytes up to `end` (inside what reserve_whole_file gave) are part of the file.
inline void advance_whole_file(WholeFile* out, char* end) { out->end = end; }

// Adds `size` bytes to the file.
void append_whole_file(WholeFile* out, const void* data, size_t size);

// Adds printf-formatted text of at most WHOLE_FILE_LINE bytes (more is cut).
void print_whole_file(WholeFile* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Writes out everything added and makes it durable, leaving the temporary
// file complete under its own name (for a set of files that are renamed
// together). Returns false with "Cannot write <path>: <reason>" when a write
// failed; the temporary file is then removed and the target left as it was.
bool complete_whole_file(WholeFile* out, char* error, size_t error_size);

// Completes the file (if not done yet) and renames it over the target. On
// failure the temporary file is removed, the target stays byte for byte as
// it was, and false comes back with "Cannot write <path>: <reason>". out->size
// then holds the bytes written.
bool finish_whole_file(WholeFile* out, char* error, size_t error_size);

// Abandons the save: the temporary file is closed and removed; the target is
// untouched. Safe after finish, after a failure, and twice.
void discard_whole_file(WholeFile* out);

// Creates a new file "<folder>/<prefix>-<pid>-<letters><suffix>" ("" is the
// working folder) with O_CREAT | O_EXCL | O_NOFOLLOW, so that neither an
// existing file nor a link is ever opened, trying other letters while a name
// is taken. Returns a descriptor open for writing (close-on-exec) with the
// path in `path`, or -1 with errno set.
int create_temporary_file(const char* folder, const char* prefix, const char* suffix, mode_t mode, char* path,
                          size_t path_size);

// Removes from `folder` the regular files of this user that
// create_temporary_file named with `prefix` and `suffix` for a process that no
// longer runs; files of a running process and everything else stay. Returns
// how many it removed.
int sweep_stale_temporaries(const char* folder, const char* prefix, const char* suffix);

// Removes from `folder` the saves' temporary files left by processes that no
// longer run (sweep_stale_temporaries with the saves' prefix and suffix).
int sweep_stale_saves(const char* folder);

// The folder part of `path`: "" for the working folder, "/" for the root.
void copy_folder(const char* path, char* folder, size_t size);

// Removes the temporary files of the saves in progress. Safe in a signal
// handler.
void remove_pending_temporaries();

// From now on SIGINT, SIGTERM and SIGHUP run `before_exit` (if given; it
// must be safe in a signal handler), remove the temporary files of the saves
// in progress, and end the process as the signal would end it.
void remove_temporaries_on_stop_signals(void (*before_exit)() = nullptr);

// For tests: the letters of the following temporary names come from
// make(letters, count) instead of the random source; null restores it.
void set_temporary_letters_for_test(void (*make)(char* letters, int count));
