#include "config/bike_setup.h"

// The bike setup items join the configuration here; until they exist no key
// is a setup key and no line is written.
int read_setup_line(const char*, const char*) { return 0; }

bool write_setup_lines(DataFile*) { return true; }

// Until the setup items exist the defaults and lists are empty.
void apply_default_stability() {}
void build_appearance_lists() {}
