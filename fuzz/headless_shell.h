// What the fuzz driver sets in the GL stand-ins of headless_shell.cpp.
#pragma once

// The GLUT modifier bits the mouse's GL half reports for the next press.
extern int shell_modifier_keys;
