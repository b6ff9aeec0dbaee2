// Writing a set of files so that each appears only once all of them are complete.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// One file of the set: written under a temporary name beside its final one.
struct OutputFile {
    std::string final_path;
    std::string temporary_path;  // hidden, and named so that no asset menu lists it
    std::FILE* file;             // open for writing until the set is finished or discarded
};

struct OutputSet {
    std::vector<OutputFile> files;
};

// Creates a temporary file beside each final path. False with a message
// (naming the folder and the system's reason) when one cannot be created;
// then nothing is left behind. An interrupt or termination signal from now
// on deletes the temporaries before the process ends.
bool open_output_set(OutputSet* set, const std::vector<std::string>& final_paths, std::string* error);

// Closes every file, checking that all bytes reached the disk, then renames
// each over its final name (replacing an older one). False with a message if
// a close fails (nothing is renamed and the temporaries are deleted) or a
// rename fails (later temporaries are deleted).
bool finish_output_set(OutputSet* set, std::string* error);

// Closes and deletes every temporary file; safe after finish or twice.
void discard_output_set(OutputSet* set);
