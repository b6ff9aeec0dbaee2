// The asset submenus' GLUT entries.
#include "app/asset_menus.h"

#include <GL/glut.h>
#include <cstdio>

void add_asset_menu_entry(const char* name, int value) { glutAddMenuEntry(name, value); }

void empty_asset_menu(int menu) {
    glutSetMenu(menu);
    int n = glutGet(GLUT_MENU_NUM_ITEMS);
    printf("BEfore: numitems %d\n", n);
    for (int i = 0; i < n; ++i) glutRemoveMenuItem(1);
    printf("After: numitems %d\n", glutGet(GLUT_MENU_NUM_ITEMS));
}
