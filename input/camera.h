// The flying camera: pose changes, the view transform and the arrow keys.
#pragma once

// --- Pose changes without GL (tests call these) ---

// Moves the eye `steps` x 0.1 along the level look direction and sets the eye
// height to camera_height.
void move_camera_eye(int steps);

// Sets the level look direction for heading `yaw` (radians, 0 looks along -z);
// camera_dir_y is kept.
void turn_camera_dir(float yaw);

// One frame of held motion in normal mode: combines the held speeds and disk
// arrows into camera_speed and camera_yaw, moves, then turns.
void step_camera_pose();

// Applies an arrow key with the given GLUT modifier mask to the camera state.
// Returns true when the key starts motion and a frame should be drawn at once.
bool apply_special_key(int key, int modifiers);

// Applies an arrow key release: Up and Down stop their speed.
void apply_special_key_up(int key);

// The nine gluLookAt arguments of the current pose (eye, centre, up).
void camera_look_at(double out[9]);

// --- GL and callbacks ---

// Loads the identity and the camera's look-at on the modelview matrix.
void apply_view();

// move_camera_eye, then apply_view.
void advance_camera(int steps);

// turn_camera_dir, then apply_view.
void aim_camera(float yaw);

// camera_height +/- height_step, then advance_camera(0).
void raise_camera();
void lower_camera();

// Moves the eye 8/10 of the way to (x, y, z) in eight drawn frames.
void seek_to_point(float x, float y, float z);

// GLUT special-key and special-key-up callbacks (mouse position unused).
void on_special_key(int key, int x, int y);
void on_special_key_up(int key, int x, int y);
