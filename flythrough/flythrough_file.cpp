// Reading and writing .flt flythrough files: the sample buffer and start pose
// of the flythrough state.
#include "flythrough/flythrough_file.h"

#include "files/flythrough_text.h"
#include "state/flythrough_state.h"

FlythroughArrays flythrough_state_arrays() {
    return {flythrough_speed, flythrough_yaw, flythrough_height, flythrough_dir_y, flythrough_start_eye,
            flythrough_start_target};
}

bool write_flythrough_file(const char* path, char* error, size_t error_size) {
    return write_flythrough_text(path, flythrough_state_arrays(), flythrough_frame, error, error_size);
}

int read_flythrough_file(const char* path, char* error, size_t error_size) {
    return read_flythrough_text(path, flythrough_state_arrays(), error, error_size);
}
