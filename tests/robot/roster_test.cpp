#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "robot/personalities.h"
#include "robot/robot_state.h"
#include "tests/robot/robot_fixture.h"

namespace {
TEST(Roster, RowsCarryPlatesPersonalitiesAndModels) {
  const auto& rows = robot_roster();
  std::map<std::string, int> personalities;
  for (int i = 0; i < kRosterSize; ++i) {
    const RosterRow& r = rows[i];
    EXPECT_EQ(r.number, std::to_string(20 + i));
    ++personalities[r.personality];
    const std::string model = r.model;
    // The 2-stroke robots are the first twenty, every other one a 250.
    if (i < 20)
      EXPECT_NE(model.find("125"), std::string::npos) << i;
    else
      EXPECT_NE(model.find("250"), std::string::npos) << i;
    EXPECT_EQ(r.bike.empty(), i < 60) << i;
    EXPECT_EQ(r.wheels.empty(), i < 60) << i;
    EXPECT_FALSE(r.rider_body.empty());
    EXPECT_FALSE(r.rider_head.empty());
  }
  EXPECT_EQ(personalities["birch"], 40);
  EXPECT_EQ(personalities["alder"], 20);
  EXPECT_EQ(personalities["cedar"], 20);
  EXPECT_EQ(rows[60].bike, "@crf250-alt1.png");
  EXPECT_EQ(rows[60].wheels, "@wheels-alt1.png");
  EXPECT_EQ(rows[61].bike, "@crf250-alt2.png");
  EXPECT_EQ(rows[79].model, std::string("rmz250"));
  EXPECT_EQ(rows[2].rider_body, "@rider_body-alt3.png");
}

// Whatever the seed, the shuffle is a permutation that moves every entry.
TEST(Roster, TheShuffleNeverLeavesAnEntryInPlace) {
  std::array<int, kRosterSize> previous{};
  for (unsigned seed = 0; seed < 500; ++seed) {
    std::mt19937 random(seed);
    const std::array<int, kRosterSize> order = roster_shuffle(random);
    std::array<int, kRosterSize> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < kRosterSize; ++i) {
      EXPECT_EQ(sorted[i], i) << seed;
      EXPECT_NE(order[i], i) << "seed " << seed << " position " << i;
    }
    EXPECT_NE(order, previous) << seed;
    previous = order;
    // Same seed, same order.
    std::mt19937 again(seed);
    EXPECT_EQ(roster_shuffle(again), order);
  }
}

// The shuffle takes exactly 79 numbers from the generator, the top 16 bits
// of each: the first swap puts entry (next >> 16) mod 79 at the end.
TEST(Roster, TheShuffleUsesTheTopBitsOfEachNumber) {
  std::mt19937 random(1234), reference(1234);
  const std::array<int, kRosterSize> order = roster_shuffle(random);
  const unsigned first = reference();
  for (int i = 1; i < 79; ++i) reference();
  EXPECT_EQ(random(), reference());
  // Only the last swap puts a value at position 79.
  EXPECT_EQ(order[79], static_cast<int>((first >> 16) % 79));
}

TEST(Personalities, TableAndPlanTypes) {
  struct Case {
    const char* name;
    int index;
    double lead;
    int plan;
  } cases[] = {
      {"alder", 1, 0, 0},  {"alder", 1, 5, 0},   {"birch", 2, 9.9, 2}, {"birch", 2, 10.5, 1},
      {"cedar", 3, 3, 1},  {"cedar", 3, 11, 0},  {"tester", 4, 50, 3}, {"empty", 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(personality_index(c.name), c.index) << c.name;
    EXPECT_EQ(personality_plan_type(c.index, c.lead), c.plan) << c.name << " " << c.lead;
  }
  EXPECT_DOUBLE_EQ(kPersonalities[3].reaction_max, 0.1);
  EXPECT_DOUBLE_EQ(kPersonalities[2].reaction_min, 0.2);
}

TEST(Personalities, AnUnknownNameIsLoggedAndRidesAsAlder) {
  LogCapture log;
  RobotState state;
  set_personality(state, "maple");
  EXPECT_EQ(state.personality, kAlder);
  EXPECT_TRUE(log.has("auto pilot personality 'maple' not found\n"));
  set_personality(state, "tester");
  EXPECT_EQ(state.personality, 4);
}
}  // namespace
