// The cameras the main loop drives: the orbit camera around (or chasing)
// the watched bike, the track's fixed cameras that aim at it, and the free
// camera that flies where the controls send it.
#pragma once
#include <vector>

#include "bike/rider_input.h"

struct Terrain;
struct Track;

// One aimable camera.
struct CameraRecord {
  double position[3] = {0, 0, 0};
  double yaw = 0, pitch = 0;            // radians
  double yaw_rate = 0, pitch_rate = 0;  // radians per second
  double fov = 90;                      // degrees
  double framing = 0;                   // framing size for auto zoom; 0 keeps the fov
};

// What the cameras need of the watched bike.
struct CameraTarget {
  double position[3] = {0, 0, 0};  // of its main body
  double rotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // row-major, body to world
  double velocity[3] = {0, 0, 0};
  int gates_passed = 0;
};

struct OrbitState {
  double chase_centre[3] = {0, 2.52, 0.52};  // in the bike's body frame
  double distance = 10, height = 5;
  double angle = 0;  // kept in [-pi, pi]
};

struct Cameras {
  OrbitState orbit;
  CameraRecord free_camera;
  double free_speed = 0;
  std::vector<CameraRecord> track;  // one per track camera
  int current = 0;                  // track camera index, -1 the free camera
  bool auto_camera = false;
  double previous_sit = 0;  // the Sit/Dab sum of the last step, for its toggle
};

// The program's cameras: the current index and the auto flag persist
// across sessions.
Cameras& cameras();
// Takes the track's camera places for a new track.
void cameras_use_track(Cameras& c, const Track& track);
int track_camera_count();

// Per step while the player watches: the controls move the orbit.
void orbit_camera_step(OrbitState& orbit, const double sums[kActionCount]);
// Per step in the track camera view: the auto camera toggle, following the
// watched bike's section, aiming and the free camera's flight. paused stops
// the target's motion for the prediction.
void track_camera_step(Cameras& c, const Track& track, const CameraTarget& target, bool paused,
                       const double sums[kActionCount], double field_of_view);

// One step of the aim control of a camera towards a target moving at
// velocity. With the auto camera off, the steer and shift sums turn it.
void aim_camera(CameraRecord& camera, const double target[3], const double velocity[3], bool auto_camera, bool cut,
                const double sums[kActionCount]);

// The mean height of the field over a disc of radius r around (x, z).
double smoothed_ground_height(const Terrain& t, double x, double z, double r);

// Eye and view axes (right, up, backward) for a frame.
struct CameraView {
  double eye[3];
  double axes[3][3];
};
struct OrbitViewSettings {
  bool live = false;  // the watched bike is the player's own
  bool rigid = false;
  double distance = 10, height = 5;  // 3rd Person Distance and Height
};
CameraView orbit_camera_view(const OrbitState& orbit, const CameraTarget& target, const Terrain& ground,
                             const OrbitViewSettings& settings);
// Looks from eye at target with the world's up.
CameraView look_at(const double eye[3], const double target[3]);
