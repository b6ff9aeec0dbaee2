// Writing a set of files so that each appears only once all of them are complete.
#include "import/output_set.h"

#include "files/same_file.h"

bool open_output_set(OutputSet* set, const std::vector<std::string>& final_paths, std::string* error) {
    set->count = 0;
    if (final_paths.size() > (size_t)MOST_OUTPUT_FILES) {
        *error = "too many output files";
        return false;
    }
    remove_temporaries_on_stop_signals();
    for (const std::string& path : final_paths) {
        char message[WHOLE_FILE_PATH_SIZE + 128];
        if (!begin_whole_file(path.c_str(), &set->files[set->count], message, sizeof message)) {
            *error = message;
            discard_output_set(set);
            return false;
        }
        ++set->count;
    }
    return true;
}

bool finish_output_set(OutputSet* set, std::string* error) {
    char message[WHOLE_FILE_PATH_SIZE + 128];
    bool ok = true;
    for (int i = 0; ok && i < set->count; ++i) ok = complete_whole_file(&set->files[i], message, sizeof message);
    for (int i = 0; ok && i < set->count; ++i) ok = finish_whole_file(&set->files[i], message, sizeof message);
    if (!ok) *error = message;
    discard_output_set(set);
    return ok;
}

void discard_output_set(OutputSet* set) {
    for (int i = 0; i < set->count; ++i) discard_whole_file(&set->files[i]);
    set->count = 0;
}

std::string find_replaced_input(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs,
                                std::string* output) {
    for (const std::string& input : inputs)
        for (const std::string& path : outputs)
            if (is_same_file(path.c_str(), input.c_str())) {
                *output = path;
                return input;
            }
    return "";
}
