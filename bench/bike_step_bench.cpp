// One simulation step of 1, 10 and 40 bikes standing on flat ground (2 ft
// cells, like the shipped tracks): the ground contacts, the world step and
// each bike's own step. In the same run, the physics floor: a bare ODE model
// with the same bodies, masses, joints and number of contacts per step and
// none of the game's code, stepped the same way. The counters give both
// costs per step and their ratio.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "bike/bike.h"
#include "bike/bike_step.h"
#include "bike/physics_world.h"
#include "files/data_files.h"
#include "track/terrain.h"

namespace {

// The thread's own processor time: other programs on the machine do not
// count against either model.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
  }
};

double seconds_since(Clock::time_point t) { return Clock::now() - t; }

Terrain flat_ground() {
  Terrain g;
  g.exponent = 8;
  g.size = (2 << g.exponent) + 1;
  g.spacing = 2;
  g.tile_size = 4;
  g.world_size = float(g.size - 1) * g.spacing;
  g.heights.assign(size_t(g.size) * g.size, 0.0f);
  g.tile_types.assign(kMaxTileTypes, TileType());
  g.tile_count = 1;
  g.tilemap.assign(size_t(1) << (2 * g.exponent), 0);
  return g;
}

// Bikes on a grid 12 ft apart.
void grid_place(int k, double& x, double& z) {
  x = 100 + 12.0 * (k % 8);
  z = 100 + 12.0 * (k / 8);
}

// The bare model: raw ODE calls only. Seven bodies with the bike's masses,
// the six joints of the same kinds at the same anchors and with the same
// stops, the suspension held by motors, and per step the same number of
// contacts: one under each tyre and two between rider and frame.
struct BareBike {
  dBodyID body[7];
  dJointID joint[6];
};

BareBike bare_bike(dWorldID w, const Bike& model, double x, double z) {
  BareBike b;
  for (int k = 0; k < 7; ++k) {
    b.body[k] = dBodyCreate(w);
    dMass m;
    dBodyGetMass(model.body[k], &m);
    dBodySetMass(b.body[k], &m);
    const dReal* p = dBodyGetPosition(model.body[k]);
    dBodySetPosition(b.body[k], p[0] + x, p[1], p[2] + z);
  }
  dBodySetFiniteRotationMode(b.body[1], 1);
  dBodySetFiniteRotationMode(b.body[2], 1);
  auto anchor = [&](int k, int body, bool slider) {
    dVector3 a, axis;
    const dJointID j = model.joint[k];
    if (slider) {
      dJointGetSliderAxis(j, axis);
      b.joint[k] = dJointCreateSlider(w, nullptr);
      dJointAttach(b.joint[k], b.body[3], b.body[4]);
      dJointSetSliderAxis(b.joint[k], axis[0], axis[1], axis[2]);
      return;
    }
    dJointGetHingeAnchor(j, a);
    dJointGetHingeAxis(j, axis);
    b.joint[k] = dJointCreateHinge(w, nullptr);
    dJointAttach(b.joint[k], b.body[body], b.body[k == 0 ? 1 : k == 1 ? 2 : 0]);
    dJointSetHingeAnchor(b.joint[k], a[0] + x, a[1], a[2] + z);
    dJointSetHingeAxis(b.joint[k], axis[0], axis[1], axis[2]);
  };
  anchor(0, 4, false);  // front axle: fork lower, front wheel
  anchor(1, 5, false);  // rear axle: swingarm, rear wheel
  anchor(2, 3, false);  // steering: fork upper, frame
  anchor(3, 0, true);   // fork slider
  anchor(4, 5, false);  // swingarm pivot: swingarm, frame
  dJointSetHingeParam(b.joint[2], dParamLoStop, -0.785398);
  dJointSetHingeParam(b.joint[2], dParamHiStop, 0.785398);
  dJointSetSliderParam(b.joint[3], dParamLoStop, -1);
  dJointSetSliderParam(b.joint[3], dParamHiStop, 1e-9);
  dJointSetSliderParam(b.joint[3], dParamVel, 0);
  dJointSetSliderParam(b.joint[3], dParamFMax, 2000);
  dJointSetHingeParam(b.joint[4], dParamLoStop, -0.55);
  dJointSetHingeParam(b.joint[4], dParamHiStop, 1e-9);
  dJointSetHingeParam(b.joint[4], dParamVel, 0);
  dJointSetHingeParam(b.joint[4], dParamFMax, 5000);
  dVector3 a, axis1, axis2;
  dJointGetHinge2Anchor(model.joint[5], a);
  dJointGetHinge2Axis1(model.joint[5], axis1);
  dJointGetHinge2Axis2(model.joint[5], axis2);
  b.joint[5] = dJointCreateHinge2(w, nullptr);
  dJointAttach(b.joint[5], b.body[6], b.body[0]);
  dJointSetHinge2Anchor(b.joint[5], a[0] + x, a[1], a[2] + z);
  dJointSetHinge2Axes(b.joint[5], axis1, axis2);
  dJointSetHinge2Param(b.joint[5], dParamLoStop, 0);
  dJointSetHinge2Param(b.joint[5], dParamHiStop, 0);
  dJointSetHinge2Param(b.joint[5], dParamSuspensionERP, 0);
  dJointSetHinge2Param(b.joint[5], dParamSuspensionCFM, 0.04);
  static dJointFeedback feedback[6];
  for (int k = 0; k < 6; ++k) dJointSetFeedback(b.joint[k], &feedback[k]);
  return b;
}

