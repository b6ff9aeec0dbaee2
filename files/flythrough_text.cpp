// The .flt flythrough file.
#include "files/flythrough_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "files/regular_file.h"

namespace {

// Playback moves the eye by the speed truncated to an int, so a speed must
// be finite and truncate into int's range; the pose values must be finite.
bool is_playable_sample(float speed, float yaw, float height, float dir_y) {
    return std::isfinite(yaw) && std::isfinite(height) && std::isfinite(dir_y) && std::isfinite(speed) &&
           std::fabs((double)speed) < FLYTHROUGH_SPEED_LIMIT;
}

}  // namespace

void print_flythrough_text(WholeFile* out, const FlythroughArrays& from, int count) {
    const int n = count < 0 ? 0 : count < FLYTHROUGH_CAPACITY ? count : FLYTHROUGH_CAPACITY;
    print_whole_file(out, "%d\n", n);
    print_whole_file(out, "%f %f %f %f %f %f\n", from.start_eye[0], from.start_eye[1], from.start_eye[2],
                     from.start_target[0], from.start_target[1], from.start_target[2]);
    for (int i = 0; i < n; ++i)
        print_whole_file(out, "%f %f %f %f\n", from.speed[i], from.yaw[i], from.height[i], from.dir_y[i]);
}

bool write_flythrough_text(const char* path, const FlythroughArrays& from, int count, char* error,
                           size_t error_size) {
    WholeFile out;
    if (!begin_whole_file(path, &out, error, error_size)) return false;
    print_flythrough_text(&out, from, count);
    return finish_whole_file(&out, error, error_size);
}

int read_flythrough_text(const char* path, const FlythroughArrays& into, char* error, size_t error_size) {
    FILE* file = fopen_regular_file(path, "Flythrough file", error, error_size);
    if (!file) return 0;
    int n = 0;
    float start[6];
    if (fscanf(file, "%d", &n) != 1 || n < 1 || n > FLYTHROUGH_CAPACITY) {
        fclose(file);
        snprintf(error, error_size, "%s: the frame count must be a number from 1 to %d", path, FLYTHROUGH_CAPACITY);
        return 0;
    }
    if (fscanf(file, "%f %f %f %f %f %f", &start[0], &start[1], &start[2], &start[3], &start[4], &start[5]) != 6) {
        fclose(file);
        snprintf(error, error_size, "%s: line 2 must hold the start eye and target (six numbers)", path);
        return 0;
    }
    for (float v : start) {
        if (!std::isfinite(v)) {
            fclose(file);
            snprintf(error, error_size, "%s: line 2, the start eye and target, holds a number that is not finite",
                     path);
            return 0;
        }
    }
    // The samples are read here first, so that a refused file changes nothing.
    std::vector<float> samples(4 * (size_t)n);
    float* read_speed = samples.data();
    float* read_yaw = read_speed + n;
    float* read_height = read_yaw + n;
    float* read_dir_y = read_height + n;
    for (int i = 0; i < n; ++i) {
        if (fscanf(file, "%f %f %f %f", &read_speed[i], &read_yaw[i], &read_height[i], &read_dir_y[i]) != 4) {
            fclose(file);
            snprintf(error, error_size, "%s: sample %d of %d is missing or does not scan", path, i + 1, n);
            return 0;
        }
        if (!is_playable_sample(read_speed[i], read_yaw[i], read_height[i], read_dir_y[i])) {
            fclose(file);
            snprintf(error, error_size,
                     "%s: sample %d of %d holds a number that is not finite or a speed beyond +-%.0f", path, i + 1,
                     n, FLYTHROUGH_SPEED_LIMIT);
            return 0;
        }
    }
    fclose(file);
    memcpy(into.speed, read_speed, sizeof(float) * n);
    memcpy(into.yaw, read_yaw, sizeof(float) * n);
    memcpy(into.height, read_height, sizeof(float) * n);
    memcpy(into.dir_y, read_dir_y, sizeof(float) * n);
    memcpy(into.start_eye, start, sizeof(float) * 3);
    memcpy(into.start_target, start + 3, sizeof(float) * 3);
    return n;
}
