// Recording, saving and playing flythroughs from the user interface.
#pragma once

// "Record Flythrough": starts a recording (or says "Already in Record!")
// and shows "Recording...SPACE to stop". While the last recording waits for
// its name it is refused with a message, so its samples are kept.
void start_recording();

// Writes the recorded samples to `path`. A file already there is replaced,
// and the message line says so ("Replaced Flythrough/NAME.flt" for
// "./Flythrough/NAME.flt"). A file that cannot be written is reported on the
// console and the message line and false is returned; the samples stay in
// memory.
bool save_flythrough(const char* path);

// Plays ./Flythrough/<name>. A file that cannot be played is reported on the
// console and the message line, and the current mode goes on.
// `from_menu` adds the console line "Opening Flythrough File: %s". While a
// recording runs or waits for its name the load is refused with a message, so
// that the recorded samples are not overwritten.
bool load_flythrough(const char* name, bool from_menu);

// Flythrough submenu handler: plays the file with that menu value.
void on_flythrough_menu(int value);
