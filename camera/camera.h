// The flying camera: pose operations (every change of the camera state goes
// through these) and the view transform.
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

// One recorded sample drives the camera: speed, height, heading and look
// pitch are taken over, then the eye moves and turns as in step_camera_pose.
void play_camera_sample(float speed, float height, float yaw, float dir_y);

// Moves the eye 8/10 of the way to (x, y, z) in eight shown frames.
void seek_to_point(float x, float y, float z);

// Puts the eye at `eye` looking towards `target` (three floats each).
void point_camera(const float eye[3], const float target[3]);

// Eye, look direction and height back to 0; turns and speeds are kept.
void return_camera_to_origin();

// A terrain chosen in the file panel: the eye's z and the look direction go
// back to 0 (x, height, turns and speeds stay).
void clear_camera_depth_and_direction();

// Sets the held forward and backward speeds.
void set_camera_speeds(float fwd, float back);

// camera_height += amount (unbounded).
void change_camera_height(float amount);

// camera_dir_y += amount: positive looks up (unbounded).
void tilt_camera(float amount);

// Adds one turn_step to the left or right turn accumulator.
void turn_camera_left();
void turn_camera_right();

// Applies an arrow key with the given GLUT modifier mask to the camera state.
// Returns true when the key starts motion and a frame should be drawn at once.
bool apply_special_key(int key, int modifiers);

// Applies an arrow key release: Up and Down stop their speed.
void apply_special_key_up(int key);

// The nine gluLookAt arguments of the current pose (eye, centre, up).
void camera_look_at(double out[9]);

// --- Changes the view follows at once (the state as above, then apply_view) ---

// An arrow key pressed (a key or a disk arrow) with GLUT modifier bits: the
// camera changes as apply_special_key says, the view follows a height change
// at once, and a frame is shown when motion starts.
void press_arrow_key(int key, int modifiers);

// camera_height +/- height_step, the eye moved to it, then apply_view.
void raise_camera();
void lower_camera();

// --- The view transform (GL) ---

// Loads the identity and the camera's look-at on the modelview matrix.
void apply_view();
