// Drawing a frame: GL set-up, fonts and fixed pictures, the view, the HUD
// overlays, text rows, the terrain textures' incremental update, frame
// read-back for screenshots and video.
#pragma once
#include <cstdio>

void setup_gl_extensions();
void set_initial_gl_state(bool flat_shading);
void load_fonts();
void load_fixed_pictures();
void setup_projection(int width, int height);
// Which view to draw; the app's view modes map onto these.
enum class DrawnView { Rider, Editor, Orbit, TrackCamera, Title };
void render_view(DrawnView view, bool draw_hud);
void draw_overlays();
void draw_centred_text_row(int row, const char* text);
void finish_gl();
void write_video_frame(FILE* out, int width, int height);
bool save_frame_as_png(const char* name);
// Spends up to budget units of work on the ground textures near the camera.
void terrain_incremental_update(int budget);
