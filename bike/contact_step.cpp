#include "bike/contact_step.h"

#include "bike/bike.h"
#include "bike/bike_contact.h"
#include "bike/object_contact.h"
#include "bike/terrain_contact.h"

void contacts_step(const ContactScene& scene, std::span<Bike* const> bikes) {
  std::vector<Bike*> present;
  present.reserve(bikes.size());
  std::vector<int> untracked;  // touched steps nobody keeps
  std::vector<int>& touched = scene.statue_touched_step ? *scene.statue_touched_step : untracked;
  for (Bike* bike : bikes) {
    if (!bike || !(bike->presence > kCollisionPresence)) continue;
    present.push_back(bike);
    if (scene.ground) bikeTerrainContact(*bike, *scene.ground, ContactUse::Joint, scene.knockout);
    if (scene.track) bike_statues_contact(*bike, *scene.track, touched, scene.step, scene.knockout);
  }
  bikes_contact(present, scene.step);
}
