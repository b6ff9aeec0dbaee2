// The flying camera (CameraPose) and the movement parameters.
//
// Owns: eye, look direction, height, heading, turn accumulators, speeds,
// move_speed, height_step, turn_step.
// Lifetime: the pose all zero at start; never reset by a terrain load (the
// loader only replaces move_speed and height_step).
// Writers: camera/ alone (camera.cpp, seek.cpp): the keys, the joystick, the
// frame's mode machine, playback and placement all call its operations; each
// load's terrain settings (terrain/terrain_mesh.cpp) set move_speed and
// height_step.
#pragma once

constexpr float LOOK_STEP = 0.25f;     // change of camera_dir_y per Alt+Up / Alt+Down
constexpr float ADVANCE_SCALE = 0.1f;  // distance per unit of speed per frame

extern float camera_eye_x, camera_eye_y, camera_eye_z;  // eye position, world units; unbounded
extern float camera_dir_x, camera_dir_y, camera_dir_z;  // look direction, not normalised; y is a free look-up component
extern float camera_height;       // eye height, world units; copied into camera_eye_y when the eye advances; unbounded
extern float camera_yaw;          // heading in radians, turn_right - turn_left; 0 looks along -z
extern float camera_turn_left;    // accumulated left turns, radians; only grows
extern float camera_turn_right;   // accumulated right turns, radians; only grows
extern float camera_fwd_speed;    // forward speed while Up is held; 0 or move_speed
extern float camera_back_speed;   // backward speed while Down is held; 0 or move_speed
extern float camera_speed;        // speed of the current frame: fwd - back

extern int move_speed;    // speed given to fwd/back while held; set from the terrain width by each load
extern int height_step;   // height change of one raise/lower step; set from the terrain height range by each load
extern float turn_step;   // radians per turn step; 0.05, never changed

// Puts every variable of the group back to its start value: the eye at the
// origin at rest, move_speed 75, height_step 5.
void reset_camera_state();
