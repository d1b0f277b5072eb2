// Trackside cameras and which camera watches which timing gate.
#pragma once
#include <vector>

struct Track;

struct TracksideCamera {
  float position[3] = {0, 0, 0};  // y = ground height + given value
  float yaw = 0, pitch = 0, yaw_rate = 0, pitch_rate = 0;  // aimed by the step
  float fov = 90;          // degrees
  float autofovsize = 0;   // framing size for auto zoom; 0 = fixed fov
};

constexpr int kCameraGateMap = 256;

struct TrackCameras {
  std::vector<TracksideCamera> cameras;
  int gate_camera[kCameraGateMap];  // checkpoint -> camera index, -1 none
  TrackCameras() { clear(); }
  void clear() {
    cameras.clear();
    for (int& g : gate_camera) g = -1;
  }
};

// Reads "fov", "autofovsize", "gate" and "addcamera" lines; other lines are
// ignored.
void cameras_read(Track& track, const char* path);
