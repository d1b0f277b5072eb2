// Shared test fixtures: scratch folders and a private set of data folders.
#pragma once
#include <string>

// A fresh folder under /tmp, removed with its contents on destruction.
struct TempDir {
  std::string path;  // without a trailing '/'
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // Writes a file below the folder (creating folders on the way); returns
  // its full path.
  std::string write(const std::string& relative, const std::string& content) const;
  std::string file(const std::string& relative) const { return path + "/" + relative; }
};

// Points the home folder at <root>/home/Kiwi Ridge and the second data folder
// at <root>/data (through XDG_DATA_HOME and KR_HOME), and resets the data-file
// index, so a test sees only the files it wrote.
struct DataSandbox {
  TempDir root;
  DataSandbox();
  ~DataSandbox();
  std::string home() const { return root.path + "/home/Kiwi Ridge"; }
  std::string data() const { return root.path + "/data"; }
  std::string write_home(const std::string& rel, const std::string& content) const {
    return root.write("home/Kiwi Ridge/" + rel, content);
  }
  std::string write_data(const std::string& rel, const std::string& content) const {
    return root.write("data/" + rel, content);
  }
  // Forget the index so files written since are seen.
  void rescan() const;
};

// Reads a whole file; empty when missing.
std::string slurp(const std::string& path);
bool file_exists(const std::string& path);
