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

constexpr int kRoostTextureSize = 32;
// The roost particle: a white, ragged clump of dirt on a clear ground
// (RGBA, rows top first); each roost entry tints it with its colour.
std::vector<uint8_t> roost_texture();
