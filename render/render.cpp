#include "render/render.h"

// Until the renderer is built nothing is drawn.
void setup_gl_extensions() {}
void set_initial_gl_state(bool) {}
void load_fonts() {}
void load_fixed_pictures() {}
void setup_projection(int, int) {}
void render_view(DrawnView, bool) {}
void draw_overlays() {}
void draw_centred_text_row(int, const char*) {}
void finish_gl() {}
void write_video_frame(FILE*, int, int) {}
bool save_frame_as_png(const char*) { return false; }
void terrain_incremental_update(int) {}
