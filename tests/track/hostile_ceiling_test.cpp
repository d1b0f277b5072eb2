// Every hostile file, loaded as the game loads a track, under a ceiling: a
// child process limited in address space and time must end the load with a
// clear message, without a crash and without a large allocation.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "images/image.h"
#include "platform/messages.h"
#include "tests/support/hostile_files.h"
#include "tests/track/track_fixture.h"

namespace {

// Peak memory the load may add to the process: a few MiB of its own plus
// what the sanitizer keeps around it.
constexpr long kPeakGrowthKiB = 24 * 1024;
// Headroom of address space over what the process has mapped: a load that
// tries a large allocation fails it here instead of taking the machine.
constexpr long kAddressHeadroom = 1L << 30;
// A load that has not ended after this long never will.
constexpr unsigned kSecondsAllowed = 30;

struct Ceiling {
  bool exited = false;  // ended normally (no crash, no alarm)
  int result = -1;      // what the load returned
  long peak_growth_kib = -1;
  std::string messages;  // the console messages, one per line
};

long mapped_bytes() {
  long pages = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  return pages * sysconf(_SC_PAGESIZE);
}

long peak_kib() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

Ceiling run_under_ceiling(const std::function<int()>& load) {
  int pipe_fd[2];
  if (pipe(pipe_fd) != 0) return {};
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    close(pipe_fd[0]);
    rlimit as{};
    as.rlim_cur = as.rlim_max = static_cast<rlim_t>(mapped_bytes() + kAddressHeadroom);
    setrlimit(RLIMIT_AS, &as);
    alarm(kSecondsAllowed);
    clear_messages();
    const long before = peak_kib();
    int result = -1;
    // The child never returns into the test framework, whatever happens.
    try {
      result = load();
    } catch (...) {
      _exit(3);
    }
    std::string report = std::to_string(result) + " " + std::to_string(peak_kib() - before) + "\n";
    for (const std::string& m : recent_messages()) report += m + "\n";
    for (size_t done = 0; done < report.size();) {
      ssize_t n = write(pipe_fd[1], report.data() + done, report.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    _exit(0);
  }
  close(pipe_fd[1]);
  std::string report;
  char buf[4096];
  for (ssize_t n; (n = read(pipe_fd[0], buf, sizeof buf)) > 0;) report.append(buf, static_cast<size_t>(n));
  close(pipe_fd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  Ceiling c;
  c.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (std::sscanf(report.c_str(), "%d %ld", &c.result, &c.peak_growth_kib) != 2) c.exited = false;
  size_t nl = report.find('\n');
  if (nl != std::string::npos) c.messages = report.substr(nl + 1);
  return c;
}

// A small track whose files the cases spoil one at a time.
struct HostileTrack : ::testing::Test {
  DataSandbox box;
  void SetUp() override {
    shape_cache_clear();
    asset_cache_clear();
    const int size = 9;
    std::string hf = "2 4 0 10:";
    for (int k = 0; k < size * size; ++k) hf += std::string(2, static_cast<char>(k));
    put("terrain.hf", hf);
    put("shadingx2.ppm", "P6\n9 9\n255\n" + std::string(size * size * 3, '\x40'));
    put("tileinfo", "texture @dirt.png\naddtile\n");
    put("tilemap", std::string(16, '\0'));
    put("statues", "[10 0 10] 0 @bale.jm @bale.png @bale.shp\n");
    put("decals", "[ 8 8 ] 0 4 1 @mark.png\n");
    box.write_data("bale.shp", "1\n0 0.5 0 0.75 1 5000 500\n");
    box.write_data("dirt.png", png_encode_rgb(reinterpret_cast<const uint8_t*>("\x80\x60\x40"), 1, 1));
    box.write_data("mark.png", png_encode_rgb(reinterpret_cast<const uint8_t*>("\xff\xff\xff"), 1, 1));
    box.rescan();
  }
  void put(const std::string& name, const std::string& content) const { box.write_data("h/" + name, content); }
  void drop(const std::string& name) const { std::filesystem::remove(box.data() + "/h/" + name); }
  // The track as the game loads it, with the software ground (pictures
  // decoded, as krsim does).
  static int load_track() {
    track_set_terrain_method(MethodSoftware);
    Track t;
    t.folder = "h";
    const int ok = track_load(t);
    track_unload(t);
    return ok;
  }
};

TEST_F(HostileTrack, TheGoodTrackLoadsUnderTheCeiling) {
  const Ceiling c = run_under_ceiling(load_track);
  ASSERT_TRUE(c.exited);
  EXPECT_EQ(c.result, 1) << c.messages;
  EXPECT_LT(c.peak_growth_kib, kPeakGrowthKiB);
}

struct HostileCase {
  const char* what;
  std::function<void(HostileTrack&)> spoil;
  const char* message;
};

TEST_F(HostileTrack, EveryHostileFileFailsTheLoadWithAMessageAndLittleMemory) {
  const std::string zero = "/dev/zero";
  const HostileCase cases[] = {
      {"a 2 GB text chunk in terrain.png",
       [](HostileTrack& h) {
         h.put("terrain.hf", "2 4 0 10\n");
         h.put("terrain.png", png_with_huge_text_chunk());
       },
       "Refused '@h/terrain.png': PNG chunk of 2147483647 bytes"},
      {"terrain.png declaring 16384 x 4096 pixels in 65 bytes",
       [](HostileTrack& h) {
         h.put("terrain.hf", "2 4 0 10\n");
         h.put("terrain.png", png_of_huge_image());
       },
       "Refused '@h/terrain.png': PNG data too short for 16384 x 4096 pixels"},
      {"shading declaring 16384 x 4096 pixels in 18 bytes",
       [](HostileTrack& h) { h.put("shadingx2.ppm", ppm_of_huge_image()); }, "Error reading shading"},
      {"a statue's shape is /dev/zero",
       [&](HostileTrack& h) { h.put("statues", "[10 0 10] 0 @bale.jm @bale.png " + zero + "\n"); },
       "Refused '/dev/zero': not a data file"},
      {"a tile texture is /dev/zero", [&](HostileTrack& h) { h.put("tileinfo", "texture " + zero + "\naddtile\n"); },
       "Refused '/dev/zero': not a data file"},
      {"a decal texture is /dev/zero", [&](HostileTrack& h) { h.put("decals", "[ 8 8 ] 0 4 1 " + zero + "\n"); },
       "Refused '/dev/zero': not a data file"},
      {"a shape in the data folder that is a link to /dev/zero",
       [](HostileTrack& h) {
         std::filesystem::create_symlink("/dev/zero", h.box.data() + "/zero.shp");
         h.put("statues", "[10 0 10] 0 @bale.jm @bale.png @zero.shp\n");
       },
       "zero.shp': not a data file"},
      {"a texture name that climbs out of the data folders",
       [](HostileTrack& h) { h.put("decals", "[ 8 8 ] 0 4 1 @../../../../../../etc/passwd\n"); },
       "Refused '@../../../../../../etc/passwd': not a data file"},
      {"a statues.gz that inflates to 1 GiB",
       [](HostileTrack& h) {
         h.drop("statues");
         h.put("statues.gz", statues_gz_of_a_gigabyte());
       },
       "Refused '@h/statues': larger than 4 MiB"},
      {"a height range that overflows", [](HostileTrack& h) { h.put("terrain.hf", height_field_of_infinite_range()); },
       "Bad height field parameters"},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    c.spoil(*this);
    box.rescan();
    const Ceiling r = run_under_ceiling(load_track);
    EXPECT_TRUE(r.exited) << "crashed or ran out of time";
    if (r.exited) {
      EXPECT_EQ(r.result, 0);
      EXPECT_NE(r.messages.find(c.message), std::string::npos) << r.messages;
      EXPECT_LT(r.peak_growth_kib, kPeakGrowthKiB);
    }
    std::filesystem::remove_all(box.data());
    std::filesystem::create_directories(box.data());
  }
}

}  // namespace
