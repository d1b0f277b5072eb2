#include "demo/demo_files.h"

#include <algorithm>
#include <cstdio>

#include "files/data_files.h"
#include "files/file_stream.h"
#include "platform/log.h"

namespace {
// A half-written copy is not left lying about.
void remove_data_file(const std::string& name) {
  if (name[0] != '@') {
    std::remove(name.c_str());
  } else if (const char* home = home_folder()) {
    std::remove((home + name.substr(1)).c_str());
  }
}
}  // namespace

std::string demo_backup_name(int n) {
  char name[64];
  std::snprintf(name, sizeof name, "@demos/default%02d.krdemo", n);
  return name;
}

void rotate_demo_backups(int backups) {
  int b = std::clamp(backups, 0, kMaxDemoBackups);
  for (int n = b - 2; n >= 0; --n) rename_data_file(demo_backup_name(n).c_str(), demo_backup_name(n + 1).c_str());
  if (b > 0) rename_data_file(kDefaultDemo, demo_backup_name(0).c_str());
}

std::string time_trial_demo_name(const std::string& track, const char* file) { return "@" + track + "/" + file; }

bool named_demo_file(const std::string& name, std::string* file) {
  if (name.empty() || name == "." || name == ".." || name.size() > 200) return false;
  for (char c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  *file = "@demos/" + name + ".krdemo";
  return true;
}

bool copy_demo_file(const char* from, const char* to) {
  DataFilePtr in(open_data_file(from, "rb"));
  if (!in) {
    tarn_log("Demo copy: cannot read %s\n", from);
    return false;
  }
  const std::string part = std::string(to) + ".part";
  bool ok;
  {
    DataFilePtr out(open_data_file(part.c_str(), "wb"));
    if (!out) {
      tarn_log("Demo copy: cannot write %s\n", part.c_str());
      return false;
    }
    char block[1024];
    size_t n;
    ok = true;
    while (ok && (n = read_block(in.get(), block, sizeof block)) > 0) ok = write_block(out.get(), block, n) == n;
    ok = ok && flush_data_file(out.get()) == 0;
  }
  if (ok) ok = rename_data_file(part.c_str(), to);
  if (!ok) {
    tarn_log("Demo copy: %s was not copied to %s\n", from, to);
    remove_data_file(part);
  }
  return ok;
}

bool keep_fastest_lap(const std::string& track, bool lap_beat_ghost) {
  const std::string fast = time_trial_demo_name(track, kFastLapDemo);
  bool had_ghost = DataFilePtr(open_data_file(fast.c_str(), "rb")) != nullptr;
  if (had_ghost && !lap_beat_ghost) return false;
  return copy_demo_file(time_trial_demo_name(track, kLastLapDemo).c_str(), fast.c_str());
}
