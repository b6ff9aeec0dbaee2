// Listing the asset directories and filling the name tables.
#include "files/asset_dir.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

struct AssetDir {
    std::vector<std::string> names;  // every entry, sorted
    size_t next;                     // index of the name read_dir returns next
};

AssetDir* open_dir(const char* directory) {
    DIR* handle = opendir(directory);
    if (!handle) return nullptr;
    AssetDir* dir = new AssetDir{{}, 0};
    while (const dirent* entry = readdir(handle)) dir->names.push_back(entry->d_name);
    closedir(handle);
    std::sort(dir->names.begin(), dir->names.end());
    return dir;
}

const char* read_dir(AssetDir* dir) {
    if (!dir || dir->next >= dir->names.size()) return nullptr;
    return dir->names[dir->next++].c_str();
}

void close_dir(AssetDir* dir) { delete dir; }

int scan_asset_names(const char* directory, const char* extension, AssetName* menu_names, AssetName* panel_names,
                     void (*add_entry)(const char* name, int value)) {
    AssetDir* dir = open_dir(directory);
    if (!dir) return -1;
    // A rescan replaces the lists whole, so files deleted since leave no rows behind.
    memset(menu_names, 0, sizeof(AssetName) * MENU_TABLE_ROWS);
    memset(panel_names, 0, sizeof(AssetName) * PANEL_TABLE_ROWS);
    int value = FIRST_MENU_VALUE - 1;
    int skipped = 0;
    while (const char* name = read_dir(dir)) {
        if (!strstr(name, extension)) continue;
        if (strlen(name) >= (size_t)ASSET_NAME_SIZE) {
            printf("\nSkipping %s/%.40s...: names are limited to %d characters\n", directory, name, ASSET_NAME_SIZE - 1);
            continue;
        }
        if (value >= LAST_MENU_VALUE) {
            ++skipped;
            continue;
        }
        ++value;
        snprintf(menu_names[value], ASSET_NAME_SIZE, "%s", name);
        snprintf(panel_names[value - 1], ASSET_NAME_SIZE, "%s", name);
        if (add_entry) add_entry(name, value);
    }
    close_dir(dir);
    if (skipped > 0) {
        printf("\n%s: %d more %s files than the menu can list; they are left out\n", directory, skipped, extension);
    }
    fflush(stdout);
    return value - (FIRST_MENU_VALUE - 1);
}
