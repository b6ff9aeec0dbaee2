// Listing the asset directories: a directory iterator and the scan that
// fills the name tables (no GL; the menu side passes a function that adds
// each entry to its GLUT menu).
#pragma once

constexpr int ASSET_NAME_SIZE = 100;    // bytes of one name (at most 99 characters)
constexpr int MENU_TABLE_ROWS = 100;    // menu values 2..99 hold files
constexpr int PANEL_TABLE_ROWS = 200;   // panel rows from 1
constexpr int FIRST_MENU_VALUE = 2;
constexpr int LAST_MENU_VALUE = MENU_TABLE_ROWS - 1;

typedef char AssetName[ASSET_NAME_SIZE];

struct AssetDir;

// Opens a directory for listing; null if it cannot be listed. Names come in
// alphabetical (byte) order, "." and ".." included.
AssetDir* open_dir(const char* directory);

// The next entry name, or null when there are no more. The pointer stays
// valid until the next call or close_dir.
const char* read_dir(AssetDir* dir);

// Ends a listing; safe on null.
void close_dir(AssetDir* dir);

// Lists `directory` and, starting from empty tables, for every name that contains `extension` (a
// case-sensitive substring), gives it the next menu value from 2: the name
// goes to menu_names[value] and panel_names[value - 1], and add_entry(name,
// value) is called when add_entry is not null. At most 98 names fit; names
// beyond that or longer than 99 characters are skipped with a console note.
// Returns the number of names listed, or -1 if the directory cannot be listed.
int scan_asset_names(const char* directory, const char* extension, AssetName* menu_names, AssetName* panel_names,
                     void (*add_entry)(const char* name, int value));
