// Writing a set of files so that each appears only once all of them are complete.
#pragma once

#include <string>
#include <vector>

#include "files/whole_file.h"

constexpr int MOST_OUTPUT_FILES = 8;  // a set holds at most a terrain, a drape and a map with their info files

struct OutputSet {
    WholeFile files[MOST_OUTPUT_FILES];  // the saves, in the order of their final paths
    int count;                           // saves begun and not yet finished or discarded
};

// Begins a save (files/whole_file.h) of each final path. False with a message
// (naming the file and the system's reason) when one cannot be begun; then
// nothing is left behind. An interrupt or termination signal from now on
// deletes the temporaries before the process ends.
bool open_output_set(OutputSet* set, const std::vector<std::string>& final_paths, std::string* error);

// Completes every file (all bytes on the disk), then renames each over its
// final name (replacing an older one). False with a message if a write fails
// (nothing is renamed and the temporaries are deleted) or a rename fails
// (later temporaries are deleted).
bool finish_output_set(OutputSet* set, std::string* error);

// Deletes every temporary file; safe after finish, twice, and on a set that
// open_output_set never filled.
void discard_output_set(OutputSet* set);

// The first of `inputs` that one of `outputs` is (the same file, through
// links too, or the path an output would take), or "" when none is; *output
// says which output. A run refuses to write over what it reads.
std::string find_replaced_input(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs,
                                std::string* output);
