#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/configured_settings.h"
#include "app/cpu_features.h"
#include "app/data_check.h"
#include "app/data_digests.h"
#include "app/kiwiridge.h"
#include "app/main_loop.h"
#include "app/shutdown.h"
#include "app/track_list.h"
#include "bike/physics_world.h"
#include "config/bike_setup.h"
#include "config/binding_capture.h"
#include "config/graphics_params.h"
#include "config/settings.h"
#include "core/session.h"
#include "core/session_setup.h"
#include "demo/demo.h"
#include "files/data_files.h"
#include "net/client.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/fatal.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/window.h"
#include "race/series.h"
#include "render/render.h"
#include "track/track.h"

namespace {

constexpr int kDrawablePolls = 162;
constexpr double kDrawablePollSeconds = 1.0 / 16;
constexpr int kRecordingRate = 88320;
constexpr int kRecordingBlock = static_cast<int>(kStep * kRecordingRate);  // 690 samples a step
constexpr int kStartLaps = 1000;

// Points the log at "lastlog.txt" in the home folder, creating the folder.
void open_log() {
  const char* home = home_folder();
  if (!home) return;
  make_folders_along(home);
  tarn_log("TARN_LOGFILE=%slastlog.txt", home);
}

// Prints the parser's messages; returns the exit status when the program
// must stop here, else -1.
int take_command_line(App& a, int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  CommandLineResult parsed = parse_command_line(args);
  for (const std::string& notice : parsed.notices) std::fputs(notice.c_str(), stderr);
  if (parsed.stop) {
    if (!parsed.error.empty()) std::fputs(parsed.error.c_str(), stderr);
    if (parsed.values.open_home) open_home_folder();
    return parsed.exit_status;
  }
  a.options = parsed.values;
  a.debug_level = a.options.debug_level;
  if (a.options.nommx) {
    if (a.mmx) tarn_log("Ignoring MMX\n");
    a.mmx = false;
  }
  apply_command_line_overrides(a.options);
  return -1;
}

// Polls the window until it can be drawn; false after about ten seconds.
bool wait_until_drawable() {
  int width, height;
  for (int poll = 0; poll < kDrawablePolls; ++poll) {
    if (window_driver().begin_frame(&width, &height)) return true;
    tarn_sleep(kDrawablePollSeconds);
    if (quit_requested()) return false;
  }
  return false;
}

// GL set-up, fonts and pictures, and the first frame. False when the first
// frame cannot be finished.
bool prepare_window(const App& a) {
  setup_gl_extensions();
  set_initial_gl_state(a.options.fugly);
  load_fonts();
  load_fixed_pictures();
  return window_driver().end_frame();
}

}  // namespace

int kiwiridge_main(int argc, char** argv) {
  App& a = app();
  a = App();
  // Standard input needs no binary mode here: POSIX streams never
  // translate line ends.
  install_quit_signals();

  open_log();
  if (find_game_data(kDataSetDigest) < 0) {
    message_box("Problem starting Kiwi Ridge", "Can't find game data\n");
    tarn_log(nullptr);
    return 0;
  }
  a.fixed_files_ok = fixed_files_match(kFixedFileDigest);
  set_video_mode_list(window_driver().display_modes());
  a.mmx = cpu_has_mmx();
  if (!a.mmx) tarn_log("This CPU does not have MMX!\n");
  apply_default_stability();
  load_configuration();

  int status = take_command_line(a, argc, argv);
  if (status >= 0) return status;
  CommandLine& o = a.options;
  if (o.connect) o.track.clear();  // the server chooses the track

  const std::vector<std::string>& names = data_file_names();
  track_list() = build_track_list(names, a.debug_level);
  if (track_list().empty()) {
    std::fputs("No tracks found\n", stderr);
    return 1;
  }
  demo_list() = build_demo_list(names, a.debug_level);
  // The loader titles a track as the chooser lists it.
  track_set_title_lookup(listed_track_title);
  track_set_debug_level(a.debug_level);
  load_series_definitions();
  std::string track = o.track.empty() ? configured_track() : o.track;
  select_track_in_chooser(track.c_str());

  bool windowed = windowed_mode();
  int width = configured_width(), height = configured_height();
  if (!windowed) fullscreen_size(&width, &height);
  WindowRequest window{"Kiwi Ridge", width, height, !windowed, o.colour_bits, o.depth_bits};
  if (!window_driver().create(window)) return 1;

  FILE* audio_recording = nullptr;
  if (!o.record_audio.empty()) {
    audio_recording = std::fopen(o.record_audio.c_str(), "wb");
    if (!audio_recording) {
      tarn_log("Can't open %s for the audio recording\n", o.record_audio.c_str());
    } else {
      tarn_start_recording_audio(kRecordingRate, kRecordingBlock);
    }
  } else if (!o.nosound) {
    // A sound card that does not start leaves the game silent.
    tarn_start_sound_card();
  }
  set_out_of_memory_hooks(tarn_stop_audio, window_driver().destroy);

  // Without a display the loop runs without drawing.
  a.have_window = window_driver().exists();
  bool ready = true;
  if (a.have_window) ready = wait_until_drawable() && prepare_window(a);

  if (ready) {
    input_driver().open_pointer_axes();
    bind_controls();
    bind_menu_keys();
    if (!physics_world_create(physics_world())) tarn_log("Can't start the physics world\n");

    std::string track_to_load = o.track;
    if (o.has_file) {
      std::string demo_track;
      if (open_demo_for_playback(o.file.c_str(), &demo_track)) track_to_load = demo_track;
    }
    empty_slots(!o.has_file);
    if (!track_to_load.empty()) {
      SessionRequest request;
      request.table = &slot_table();
      request.track = track_to_load;
      request.play_demo = o.has_file;
      request.time_limit_steps = 0;
      request.laps = kStartLaps;
      request.line_skill = robot_skill_setting();
      request.learn = o.learn.value_or(false);
      request.practice = o.practice;
      request.erosion = static_cast<int>(o.erode.value_or(0));
      request.roost_density = graphics_params().roost_frequency;
      session_setup(request);
      a.loop.watched_slot = current_session().watched_slot;
    }
    if (o.connect) connect_to_server(o.server.c_str(), o.password.c_str());

    LoopState& loop = a.loop;
    loop.view = RiderView;
    loop.menu = o.connect ? -1 : 0;
    loop.frames.previous = tarn_seconds();
    run_main_loop(a, audio_recording);
  }
  return shutdown_sequence(a, audio_recording);
}
