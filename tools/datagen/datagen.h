// The data-set generator: every file of the shipped game data is made here,
// deterministically, from code.
#pragma once
#include <map>
#include <string>

struct DataSet {
  std::string dir;  // output folder, ends in '/'
  // Files that go into the core archive "zzzz.saf", by name.
  std::map<std::string, std::string> core;
  // Set by a write that failed; the generator then exits with an error so
  // the build does not take a half-written data set for a finished one.
  mutable bool failed = false;

  // Writes a plain file below dir (folders are created on the way).
  bool write(const std::string& relative, const std::string& content) const;
  // Adds a member of the core archive.
  void add_core(const std::string& name, const std::string& content) { core[name] = content; }
};

// Each generator adds its files; they run in this order.
void gen_core_files(DataSet& ds);     // version text and the archive's readme
void gen_bike_shapes(DataSet& ds);    // the seven shared bike collision shapes
void gen_object_shapes(DataSet& ds);  // start gate and statue collision shapes
void gen_engine_sounds(DataSet& ds);  // ".braap" files and sound tables
void gen_tracks(DataSet& ds);         // every track folder

struct GeneratedTrack;
// Per track: height field, shading, shadows, tile files and textures.
void gen_track_ground(DataSet& ds, const GeneratedTrack& t);
// Per track: lighting, gates, flaggers, billboards, statues, decals,
// cameras and the map picture.
void gen_track_objects(DataSet& ds, const GeneratedTrack& t);
