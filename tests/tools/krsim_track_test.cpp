// krsim track: the summary of a loaded track, and the loader's messages
// when it does not load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/hostile_files.h"
#include "tests/support/test_env.h"
#include "tests/tools/krsim_support.h"

namespace {

struct KrsimTrack : ::testing::Test {
  DataSandbox box;  // an empty home folder, so only the shipped data counts
  TempDir scratch;
  void SetUp() override { unsetenv("KR_HOME"); }  // krsim finds the data beside the game
  CommandResult krsim(const std::string& args) { return run_command(krsim_path() + " " + args, scratch.path); }
};

TEST_F(KrsimTrack, SummarisesTheShippedTracks) {
  for (const char* name : {"rabbithill", "gullyrun"}) {
    CommandResult r = krsim(std::string("track ") + name);
    EXPECT_EQ(r.status, 0) << name << "\n" << r.err;
    for (const char* part : {"track: ", "ground: 1024 x 1024 ft", "tiles: ", "gates: 40 start slots", "statues: ",
                             "cameras: ", "digest: "}) {
      EXPECT_NE(r.out.find(part), std::string::npos) << name << " lacks '" << part << "'\n" << r.out;
    }
    size_t digest = r.out.find("digest: ");
    ASSERT_NE(digest, std::string::npos);
    EXPECT_EQ(r.out.substr(digest + 8).find_first_not_of("0123456789abcdef"), 40u) << "40 hex digits";
  }
}

TEST_F(KrsimTrack, ATrackThatDoesNotLoadGivesTheLoadersMessages) {
  box.write_home("broken/terrain.hf", "2 4 0\n");  // a header short of a number
  box.write_home("toobig/terrain.hf", "12 2 0 10:");
  struct Case {
    const char* args;
    const char* message;
  } cases[] = {
      {"track nothere", "Can't open '@nothere/terrain.hf'"},
      {"track broken", "Bad height field parameters"},
      {"track toobig", "Bad height field parameters"},
  };
  for (const Case& c : cases) {
    CommandResult r = krsim(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << c.args;
  }
}

// A shipped track with one hostile file in it, in the home folder.
TEST_F(KrsimTrack, ATrackHoldingAHostileFileIsRefusedWithTheLoadersMessage) {
  struct Case {
    const char* file;  // written over the shipped file
    std::string content;
    const char* dropped;  // a shipped file taken away, or null
    const char* message;
  } cases[] = {
      {"terrain.png", png_with_huge_text_chunk(), nullptr, "Refused '@hostile/terrain.png': PNG chunk of 2147483647 bytes"},
      {"terrain.png", png_of_huge_image(), nullptr, "PNG data too short for 16384 x 4096 pixels"},
      {"shadingx2.ppm", ppm_of_huge_image(), nullptr, "Error reading shading"},
      {"statues", "[ 300 0 300 ] 0 @haybale.jm @haybale.png /dev/zero\n", nullptr, "Refused '/dev/zero': not a data file"},
      {"tileinfo", "texture /dev/zero\naddtile\n", nullptr, "Refused '/dev/zero': not a data file"},
      {"decals", "[ 10 10 ] 0 4 1 /dev/zero\n", nullptr, "Refused '/dev/zero': not a data file"},
      {"statues.gz", statues_gz_of_a_gigabyte(), "statues", "Refused '@hostile/statues': larger than 4 MiB"},
      {"terrain.hf", height_field_of_infinite_range(), nullptr, "Bad height field parameters"},
  };
  const std::filesystem::path track = box.home() + "/hostile";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::filesystem::remove_all(track);
    std::filesystem::copy(std::string(KR_GAME_DIR) + "/rabbithill", track);
    if (c.dropped) std::filesystem::remove(track / c.dropped);
    box.write_home(std::string("hostile/") + c.file, c.content);
    CommandResult r = krsim("track hostile");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

TEST_F(KrsimTrack, BadArgumentsAreRefusedWithExitOne) {
  for (const char* args : {"", "nosuchverb", "track", "track --bogus", "track a b"}) {
    CommandResult r = krsim(args);
    EXPECT_EQ(r.status, 1) << "'" << args << "'";
    EXPECT_FALSE(r.err.empty()) << "'" << args << "'";
  }
  CommandResult help = krsim("track --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: krsim track NAME"), std::string::npos);
  EXPECT_EQ(krsim("--help").status, 0);
}

}  // namespace

namespace {
// The headless runner carries the simulation stack only.
TEST(KrsimLinks, NeitherSdlNorGl) {
  TempDir scratch;
  CommandResult r = run_command("ldd " + krsim_path(), scratch.path);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("libSDL2"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("libGL"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("libOpenGL"), std::string::npos) << r.out;
}
}  // namespace
