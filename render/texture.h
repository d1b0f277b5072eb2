// GL textures cached by name. The pixels are uploaded by the texture
// loader; until then a texture is an id per readable file name.
#pragma once
#include <cstdint>

using TextureId = unsigned;  // 0 = no texture

// The texture for name (a leading '!' asks for full detail), 0 when the name
// is empty, "null" or the file cannot be opened. Equal names give equal ids.
TextureId texture_load(const char* name);
// The name the texture was requested by; "" for 0 or an unknown id.
const char* texture_name(TextureId id);
// Bytes of texture memory in use (logged by track loading).
unsigned long texture_memory_used();
// Animated textures restart when a billboard switches to them.
void texture_anim_start(TextureId id, double now);
void texture_anim_stop(TextureId id);
// Forgets every cached texture (tests).
void texture_cache_clear();
