// Runs the built game as a separate process, as a player would.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_env.h"

extern char** environ;

namespace {

constexpr int kPatienceSeconds = 20;

struct Game {
  pid_t pid = -1;
  std::string stderr_path;
  bool ended = false;
  int status = 0;
};

// True once the game has ended (reaped once, remembered after).
bool ended(Game& g) {
  if (!g.ended && waitpid(g.pid, &g.status, WNOHANG) == g.pid) g.ended = true;
  return g.ended;
}

// Starts the game with these arguments; env entries "NAME=value" replace
// the test's own, "NAME" alone removes it.
Game start_game(const TempDir& scratch, const std::vector<std::string>& args,
                const std::vector<std::string>& env) {
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& o : env) replaced |= o.substr(0, o.find('=')) == name;
    if (!replaced && name != "TARN_LOGFILE" && name != "TARN_LOGFILE_FLAGS") environment.push_back(entry);
  }
  for (const std::string& o : env)
    if (o.find('=') != std::string::npos) environment.push_back(o);

  Game g;
  g.stderr_path = scratch.file("stderr.txt");
  std::string program = KR_GAME_DIR "/kiwiridge";
  std::vector<char*> argv{program.data()};
  std::vector<std::string> arg_copy = args;
  for (std::string& a : arg_copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);

  g.pid = fork();
  if (g.pid == 0) {
    int err = open(g.stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int null = open("/dev/null", O_RDWR);
    dup2(err, 2);
    dup2(null, 1);
    dup2(null, 0);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  return g;
}

bool wait_for(const std::function<bool()>& ready) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kPatienceSeconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// The exit status, or -1 when the game had to be killed or died of a
// signal.
int finish(Game& g) {
  if (!wait_for([&] { return ended(g); })) {
    kill(g.pid, SIGKILL);
    waitpid(g.pid, &g.status, 0);
    return -1;
  }
  return WIFEXITED(g.status) ? WEXITSTATUS(g.status) : -1;
}

TEST(GameRun, WithoutGameDataSaysSoAndExitsZero) {
  TempDir scratch, empty_data, xdg;
  Game g = start_game(scratch, {},
                      {"KR_HOME=" + empty_data.path, "XDG_DATA_HOME=" + xdg.path, "SDL_VIDEODRIVER=offscreen",
                       "SDL_AUDIODRIVER=dummy"});
  EXPECT_EQ(finish(g), 0);
  EXPECT_NE(slurp(g.stderr_path).find("Can't find game data"), std::string::npos) << slurp(g.stderr_path);
}

TEST(GameRun, MissingTrailingValueIsABadArgument) {
  TempDir scratch, xdg;
  Game g = start_game(scratch, {"--texture-detail"},
                      {"KR_HOME=" KR_GAME_DIR, "XDG_DATA_HOME=" + xdg.path, "SDL_VIDEODRIVER=offscreen",
                       "SDL_AUDIODRIVER=dummy"});
  EXPECT_EQ(finish(g), 1);
  EXPECT_NE(slurp(g.stderr_path).find("Bad arg for --texture-detail\n"), std::string::npos)
      << slurp(g.stderr_path);
}

TEST(GameRun, TerminationRunsTheShutdownAndWritesTheConfiguration) {
  TempDir scratch, xdg;
  std::string home = xdg.path + "/Kiwi Ridge/";
  Game g = start_game(scratch, {},
                      {"KR_HOME=" KR_GAME_DIR, "XDG_DATA_HOME=" + xdg.path, "SDL_VIDEODRIVER=offscreen",
                       "SDL_AUDIODRIVER=dummy"});
  bool started = wait_for([&] {
    return slurp(home + "lastlog.txt").find("TARN 0.31") != std::string::npos ||
           ended(g);
  });
  ASSERT_TRUE(started) << "no log after " << kPatienceSeconds << " s";
  // Let start-up reach the loop before asking it to stop.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(g.pid, SIGTERM);
  EXPECT_EQ(finish(g), 0) << slurp(g.stderr_path) << slurp(home + "lastlog.txt");
  EXPECT_TRUE(file_exists(home + "config")) << slurp(home + "lastlog.txt");
  EXPECT_NE(slurp(home + "config").find("track=rabbithill\n"), std::string::npos);
}

// Starts the game with the shipped data and a private home folder, lets it
// reach its loop and stops it with SIGTERM; returns the exit status.
int run_and_terminate(const TempDir& scratch, const TempDir& xdg) {
  std::string home = xdg.path + "/Kiwi Ridge/";
  Game g = start_game(scratch, {},
                      {"KR_HOME=" KR_GAME_DIR, "XDG_DATA_HOME=" + xdg.path, "SDL_VIDEODRIVER=offscreen",
                       "SDL_AUDIODRIVER=dummy"});
  wait_for([&] { return slurp(home + "lastlog.txt").find("TARN 0.31") != std::string::npos || ended(g); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(g.pid, SIGTERM);
  return finish(g);
}

TEST(GameRun, DamagedConfigurationKeepsItsGoodSettingsAndSettlesInOneRun) {
  TempDir scratch, xdg;
  std::string home = xdg.path + "/Kiwi Ridge/";
  std::string damaged = "laps=7\n" + std::string(5000, 'x') + "=1\nno equals sign here\n" +
                        std::string("\x01\xff\x00\x7f=3\n", 7) + "video_mode=Windowed\r\n" +
                        "fov = 90\nlaps=9\nunknown_key=1\nfov=95\n";
  std::string path = home + "config";
  std::string dir = home.substr(0, home.size() - 1);
  std::system(("mkdir -p '" + dir + "'").c_str());
  {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(damaged.data(), 1, damaged.size(), f);
    std::fclose(f);
  }
  ASSERT_EQ(run_and_terminate(scratch, xdg), 0);
  std::string first = slurp(path);
  EXPECT_NE(first.find("\nlaps=9.000000\n"), std::string::npos) << first;
  EXPECT_NE(first.find("\nfov=95.000000\n"), std::string::npos);
  EXPECT_NE(first.find("\nvideo_mode=Windowed\n"), std::string::npos);
  EXPECT_EQ(first.find("unknown_key"), std::string::npos);
  // Every key once.
  std::vector<std::string> keys;
  for (size_t at = 0; at < first.size();) {
    size_t end = first.find('\n', at);
    std::string line = first.substr(at, end - at);
    keys.push_back(line.substr(0, line.find('=')));
    at = end == std::string::npos ? first.size() : end + 1;
  }
  std::vector<std::string> sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
  EXPECT_EQ(keys.front(), "xres");
  // A second run writes the same file byte for byte.
  ASSERT_EQ(run_and_terminate(scratch, xdg), 0);
  EXPECT_EQ(slurp(path), first);
}

}  // namespace
