// The arrow-key callbacks and seeking: camera changes shown at once.
#pragma once

// Moves the eye 8/10 of the way to (x, y, z) in eight drawn frames.
void seek_to_point(float x, float y, float z);

// GLUT special-key and special-key-up callbacks (mouse position unused).
void on_special_key(int key, int x, int y);
void on_special_key_up(int key, int x, int y);
