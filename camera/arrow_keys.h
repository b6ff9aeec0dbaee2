// GLUT's arrow-key codes and modifier bits, named once so that code without
// GLUT (the camera, the trays' disk arrows) can use them;
// input/camera_keys_gl.cpp checks them against GLUT's own.
#pragma once

constexpr int KEY_LEFT = 100;   // GLUT_KEY_LEFT
constexpr int KEY_UP = 101;     // GLUT_KEY_UP
constexpr int KEY_RIGHT = 102;  // GLUT_KEY_RIGHT
constexpr int KEY_DOWN = 103;   // GLUT_KEY_DOWN
constexpr int KEY_F12 = 12;     // GLUT_KEY_F12

constexpr int MOD_SHIFT = 1;  // GLUT_ACTIVE_SHIFT
constexpr int MOD_CTRL = 2;   // GLUT_ACTIVE_CTRL
constexpr int MOD_ALT = 4;    // GLUT_ACTIVE_ALT