void soft(dContact& c, double k, double d) {
  const double h = 1.0 / 128;
  c.surface.soft_cfm = 1 / (d + k * h);
  c.surface.soft_erp = k * h * c.surface.soft_cfm;
}

void bare_contacts(dWorldID w, dJointGroupID group, const BareBike& b, double rider_height) {
  for (int k : {1, 2}) {
    const dReal* p = dBodyGetPosition(b.body[k]);
    dContact c{};
    c.surface.mode = kFrictionContactMode | dContactFDir1;
    c.surface.mu = 1;
    soft(c, 4000, 600);
    c.geom.pos[0] = p[0];
    c.geom.pos[2] = p[2];
    c.geom.normal[1] = 1;
    c.geom.depth = std::fmax(0.0, 1.1 - p[1]);
    c.fdir1[0] = 1;
    dJointAttach(dJointCreateContact(w, group, &c), b.body[k], nullptr);
  }
  const dReal* frame = dBodyGetPosition(b.body[0]);
  const dReal* rider = dBodyGetPosition(b.body[6]);
  for (int axis : {1, 2}) {
    dContact c{};
    c.surface.mode = kSpringContactMode;
    soft(c, 300, 50);
    for (int k = 0; k < 3; ++k) c.geom.pos[k] = rider[k];
    const double error = axis == 1 ? frame[1] + rider_height - rider[1] : 0;
    c.geom.normal[axis] = error >= 0 ? 1 : -1;
    c.geom.depth = std::fabs(error);
    dJointAttach(dJointCreateContact(w, group, &c), b.body[6], b.body[0]);
  }
}

void BM_StandingBikes(benchmark::State& state) {
  setenv("KR_HOME", KR_GAME_DIR, 1);
  data_files_reset();
  const int n = int(state.range(0));
  const Terrain ground = flat_ground();

  PhysicsWorld world;
  if (!physics_world_create(world)) {
    state.SkipWithError("no physics world");
    return;
  }
  std::vector<BikePtr> bikes;
  for (int k = 0; k < n; ++k) {
    bikes.push_back(bike_create(world, "crf450(2013)", k));
    double x, z;
    grid_place(k, x, z);
    bike_place(*bikes.back(), ground, x, z, 0);
  }
  int step = 0;
  double contact_time = 0, world_time = 0, bike_time = 0;
  long contacts = 0;
  auto frame = [&](bool timed) {
    Clock::time_point t = Clock::now();
    for (BikePtr& b : bikes) bikeTerrainContact(*b, ground, ContactUse::Joint);
    const double c = seconds_since(t);
    contacts += world.contacts_made;
    t = Clock::now();
    physics_world_step(world);
    const double w = seconds_since(t);
    t = Clock::now();
    for (BikePtr& b : bikes) bike_step(*b, step);
    const double s = seconds_since(t);
    ++step;
    if (timed) contact_time += c, world_time += w, bike_time += s;
    return c + w + s;
  };
  for (int k = 0; k < 256; ++k) frame(false);  // settle
  contacts = 0;

  // The floor, built beside our bikes from their settled masses and joints.
  dWorldID bare = dWorldCreate();
  dWorldSetGravity(bare, 0, -32, 0);
  dJointGroupID bare_group = dJointGroupCreate(0);
  std::vector<BareBike> bare_bikes;
  PhysicsWorld model_world;  // a bike in its creation pose to copy from
  physics_world_create(model_world);
  {
    BikePtr model = bike_create(model_world, "crf450(2013)", 0);
    const double rider_height = model->info.rider_mass_position[1] - model->info.frame_position[1];
    for (int k = 0; k < n; ++k) {
      double x, z;
      grid_place(k, x, z);
      bare_bikes.push_back(bare_bike(bare, *model, x, z));
    }
    auto bare_frame = [&] {
      const Clock::time_point t = Clock::now();
      for (const BareBike& b : bare_bikes) bare_contacts(bare, bare_group, b, rider_height);
      dWorldStep(bare, 1.0 / 128);
      dJointGroupEmpty(bare_group);
      return seconds_since(t);
    };
    for (int k = 0; k < 256; ++k) bare_frame();

    double ours = 0, floor = 0;
    long iterations = 0;
    for (auto _ : state) {
      const double t = frame(true);
      ours += t;
      floor += bare_frame();
      state.SetIterationTime(t);
      ++iterations;
    }
    if (iterations > 0) {
      state.counters["ours_us"] = 1e6 * ours / iterations;
      state.counters["floor_us"] = 1e6 * floor / iterations;
      state.counters["ratio"] = floor > 0 ? ours / floor : 0;
      state.counters["contact_us"] = 1e6 * contact_time / iterations;
      state.counters["world_us"] = 1e6 * world_time / iterations;
      state.counters["bike_step_us"] = 1e6 * bike_time / iterations;
      state.counters["contacts"] = double(contacts) / iterations;
    }
  }
  bikes.clear();
  physics_world_destroy(model_world);
  dJointGroupDestroy(bare_group);
  dWorldDestroy(bare);
  physics_world_destroy(world);
}
BENCHMARK(BM_StandingBikes)->Arg(1)->Arg(10)->Arg(40)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
