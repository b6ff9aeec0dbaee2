// The arrow-key callbacks: camera changes shown at once.
#pragma once

// GLUT special-key and special-key-up callbacks (mouse position unused).
void on_special_key(int key, int x, int y);
void on_special_key_up(int key, int x, int y);
