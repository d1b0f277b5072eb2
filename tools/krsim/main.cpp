// krsim: the game's simulation with no window.
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/krsim/krsim.h"

namespace {

const KrsimVerb kVerbs[] = {
    {"track", "load a track as the game does and summarise it", krsim_track},
    {"lines", "make a track's robot lines by riding it", krsim_lines},
    {"play", "replay a demo with no window, printing its riders' states", krsim_play},
    {"race", "a whole race of robots with no window: standings and what it cost", krsim_race},
    {"ride", "one bike on a track or flat ground, driven by a script, as CSV", krsim_ride},
    {"sweep", "render one engine's note through an rpm sweep to a raw audio file", krsim_sweep},
};

void usage(FILE* out) {
  std::fputs("usage: krsim VERB [ARGS...]\n\nVerbs:\n", out);
  for (const KrsimVerb& v : kVerbs) std::fprintf(out, "  %-8s %s\n", v.name, v.summary);
  std::fputs("\n'krsim VERB --help' describes a verb. The game data is read from the home\n"
             "folder first, then from KR_HOME; without KR_HOME, from the data set that\n"
             "the build generated beside the game.\n",
             out);
}

// Run from the build tree, krsim sits in build/tools/ and the generated data
// set beside the game in build/game/.
void find_data_beside_the_game() {
  if (std::getenv("KR_HOME")) return;
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return;
  buf[n] = 0;
  char* slash = std::strrchr(buf, '/');
  if (!slash) return;
  *slash = 0;
  std::string game = std::string(buf) + "/../game";
  struct stat st;
  if (stat((game + "/zzzz.saf").c_str(), &st) == 0) setenv("KR_HOME", game.c_str(), 1);
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  if (argc < 2) {
    usage(stderr);
    return 1;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    usage(stdout);
    return 0;
  }
  for (const KrsimVerb& v : kVerbs) {
    if (std::strcmp(argv[1], v.name) != 0) continue;
    find_data_beside_the_game();
    return v.run(std::vector<std::string>(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "krsim: unknown verb '%s'\n", argv[1]);
  usage(stderr);
  return 1;
}
