// The lean angle of a body: how far its up axis leans to the side of its
// direction of travel. 0 upright, positive when the up axis leans one way,
// negative the other.
#pragma once
#include <ode/ode.h>

// From a body's rotation (ODE's 3 x 4 layout). With the nose pointing
// straight up or down the side is undefined, and `last` is returned.
double roll_from_rotation(const dReal* rotation, double last);
double body_roll(dBodyID body, double last);
