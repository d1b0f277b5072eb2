// ".braap" engine sound descriptions: text lines that change a parameter
// block ("pipe", "minrpm", "lowtorque", "hightorque", "bias", "scale",
// "soundtable"; "#" starts a comment), and where a bike's file is found.
#pragma once
#include <string>
#include <vector>

#include "sound/engine_params.h"

// Applies a description to the block. Before the first line every pipe tap
// is silenced, so a file without a "pipe" line has no echo. An empty bias or
// scale list becomes the single value 0 or 1. Lines that match nothing, and
// values that are not finite numbers, are logged and skipped.
void apply_braap_text(const std::string& text, EngineParams& params, const char* name);
// Reads and applies a ".braap" data file; false when it cannot be opened
// (the block is then unchanged).
bool read_braap_file(const char* name, EngineParams& params);

// The files to try for a bike, in order: from its graphics name (the part
// after the last "." of the base name becomes ".braap", then the name is cut
// at each "-" from the right), then its class file ("@default450f.braap"
// ...; none for an unknown class).
std::vector<std::string> braap_file_candidates(const std::string& graphics_name, const std::string& bike_class);
