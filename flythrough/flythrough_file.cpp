// The .flt file, the recording buffer and the per-frame camera step by mode.
#include "flythrough/flythrough_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "input/camera.h"
#include "state/camera_state.h"
#include "state/flythrough_state.h"
#include "state/overlay_state.h"

namespace {

// A load is read here first, so that a refused file changes nothing.
float read_speed[FLYTHROUGH_CAPACITY];
float read_yaw[FLYTHROUGH_CAPACITY];
float read_height[FLYTHROUGH_CAPACITY];
float read_dir_y[FLYTHROUGH_CAPACITY];

void set_mode(int normal, int record, int playback) {
    mode_normal = normal;
    mode_record = record;
    mode_playback = playback;
}

void play_sample() {
    int i = flythrough_frame;
    camera_speed = flythrough_speed[i];
    camera_height = flythrough_height[i];
    camera_yaw = flythrough_yaw[i];
    camera_dir_y = flythrough_dir_y[i];
    move_camera_eye((int)camera_speed);
    turn_camera_dir(camera_yaw);
    ++flythrough_frame;
}

void end_playback() {
    printf("Switching to Normal Mode\n");
    fflush(stdout);
    set_mode(1, 0, 0);
    message_visible = 0;
    camera_eye_x = camera_eye_y = camera_eye_z = 0.0f;
    camera_dir_x = camera_dir_y = camera_dir_z = 0.0f;
    camera_height = 0.0f;
    playback_reset_view = 0;
}

}  // namespace

bool begin_recording() {
    if (mode_record) return false;
    set_mode(0, 1, 0);
    flythrough_frame = 0;
    flythrough_full = 0;
    flythrough_start_eye[0] = camera_eye_x;
    flythrough_start_eye[1] = camera_eye_y;
    flythrough_start_eye[2] = camera_eye_z;
    flythrough_start_target[0] = camera_eye_x + camera_dir_x;
    flythrough_start_target[1] = camera_eye_y + camera_dir_y;
    flythrough_start_target[2] = camera_eye_z + camera_dir_z;
    return true;
}

void record_flythrough_sample() {
    if (flythrough_frame >= FLYTHROUGH_CAPACITY) {
        if (!flythrough_full) {
            flythrough_full = 1;
            printf("\nFlythrough full: %d frames recorded, no more are taken...SPACE to stop\n", FLYTHROUGH_CAPACITY);
            fflush(stdout);
            show_message("Flythrough full (%d frames)...SPACE to stop", FLYTHROUGH_CAPACITY);
        }
        return;
    }
    int i = flythrough_frame++;
    flythrough_speed[i] = camera_speed;
    flythrough_height[i] = camera_height;
    flythrough_yaw[i] = camera_yaw;
    flythrough_dir_y[i] = camera_dir_y;
}

bool write_flythrough_file(const char* path, char* error, size_t error_size) {
    FILE* file = fopen(path, "w");
    if (!file) {
        snprintf(error, error_size, "Cannot create %s: %s", path, strerror(errno));
        return false;
    }
    int n = flythrough_frame < FLYTHROUGH_CAPACITY ? flythrough_frame : FLYTHROUGH_CAPACITY;
    fprintf(file, "%d\n", n);
    fprintf(file, "%f %f %f %f %f %f\n", flythrough_start_eye[0], flythrough_start_eye[1], flythrough_start_eye[2],
            flythrough_start_target[0], flythrough_start_target[1], flythrough_start_target[2]);
    for (int i = 0; i < n; ++i) {
        fprintf(file, "%f %f %f %f\n", flythrough_speed[i], flythrough_yaw[i], flythrough_height[i],
                flythrough_dir_y[i]);
    }
    bool ok = !ferror(file);
    ok = fclose(file) == 0 && ok;
    if (!ok) snprintf(error, error_size, "Cannot write %s: %s", path, strerror(errno));
    return ok;
}

int read_flythrough_file(const char* path, char* error, size_t error_size) {
    FILE* file = fopen(path, "rb");
    if (!file) {
        snprintf(error, error_size, "Flythrough file not found %s", path);
        return 0;
    }
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
    for (int i = 0; i < n; ++i) {
        if (fscanf(file, "%f %f %f %f", &read_speed[i], &read_yaw[i], &read_height[i], &read_dir_y[i]) != 4) {
            fclose(file);
            snprintf(error, error_size, "%s: sample %d of %d is missing or does not scan", path, i + 1, n);
            return 0;
        }
    }
    fclose(file);
    memcpy(flythrough_speed, read_speed, sizeof(float) * n);
    memcpy(flythrough_yaw, read_yaw, sizeof(float) * n);
    memcpy(flythrough_height, read_height, sizeof(float) * n);
    memcpy(flythrough_dir_y, read_dir_y, sizeof(float) * n);
    memcpy(flythrough_start_eye, start, sizeof flythrough_start_eye);
    memcpy(flythrough_start_target, start + 3, sizeof flythrough_start_target);
    return n;
}

void begin_playback(int frame_count) {
    set_mode(0, 0, 1);
    flythrough_frame_count = frame_count;
    playback_reset_view = 1;
    flythrough_frame = 0;
}

bool step_frame_camera() {
    if (mode_normal || mode_record) {
        step_camera_pose();
        if (mode_record) record_flythrough_sample();
        return true;
    }
    if (!mode_playback) return true;
    if (playback_reset_view) {
        camera_eye_x = flythrough_start_eye[0];
        camera_eye_y = flythrough_start_eye[1];
        camera_eye_z = flythrough_start_eye[2];
        camera_dir_x = flythrough_start_target[0] - camera_eye_x;
        camera_dir_y = flythrough_start_target[1] - camera_eye_y;
        camera_dir_z = flythrough_start_target[2] - camera_eye_z;
        playback_reset_view = 0;
        return true;
    }
    // A loaded count is 1..8000; the bound keeps a stray state inside the arrays.
    if (flythrough_frame >= 0 && flythrough_frame < flythrough_frame_count && flythrough_frame < FLYTHROUGH_CAPACITY) {
        play_sample();
    }
    if (flythrough_frame >= flythrough_frame_count || flythrough_frame >= FLYTHROUGH_CAPACITY) {
        end_playback();
        return false;
    }
    return true;
}
