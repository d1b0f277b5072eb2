#include "core/pending_parts.h"

// Until the window exists the loop runs without drawing and keeps
// simulating; until the session exists nothing is simulated.

bool create_window(const char*, int, int, bool, int, int) { return true; }
bool window_exists() { return false; }
bool window_begin_frame(int*, int*) { return false; }
bool window_end_frame() { return false; }
void destroy_window() {}

bool start_audio() { return false; }
bool start_audio_recording(FILE*, int, int) { return false; }
bool audio_running() { return false; }
void audio_frame_update() {}
void stop_audio() {}
void append_recorded_audio(FILE*) {}

void setup_gl_extensions() {}
void set_initial_gl_state(bool) {}
void load_fonts() {}
void load_fixed_pictures() {}
void setup_projection(int, int) {}
void render_view(ViewMode, bool) {}
void draw_overlays() {}
void draw_centred_text_row(int, const char*) {}
void draw_menus(int) {}
void finish_gl() {}
void write_video_frame(FILE*, int, int) {}
bool save_frame_as_png(const char*) { return false; }

void open_pointer_axes() {}
void bind_controls() {}
void bind_menu_keys() {}
void read_pointer(bool* moved, bool* left_held) { *moved = *left_held = false; }
void menu_select_under_pointer(int, int*) {}
void watch_axes_for_capture() {}
double read_axis(AxisHandle*) { return 0; }
void close_axes() {}

void apply_default_stability() {}
void build_appearance_lists() {}
void load_series_definitions() {}

void create_physics_world() {}
void destroy_physics_world() {}
bool open_demo_for_playback(const char*, std::string*) { return false; }
void empty_slots(bool) {}
bool session_setup(bool, bool, int, int) { return false; }
bool slot_has_sound(int) { return false; }
bool rider_hidden(int) { return false; }
void update_engine_sound(int, double) {}
bool leader_finished() { return false; }
void rotate_lineup_and_restart() {}
bool time_trial_running() { return false; }
void restart_time_trial() {}
void set_rider_controls(int, const RiderControls&) {}
double bike_clutch_engagement(int) { return 1; }
void move_camera(ViewMode, const double*) {}
void editor_step() {}
void terrain_incremental_update(int) {}
bool hide_oldest_message_line() { return false; }
int step_count() { return 0; }
int race_start_step() { return 0; }

bool server_connected() { return false; }
int server_latest_step() { return 0; }
bool first_server_step_arrived() { return false; }
void network_step() {}
void connect_to_server(const char*, const char*) {}
void send_disconnect() {}

void save_race_records() {}
void free_session() {}
void close_socket_library() {}

bool track_loaded() { return false; }
bool slot_has_bike(int) { return false; }
bool slot_is_live(int) { return false; }
bool server_warmup() { return false; }
int track_camera_count() { return 0; }
bool binding_capture_active() { return false; }
void cancel_binding_capture() {}
bool capture_key_binding(int) { return false; }
void menu_handle_key(int, int) {}
bool editor_handle_key(int, bool) { return false; }
void frame_step() {}
void seek_demo(double) {}
int neighbour_in_race_order(int slot, int) { return slot; }
void leave_editor() {}
