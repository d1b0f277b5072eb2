// The menu screens drawn over the view and the keys they take.
#pragma once

void draw_menus(int menu);
void menu_handle_key(int menu, int code);
// Moves the selection to the item under the pointer.
void menu_select_under_pointer(int menu, int* item);
