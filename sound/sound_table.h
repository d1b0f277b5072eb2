// Sound tables: recorded firing sounds on a grid of engine rpm (rows) and
// engine load (columns), read from text files that name raw recordings.
// Tables and recordings are cached by file name for the whole run.
#pragma once
#include <string>
#include <vector>

struct SoundRecording {
  std::vector<float> samples;  // -1..1
};

struct SoundCell {
  const SoundRecording* recording = nullptr;
  int events = 1;          // firings recorded one after the other, at least 1
  std::vector<int> remap;  // event numbers to play in turn, each 0..events-1
};

struct SoundTable {
  std::vector<float> rpm;   // one per row, ascending
  std::vector<float> load;  // one per column, ascending
  std::vector<SoundCell> cells;  // row after row
  int rows() const { return static_cast<int>(rpm.size()); }
  int columns() const { return static_cast<int>(load.size()); }
  const SoundCell& cell(int row, int column) const { return cells[static_cast<size_t>(row * columns() + column)]; }
};

// The two tables every build carries: one row, columns for load 0 and 1, a
// single synthetic firing of 1024 samples in each cell.
const SoundTable* builtin_four_stroke_table();
const SoundTable* builtin_two_stroke_table();

// A table file (text):
//   SOUNDTABLE rows columns
//   rows rpm values, then columns load values
//   per row, per column: remap entries ended by -1, then the event count and
//   the recording's file name.
// Null when it cannot be read, with console messages naming the cell and
// the file. A failed table is remembered so it is reported only once.
const SoundTable* load_sound_table(const char* name);
// Raw 16-bit signed little-endian mono samples, read to the end and scaled
// by 1/32768. Null when unreadable or empty.
const SoundRecording* load_sound_recording(const char* name);

// Tests only: forget every cached table and recording.
void sound_cache_reset();
