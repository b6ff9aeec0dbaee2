// The per-frame camera mode machine: normal, recording and playback.
#include "flythrough/frame_modes.h"

#include <cstdio>

#include "camera/camera.h"
#include "state/camera_state.h"
#include "state/flythrough_state.h"
#include "state/overlay_state.h"

namespace {

void end_playback() {
    printf("Switching to Normal Mode\n");
    fflush(stdout);
    set_camera_mode(CAMERA_NORMAL);
    hide_message();
    return_camera_to_origin();
    playback_reset_view = 0;
}

}  // namespace

void set_camera_mode(CameraMode mode) {
    mode_normal = mode == CAMERA_NORMAL;
    mode_record = mode == CAMERA_RECORD;
    mode_playback = mode == CAMERA_PLAYBACK;
}

bool begin_recording() {
    if (mode_record) return false;
    set_camera_mode(CAMERA_RECORD);
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

bool stop_recording() {
    if (!mode_record) return false;
    hide_message();
    set_camera_mode(CAMERA_NORMAL);
    return true;
}

void begin_playback(int frame_count) {
    set_camera_mode(CAMERA_PLAYBACK);
    flythrough_frame_count = frame_count;
    playback_reset_view = 1;
    flythrough_frame = 0;
}

void set_flythrough_sample(int i, float speed, float yaw, float height, float dir_y) {
    if (i < 0 || i >= FLYTHROUGH_CAPACITY) return;
    flythrough_speed[i] = speed;
    flythrough_yaw[i] = yaw;
    flythrough_height[i] = height;
    flythrough_dir_y[i] = dir_y;
}

void set_flythrough_start(const float eye[3], const float target[3]) {
    for (int k = 0; k < 3; ++k) {
        flythrough_start_eye[k] = eye[k];
        flythrough_start_target[k] = target[k];
    }
}

void set_flythrough_length(int count) {
    flythrough_frame = count < 0 ? 0 : count > FLYTHROUGH_CAPACITY ? FLYTHROUGH_CAPACITY : count;
}

void record_flythrough_sample() {
    if (flythrough_frame >= FLYTHROUGH_CAPACITY) {
        if (!flythrough_full) {
            flythrough_full = 1;
            report_problem("Flythrough full (%d frames)...SPACE to stop", FLYTHROUGH_CAPACITY);
        }
        return;
    }
    int i = flythrough_frame++;
    flythrough_speed[i] = camera_speed;
    flythrough_height[i] = camera_height;
    flythrough_yaw[i] = camera_yaw;
    flythrough_dir_y[i] = camera_dir_y;
}

bool step_frame_camera() {
    if (mode_normal || mode_record) {
        step_camera_pose();
        if (mode_record) record_flythrough_sample();
        return true;
    }
    if (!mode_playback) return true;
    if (playback_reset_view) {
        point_camera(flythrough_start_eye, flythrough_start_target);
        playback_reset_view = 0;
        return true;
    }
    // A loaded count is 1..8000; the bound keeps a stray state inside the arrays.
    int i = flythrough_frame;
    if (i >= 0 && i < flythrough_frame_count && i < FLYTHROUGH_CAPACITY) {
        play_camera_sample(flythrough_speed[i], flythrough_height[i], flythrough_yaw[i], flythrough_dir_y[i]);
        ++flythrough_frame;
    }
    if (flythrough_frame >= flythrough_frame_count || flythrough_frame >= FLYTHROUGH_CAPACITY) {
        end_playback();
        return false;
    }
    return true;
}
