// Finding the shipped game data and checking the fixed files that every
// multiplayer client must share.
#pragma once
#include <string>

// RIPEMD-160 of the first MiB of a plain file, read in 256-byte blocks;
// empty when the file cannot be opened.
std::string data_set_digest(const std::string& path);

// The index of the first data folder whose "zzzz.saf" has this digest, or
// -1 when none has.
int find_game_data(const char* expected_digest);

// RIPEMD-160 of the seven bike shapes read through the data files, in a
// fixed order; a missing file is skipped.
std::string fixed_file_digest();
bool fixed_files_match(const char* expected_digest);
