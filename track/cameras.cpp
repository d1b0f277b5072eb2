#include "track/cameras.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/log.h"
#include "track/object_text.h"
#include "track/track.h"

namespace {
// "gate n n n ...": maps each checkpoint to the camera added next; stops at
// the first number that is missing or out of range.
void map_gates(TrackCameras& cams, const char* p) {
  const int next = static_cast<int>(cams.cameras.size());
  for (;;) {
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(p, &end, 10);
    if (end == p || errno != 0 || n < 0 || n >= kCameraGateMap) return;
    cams.gate_camera[n] = next;
    p = end;
  }
}

bool keyword(const std::string& line, const char* word, const char** rest) {
  const char* p = line.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  size_t n = std::strlen(word);
  if (std::strncmp(p, word, n) != 0) return false;
  if (p[n] && p[n] != ' ' && p[n] != '\t') return false;
  *rest = p + n;
  return true;
}
}  // namespace

void cameras_read(Track& track, const char* path) {
  TrackCameras& cams = track.cameras;
  ObjectText in;
  if (!in.open(path)) return;
  TracksideCamera pending;
  std::string line;
  while (in.next_line(line)) {
    const char* rest = nullptr;
    float v[3];
    if (keyword(line, "fov", &rest)) {
      if (std::sscanf(rest, "%f", &v[0]) == 1 && std::isfinite(v[0])) pending.fov = std::fabs(v[0]);
    } else if (keyword(line, "autofovsize", &rest)) {
      if (std::sscanf(rest, "%f", &v[0]) == 1 && std::isfinite(v[0])) pending.autofovsize = std::fabs(v[0]);
    } else if (keyword(line, "gate", &rest)) {
      map_gates(cams, rest);
    } else if (keyword(line, "addcamera", &rest)) {
      if (std::sscanf(rest, "%f %f %f", &v[0], &v[1], &v[2]) != 3 || !std::isfinite(v[0]) ||
          !std::isfinite(v[1]) || !std::isfinite(v[2]))
        continue;
      pending.position[0] = v[0];
      pending.position[1] = track_ground_height(track, v[0], v[2]) + v[1];
      pending.position[2] = v[2];
      if (cams.cameras.capacity() == 0) cams.cameras.reserve(16);
      cams.cameras.push_back(pending);
      pending = TracksideCamera();
    }
  }
  // A "gate" line with no "addcamera" after it names a camera that does not
  // exist; leave those gates unwatched rather than point past the list.
  for (int& c : cams.gate_camera)
    if (c >= static_cast<int>(cams.cameras.size())) c = -1;
  if (track_debug_level() >= 1) tarn_log("%d cameras found\n", static_cast<int>(cams.cameras.size()));
}
