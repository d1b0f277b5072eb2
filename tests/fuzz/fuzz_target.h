// What every fuzz target provides, and the scratch data folders they share.
// A target is one reader driven by arbitrary bytes; it builds with libFuzzer
// (KR_FUZZ=ON) or as a plain program that replays inputs (replay_main.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Runs the reader on one input. Never fails by returning: a fault is a
// crash, a sanitizer report or fuzz_check.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// The inputs a shipped data file gives this target (none when it is of
// another kind). `name` is the data-file name ("rabbithill/statues",
// "front_wheel.shp"). Called once more with an empty name and no bytes for
// the target's own seeds.
void fuzz_seeds(const std::string& name, const std::string& bytes, std::vector<std::string>& inputs);

// A scratch home and data folder of the process's own, made the only data
// folders at the first call and removed at exit. Returns the data folder
// (ending in '/').
const std::string& fuzz_data_folder();
// Writes a file below the data folder (creating folders on the way); returns
// its full path.
std::string fuzz_write(const std::string& relative, const std::string& bytes);
// Removes a file below the data folder.
void fuzz_remove(const std::string& relative);

// A property the reader must keep: aborts with the text when it does not.
void fuzz_check(bool holds, const char* what);

// The input's first byte chooses one of `count` variants; the rest is the
// file. An empty input chooses variant 0 with no bytes.
size_t fuzz_choice(const uint8_t*& data, size_t& size, size_t count);
// The seed for variant `choice` of a file.
std::string fuzz_with_choice(size_t choice, const std::string& bytes);

// Whether a data-file name ends in the text (case as written).
bool fuzz_ends_with(const std::string& name, const char* tail);
