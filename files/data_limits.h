// What the readers accept from a data file, which players download from each
// other and modders make by hand: a size cap for each kind of file, names
// that are data files, and the note a refused file leaves.
#pragma once
#include <string>

constexpr long kKiB = 1024;
constexpr long kMiB = 1024 * kKiB;

// Size caps, each well above any real file of its kind. A larger file is no
// file of that kind: it is refused before it is read (or, compressed, as
// soon as it passes the cap), so it can cost no more memory than the cap.
//
// Track text files (statues, billboards, timing_gates, flaggers, decals,
// cameras, lighting, tileinfo, texturelist, desc): the shipped ones hold up
// to 11 KiB; 4 MiB is some 50000 statue lines.
constexpr long kTrackTextCap = 4 * kMiB;
// "terrain.hf" with its heights inline: the largest ground (4097 x 4097
// samples) takes 32 MiB.
constexpr long kHeightFieldCap = 64 * kMiB;
// "tilemap": the largest ground has 2048 x 2048 tiles, 4 MiB.
constexpr long kTileMapCap = 8 * kMiB;
// Pictures (PNG, PPM/PGM, J6/J7): the largest real ones are the shading of
// the largest ground, 4097 x 4097 x 3 bytes (48 MiB, 96 MiB with 16-bit
// samples). A picture is also refused when it is larger than the image its
// header declares can need.
constexpr long kImageFileCap = 128 * kMiB;
// The ".info" text beside a picture.
constexpr long kImageInfoCap = 64 * kKiB;
// Collision shapes: a real one is a few dozen spheres in 1 or 2 KiB.
constexpr long kShapeFileCap = 1 * kMiB;
// The configuration file: about 10 KiB.
constexpr long kConfigFileCap = 1 * kMiB;
// A ".saf" archive's directory: one line of a few dozen bytes per member;
// the shipped archive has 30 members.
constexpr long kArchiveDirectoryCap = 4 * kMiB;
constexpr long kArchiveMemberCap = 65536;

// Whether a name that one data file gives for another (a texture, model or
// shape named by a track file) names a data file: "@" and a name relative to
// the data folders, or a plain relative path (the working folder's), that
// never climbs out with "..", or an absolute path inside a data folder. A
// leading '!' (a texture at full detail) is allowed. The file need not
// exist; device files and pipes are refused when they are opened.
bool data_file_name_acceptable(const char* name);

// Reports a file refused as no data file of its kind: shows the console
// message "Refused '<name>': <why>" and counts it, so that a track load can
// fail when anything it read was refused.
void refuse_data_file(const char* name, const char* why);
// Refusals since the program started.
long refused_data_file_count();

// "4 MiB", "64 KiB" or "123 bytes".
std::string size_text(long bytes);
