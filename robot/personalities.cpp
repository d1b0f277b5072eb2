#include "robot/personalities.h"

#include <cstring>
#include <utility>

#include "platform/log.h"

const Personality kPersonalities[kPersonalityCount] = {
    {"empty", 0, 0, 0, 0, 0},          {"alder", 0, 0, 1, 0.2, 0.4},   {"birch", 2, 1, 10, 0.2, 0.4},
    {"cedar", 1, 0, 10, 0, 0.1},       {"tester", 3, 3, 1, 0.2, 0.4},
};

int personality_index(const char* name) {
  for (int i = 0; i < kPersonalityCount; ++i)
    if (name && std::strcmp(name, kPersonalities[i].name) == 0) return i;
  tarn_log("auto pilot personality '%s' not found\n", name ? name : "");
  return kAlder;
}

int personality_plan_type(int personality, double lead_seconds) {
  if (personality <= 0 || personality >= kPersonalityCount) return 0;
  const Personality& p = kPersonalities[personality];
  return lead_seconds > p.lead_limit ? p.plan_far : p.plan_near;
}

namespace {
std::array<RosterRow, kRosterSize> build_roster() {
  static const char* const k125[] = {"kx125", "yz125", "cr125", "rm125"};
  static const char* const k250[] = {"crf250", "kx250f", "rmz250", "yz250f", "yz250f_se(2006)"};
  static const char* const kOwnGraphics[] = {"crf250", "kx250f", "yz250f", "rmz250"};
  std::array<RosterRow, kRosterSize> rows;
  for (int i = 0; i < kRosterSize; ++i) {
    RosterRow& r = rows[i];
    r.number = std::to_string(20 + i);
    // Riding gear and helmet cycle through three schemes down the roster.
    const std::string gear = std::to_string(i % 3 + 1);
    r.rider_body = "@rider_body-alt" + gear + ".png";
    r.rider_head = "@rider_head-alt" + gear + ".png";
    if (i < 20) {
      r.personality = "birch";
      r.model = k125[i / 5];
    } else if (i < 60) {
      r.personality = i < 40 ? "alder" : "birch";
      r.model = k250[(i - 20) % 20 / 4];
    } else {
      // The cedar riders have bikes of their own look: two schemes of bike
      // and wheel graphics in turn.
      r.personality = "cedar";
      r.model = kOwnGraphics[(i - 60) / 5];
      const std::string scheme = std::to_string((i - 60) % 2 + 1);
      r.bike = "@" + std::string(r.model) + "-alt" + scheme + ".png";
      r.wheels = "@wheels-alt" + scheme + ".png";
    }
  }
  return rows;
}
}  // namespace

const std::array<RosterRow, kRosterSize>& robot_roster() {
  static const std::array<RosterRow, kRosterSize> rows = build_roster();
  return rows;
}

std::array<int, kRosterSize> roster_shuffle(std::mt19937& random) {
  std::array<int, kRosterSize> order;
  for (int i = 0; i < kRosterSize; ++i) order[i] = i;
  for (int i = kRosterSize - 1; i >= 1; --i) {
    const int j = static_cast<int>((random() >> 16) % static_cast<unsigned>(i));
    std::swap(order[i], order[j]);
  }
  return order;
}
