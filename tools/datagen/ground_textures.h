// Procedural ground tile textures: tileable noise in the colours of each
// surface, and transitions between two surfaces by corner mask.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum GroundSurface { SurfaceHardpack, SurfaceLoose, SurfaceSand, SurfaceGrass, SurfaceCount };

constexpr int kGroundTextureSize = 128;

// RGB pixels, rows top first (rows follow z, columns x). `variant` changes
// the noise so that alternative textures of a surface differ.
std::vector<uint8_t> ground_texture(GroundSurface surface, int variant);
// From surface a to surface b: corner bits (first most significant) are
// the corners (low x, low z), (high x, low z), (low x, high z),
// (high x, high z) that show b.
std::vector<uint8_t> ground_transition(GroundSurface a, GroundSurface b, int mask);
