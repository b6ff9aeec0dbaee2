// The one table of key commands: each key's meaning, when it applies and its
// help line, as the tray table holds the trays' buttons.
#pragma once

// When a command applies.
enum KeyGate {
    KEY_GATE_ALWAYS,     // whenever no name is being typed
    KEY_GATE_TRANSFORM,  // only in the geometry transform mode (the item turns)
};

constexpr int KEY_ANY_MODIFIERS = -1;  // the row takes every modifier state; its operation reads them

struct KeyCommand {
    int key;                                  // the character GLUT passes, or a special key's code
    bool special;                             // key is a GLUT special key (arrows, F12)
    int modifiers;                            // modifier bits the row is for, or KEY_ANY_MODIFIERS
    KeyGate gate;                             // when it applies
    void (*operation)(int key, int modifiers);
    const char* help;                         // what it does, in a line
};

extern const KeyCommand KEY_COMMANDS[];
extern const int KEY_COMMAND_COUNT;

// The row for this key, or null for a key that does nothing. Character keys
// arrive with their shift already applied ('S', not 's' with Shift), so
// their rows take any modifiers.
const KeyCommand* find_key_command(int key, bool special, int modifiers);

// Runs the key's command if its gate is open; false when it has none or
// its gate is closed.
bool run_key_command(int key, bool special, int modifiers);
