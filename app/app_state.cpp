#include "app/app_state.h"

#include <csignal>

namespace {
volatile std::sig_atomic_t g_quit = 0;

void on_quit_signal(int) { g_quit = 1; }
}  // namespace

App& app() {
  static App state;
  return state;
}

void request_quit() { g_quit = 1; }
bool quit_requested() { return g_quit != 0; }

void install_quit_signals() {
  struct sigaction action = {};
  action.sa_handler = on_quit_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}
