#include "app/track_list.h"

#include <algorithm>
#include <cstring>

#include "files/data_files.h"
#include "platform/log.h"
#include "track/track.h"

namespace {

bool ends_with(const std::string& s, const char* tail) {
  size_t n = std::strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

const char* const kTerrainNames[] = {"/terrain.hf", "/terrain.hf.gz", "/terrain.hf.scram",
                                     "/terrain.hf.gz.scram"};

// The first line of "<folder>/desc", or the folder name without one.
// The first line of the folder's "desc", or the folder's own name.
std::string display_name_of(const std::string& folder) {
  std::string title;
  return track_desc_title(folder.c_str(), title) ? title : folder;
}

}  // namespace

std::vector<ListedName> build_track_list(const std::vector<std::string>& data_names, int debug_level) {
  std::vector<ListedName> tracks;
  for (const std::string& name : data_names) {
    for (const char* tail : kTerrainNames) {
      if (!ends_with(name, tail)) continue;
      std::string folder = name.substr(0, name.size() - std::strlen(tail));
      // A folder holding two variants is listed once.
      bool seen = std::any_of(tracks.begin(), tracks.end(),
                              [&](const ListedName& t) { return compare_names(t.name, folder) == 0; });
      if (!seen) tracks.push_back({folder, display_name_of(folder)});
      break;
    }
  }
  std::stable_sort(tracks.begin(), tracks.end(), [](const ListedName& a, const ListedName& b) {
    return compare_names(a.display, b.display) < 0;
  });
  if (debug_level > 0) {
    for (const ListedName& t : tracks) tarn_log("%s -> %s\n", t.name.c_str(), t.display.c_str());
  }
  return tracks;
}

std::vector<ListedName> build_demo_list(const std::vector<std::string>& data_names, int debug_level) {
  std::vector<ListedName> demos;
  for (const std::string& name : data_names) {
    if (name.compare(0, 6, "demos/") != 0 || !ends_with(name, ".krdemo")) continue;
    std::string base = name.substr(name.rfind('/') + 1);
    size_t dot = base.rfind('.');
    demos.push_back({name, dot == std::string::npos ? base : base.substr(0, dot)});
  }
  if (debug_level > 0) {
    for (const ListedName& d : demos) tarn_log("%s -> %s\n", d.name.c_str(), d.display.c_str());
  }
  return demos;
}

std::vector<ListedName>& track_list() {
  static std::vector<ListedName> list;
  return list;
}

std::vector<ListedName>& demo_list() {
  static std::vector<ListedName> list;
  return list;
}

bool listed_track_title(const char* folder, std::string& title) {
  for (const ListedName& t : track_list()) {
    if (t.name == folder) {
      title = t.display;
      return true;
    }
  }
  return false;
}
