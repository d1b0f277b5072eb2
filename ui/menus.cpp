#include "ui/menus.h"

// Until the menus are built they draw nothing and take no key.
void draw_menus(int) {}
void menu_handle_key(int, int) {}
void menu_select_under_pointer(int, int*) {}
