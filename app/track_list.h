// The tracks and demos found among the data files, as (name, display name)
// pairs for the choosers.
#pragma once
#include <string>
#include <vector>

struct ListedName {
  std::string name;     // track folder, or demo file name
  std::string display;  // shown in the chooser
};

// Every folder holding a "terrain.hf" (or a compressed/enciphered variant),
// named by the first line of its "desc" file when it has one, sorted by
// display name ignoring case.
std::vector<ListedName> build_track_list(const std::vector<std::string>& data_names, int debug_level);

// Every "demos/...krdemo" file, shown by its base name without extension.
std::vector<ListedName> build_demo_list(const std::vector<std::string>& data_names, int debug_level);

// The lists built at start-up.
std::vector<ListedName>& track_list();
// The title of a listed track folder (the track loader's title lookup);
// false when the folder is not in the list.
bool listed_track_title(const char* folder, std::string& title);
std::vector<ListedName>& demo_list();
constexpr int kDemosPerPage = 20;
