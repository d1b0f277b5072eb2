// Calls into subsystems that are not built yet. Each is an empty stand-in
// named for what it will do; the subsystem's real call replaces it here.
#pragma once
#include <cstdio>
#include <string>

#include "core/app_state.h"
#include "core/controls.h"

// Window, display modes and GL context.
bool create_window(const char* title, int width, int height, bool fullscreen, int colour_bits, int depth_bits);
bool window_exists();
// Takes the frame lock and gives the drawable size; false when the window
// cannot be drawn this pass.
bool window_begin_frame(int* width, int* height);
bool window_end_frame();
void destroy_window();

// Audio.
bool start_audio();
bool start_audio_recording(FILE* file, int rate, int block_samples);
bool audio_running();
void audio_frame_update();
void stop_audio();
// The bytes the recording driver produced for the last step.
void append_recorded_audio(FILE* file);

// GL and drawing.
void setup_gl_extensions();
void set_initial_gl_state(bool flat_shading);
void load_fonts();
void load_fixed_pictures();
void setup_projection(int width, int height);
void render_view(ViewMode view, bool draw_hud);
void draw_overlays();
void draw_centred_text_row(int row, const char* text);
void draw_menus(int menu);
void finish_gl();
void write_video_frame(FILE* out, int width, int height);
bool save_frame_as_png(const char* name);

// Input devices and bindings.
void open_pointer_axes();
void bind_controls();
void bind_menu_keys();
void read_pointer(bool* moved, bool* left_held);
void menu_select_under_pointer(int menu, int* item);
void watch_axes_for_capture();
double read_axis(AxisHandle* axis);
void close_axes();

// Settings outside the configuration file proper.
void apply_default_stability();
void build_appearance_lists();
void load_series_definitions();

// Physics, session, demos and race.
void create_physics_world();
void destroy_physics_world();
bool open_demo_for_playback(const char* file, std::string* track);
void empty_slots(bool robot_in_first_slot);
bool session_setup(bool demo_given, bool record_demo, int time_limit_steps, int laps);
bool slot_has_sound(int slot);
bool rider_hidden(int slot);
void update_engine_sound(int slot, double volume);
bool leader_finished();
void rotate_lineup_and_restart();
bool time_trial_running();
void restart_time_trial();
void set_rider_controls(int slot, const RiderControls& controls);
double bike_clutch_engagement(int slot);
void move_camera(ViewMode view, const double sums[kActionCount]);
void editor_step();
void terrain_incremental_update(int budget);
// Hides the oldest visible message line; false when none is visible.
bool hide_oldest_message_line();
int step_count();
int race_start_step();

// Multiplayer.
bool server_connected();
int server_latest_step();
bool first_server_step_arrived();
void network_step();
void connect_to_server(const char* host, const char* password);
void send_disconnect();

// Shutdown of the race and its files.
void save_race_records();
void free_session();
void close_socket_library();

// The game's loop parts (core/loop_parts.h).
bool track_loaded();
bool slot_has_bike(int slot);
bool slot_is_live(int slot);
bool server_warmup();
int track_camera_count();
bool binding_capture_active();
void cancel_binding_capture();
bool capture_key_binding(int code);
void menu_handle_key(int menu, int code);
bool editor_handle_key(int code, bool pressed);
void frame_step();
void seek_demo(double seconds);
int neighbour_in_race_order(int slot, int direction);
void leave_editor();
