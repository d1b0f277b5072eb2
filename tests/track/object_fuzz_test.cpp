// Every object reader against damaged input: random bytes, text cut short
// and oversized lines. Nothing may crash, and what was read before the
// damage stays.
#include <gtest/gtest.h>

#include <random>

#include "shapes/shape.h"
#include "tests/track/track_fixture.h"
#include "track/decals.h"

namespace {
using Reader = void (*)(Track&, const char*);

struct ReaderCase {
  const char* name;
  Reader read;
  const char* good;  // a valid file
};

void read_lighting(Track& t, const char* p) { lighting_read(t.lighting, p); }
void read_decals(Track& t, const char* p) { decals_read(t.terrain, p); }
void read_shape(Track&, const char* p) {
  CollisionShape s;
  shape_read(p, s);
}

const ReaderCase kReaders[] = {
    {"timing_gates", timing_gates_read,
     "startinggate:\n[0 0 0] 0\ncheckpoints:\n5 [0 0 0] [0 0 -1]\n5 [0 0 -9] [0 0 -1]\nfirstlap:\n0 1\nnormallap:\n0 1\n"},
    {"flaggers", flaggers_read, "[ 0 0 0 ] [ 1 0 0 ] 6 0.5 1\na b c d e\n[ 5 0 5 ] 6 0.5 f g h i\n[1 0 1] 6 0.5 0 1 -1 -1 j k\n"},
    {"billboards", billboards_read, "[ 1 0 2 ] 10 0.5 @a.png\n[ 3 0 4 ] 10 0.5 #ff0000#@b.png\n"},
    {"statues", statues_read, "[1 0 2] 0.5 @a.jm @a.png null\n[3 0 4] 4 @b.jm null null\n"},
    {"decals", read_decals, "[ 1 2 ] 0 4 1 @a.png\n"},
    {"cameras", cameras_read, "gate 0 1\nfov 50\naddcamera 1 2 3\n"},
    {"lighting", read_lighting, "sun_vector [ 1 1 0 ]\nfog [ 1 1 1 ] 0.1\nflare_element [ 0 0 ]\nflare_point [ 1 1 1 ]\n"},
    {"shape", read_shape, "2\n0 0 0 1 1 1 1\n1 0 0 1 1 1 1\n"},
};

// Object counts that a reader's good prefix must keep.
size_t object_count(const Track& t) {
  return t.gates.start_slots.size() + t.gates.checkpoints.size() + t.billboards.size() + t.statues.size() +
         t.terrain.decals.size() + t.cameras.cameras.size() + t.flaggers.course.size() + t.lighting.flares.size();
}

TEST(ObjectReaders, SurviveRandomBytes) {
  ObjectFiles files;
  std::mt19937 rng(20240611);
  for (const ReaderCase& r : kReaders) {
    for (int round = 0; round < 60; ++round) {
      std::string text;
      size_t n = rng() % 600;
      // Half the rounds draw from the characters the files are made of, so
      // the readers get past their first pattern now and then.
      static const char kAlphabet[] = "[] 0123456789.-+e\n#@abcfnilptx:";
      for (size_t i = 0; i < n; ++i)
        text += round % 2 ? static_cast<char>(rng() & 0xff) : kAlphabet[rng() % (sizeof kAlphabet - 1)];
      Track t;
      make_ground(t);
      r.read(t, files.write(r.name, text).c_str());
      SUCCEED();
    }
  }
}

TEST(ObjectReaders, KeepWhatTheyReadBeforeDamage) {
  ObjectFiles files;
  for (const ReaderCase& r : kReaders) {
    Track whole;
    make_ground(whole);
    r.read(whole, files.write(r.name, r.good).c_str());
    const size_t good = object_count(whole);
    // Damage after the good text: garbage, a cut-off record, an enormous
    // name and an enormous number.
    const std::string tails[] = {"\x01\xff garbage ]]]\n", "[ 1 2", std::string(100000, 'n') + "\n",
                                 "[ " + std::string(5000, '9') + " 0 0 ] 1 1 x\n", std::string(3, '\0') + "[ 1 0 1 ]"};
    for (const std::string& tail : tails) {
      Track t;
      make_ground(t);
      r.read(t, files.write(r.name, std::string(r.good) + tail).c_str());
      EXPECT_GE(object_count(t), good) << r.name;
    }
    // Text cut at every length never crashes.
    const std::string full = r.good;
    for (size_t cut = 0; cut < full.size(); cut += 3) {
      Track t;
      make_ground(t);
      r.read(t, files.write(r.name, full.substr(0, cut)).c_str());
    }
  }
}
}  // namespace

namespace {
// A number that is not finite ends reading like a line that does not match:
// such values would poison depth sorts, grids and divisions later on.
TEST(ObjectReaders, NonFiniteNumbersEndReading) {
  ObjectFiles files;
  struct Case {
    const char* name;
    Reader read;
    const char* good;  // read whole
    const char* bad;   // ends reading; a good line after it is not read
    const char* after;
  } cases[] = {
      {"flaggers", flaggers_read, "", "[ 0 0 0 ] [ 1 0 0 ] nan 0.5 1\na b c d e\n", ""},
      {"flaggers", flaggers_read, "[ 0 0 0 ] [ 1 0 0 ] 6 0.5 1\na b c d e\n[ 5 0 5 ] 6 0.5 f g h i\n",
       "[1 0 1] 6 inf 0 1 -1 -1 j k\n", "[1 0 1] 6 1 0 1 -1 -1 j k\n"},
      {"decals", read_decals, "[ 1 2 ] 0 4 1 @a.png\n", "[ 3 4 ] 0 nan 1 @b.png\n", "[ 5 6 ] 0 4 1 @c.png\n"},
      {"decals", read_decals, "", "[ 1 2 ] 0 4 inf @a.png\n", "[ 5 6 ] 0 4 1 @c.png\n"},
      {"timing_gates", timing_gates_read, "startinggate:\n[0 0 0] 0\ncheckpoints:\n5 [0 0 0] [0 0 -1]\n",
       "5 [0 0 -9] [0 nan -1]\n", "5 [0 0 -19] [0 0 -1]\n"},
      {"cameras", cameras_read, "addcamera 1 2 3\n", "addcamera nan 2 3\naddcamera 4 inf 6\n", ""},
  };
  for (const Case& c : cases) {
    auto count = [&](const std::string& text) {
      Track t;
      make_ground(t);
      c.read(t, files.write(c.name, text).c_str());
      for (const Billboard& b : t.billboards) EXPECT_TRUE(std::isfinite(b.height) && std::isfinite(b.aspect)) << c.name;
      return object_count(t);
    };
    size_t good = count(c.good);
    EXPECT_EQ(count(std::string(c.good) + c.bad + c.after), good) << c.name << ": " << c.bad;
  }
}
}  // namespace
