// Data folders, the sorted index of data files and ".saf" archive members,
// and the data-file name list.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// The i-th data folder (each ends in '/'), or null past the end. Folder 0 is
// the home folder "$XDG_DATA_HOME/Kiwi Ridge/"; folder 1 is $KR_HOME or the
// executable's folder. A folder whose lookup fails is left out; home_folder()
// is then null, so nothing is ever written into the shipped data.
const char* data_folder(int i);
const char* home_folder();

// One index entry: a plain file in a data folder or a member of an archive.
struct DataFileEntry {
  std::string path;  // the file's full path (for a member, the archive's)
  std::string name;  // relative to its data folder, '/' separated
  long offset = 0;   // where the data starts inside the file
  long size = 0;
  int rank = 0;      // folder index, or folders + archive ordinal
};

// All entries sorted by (name case-insensitively, rank). Built at first use.
const std::vector<DataFileEntry>& data_file_index();
// The entry of lowest rank with this name (case-insensitive), or null.
const DataFileEntry* find_data_file(const char* name);
// The sorted names with case-insensitive repeats removed.
const std::vector<std::string>& data_file_names();

// "<name> -> <path>" of index entry i, cut to the buffer.
void describe_data_file(int i, char* buffer, size_t size);

// Creates the home folder and opens it in the desktop's file browser.
bool open_home_folder();

// Creates every folder along path (each prefix up to a '/').
void make_folders_along(const char* path);

// Case-insensitive comparison of names, character by character with tolower.
int compare_names(const std::string& a, const std::string& b);

// Tests only: forget the folders and the index so they are built again.
void data_files_reset();
