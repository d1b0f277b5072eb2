// The bike setup lines kept in the configuration file.
#pragma once

struct DataFile;

// Returns 1 when key is a bike setup key (and takes its value), else 0.
int read_setup_line(const char* key, const char* value);
// Writes every bike setup line. Returns false when a write failed.
bool write_setup_lines(DataFile* file);

// The built-in stability values a new player starts from.
void apply_default_stability();
// The riding gear, helmet and graphics choices found in the data files.
void build_appearance_lists();
