// Bikes stepped the way the frame step does it with every contact: the
// ground, a track's statues and the other bikes, then the world step and
// each bike's own step; and readings of the joints and forces the contacts
// leave before a world step.
#pragma once
#include <cmath>
#include <vector>

#include "bike/bike_contact.h"
#include "bike/contact_step.h"
#include "bike/crash.h"
#include "tests/bike/bike_fixture.h"
#include "track/track.h"

class ContactWorld : public BikeWorld {
 protected:
  void SetUp() override {
    BikeWorld::SetUp();
    track.terrain = ground;
  }
  void TearDown() override {
    track.statues.clear();
    BikeWorld::TearDown();
  }

  std::vector<Bike*> all() {
    std::vector<Bike*> out;
    for (BikePtr& b : bikes) out.push_back(b.get());
    return out;
  }
  ContactScene scene() {
    ContactScene s;
    s.ground = &ground;
    s.track = with_objects ? &track : nullptr;
    s.statue_touched_step = &statue_touched;
    s.knockout = &knockout;
    s.step = steps;
    return s;
  }
  // The contacts of one step, without the world step that would use them.
  void contacts() { contacts_step(scene(), all()); }
  // Whole steps: contacts, the world step, every bike's own step.
  void race(int n = 1) {
    for (int k = 0; k < n; ++k) {
      contacts();
      physics_world_step(world);
      for (BikePtr& b : bikes) bike_step(*b, steps, &knockout);
      ++steps;
    }
  }

  Track track;
  bool with_objects = false;
  std::vector<int> statue_touched;
  KnockoutTable knockout;
};

// Sets every body of the bike moving at v with the wheels rolling along
// (the bike facing -z turned by `heading` about y), and the rider's
// velocity history to match, as if it had been riding so.
inline void set_riding(Bike& b, Vec3 v) {
  for (dBodyID body : b.body) dBodySetLinearVel(body, v.x, v.y, v.z);
  for (const WheelContact& w : b.wheel) {
    // A wheel rolling along v turns about its axle by |v| / radius.
    const Vec3 axle = rotate(dBodyGetRotation(w.body), w.axle);
    const Vec3 spin = cross(Vec3{0, 1, 0}, v) * (1.0 / (w.ring_radius + w.tube_radius));
    const Vec3 about = axle * dot(spin, axle);
    dBodySetAngularVel(w.body, about.x, about.y, about.z);
  }
  rider_velocities_fill(b);
}

// A point given relative to a body's origin in its own coordinates, in the
// world.
inline Vec3 body_point_of(const Bike& b, int body, Vec3 local) {
  dVector3 w;
  dBodyGetRelPointPos(b.body[body], local.x, local.y, local.z, w);
  return vec3_of(w);
}

// How many contact joints join the two bodies.
inline int contact_joints_between_bodies(dBodyID a, dBodyID b) {
  int n = 0;
  for (int k = 0; k < dBodyGetNumJoints(a); ++k) {
    dJointID j = dBodyGetJoint(a, k);
    if (dJointGetType(j) != dJointTypeContact) continue;
    if ((dJointGetBody(j, 0) == a && dJointGetBody(j, 1) == b) || (dJointGetBody(j, 0) == b && dJointGetBody(j, 1) == a))
      ++n;
  }
  return n;
}

// How many contact joints join a body of bike a to a body of bike b.
inline int contact_joints_between(const Bike& a, const Bike& b) {
  int n = 0;
  for (dBodyID body : a.body)
    for (int k = 0; k < dBodyGetNumJoints(body); ++k) {
      dJointID j = dBodyGetJoint(body, k);
      if (dJointGetType(j) != dJointTypeContact) continue;
      dBodyID other = dJointGetBody(j, 0) == body ? dJointGetBody(j, 1) : dJointGetBody(j, 0);
      for (dBodyID mine : b.body)
        if (other == mine) ++n;
    }
  return n;
}

// The force accumulated on the bike's bodies so far in this step, summed.
inline double force_on(const Bike& b) {
  double sum = 0;
  for (dBodyID body : b.body) sum += length(vec3_of(dBodyGetForce(body)));
  return sum;
}
