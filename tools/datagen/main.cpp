#include <cstdio>
#include <filesystem>
#include <fstream>

#include "files/archive_writer.h"
#include "tools/datagen/datagen.h"

bool DataSet::write(const std::string& relative, const std::string& content) const {
  std::filesystem::path p = std::filesystem::path(dir) / relative;
  std::error_code ec;
  std::filesystem::create_directories(p.parent_path(), ec);
  // Leave an unchanged file alone, so its time stamp only moves on change.
  std::ifstream old(p, std::ios::binary);
  if (old) {
    std::string prev((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
    if (prev == content) return true;
  }
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();  // the last buffered bytes can fail too
  if (out.fail()) {
    std::fprintf(stderr, "kr_datagen: can't write %s\n", p.c_str());
    failed = true;
    return false;
  }
  return true;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kr_datagen OUTPUT_FOLDER\n");
    return 2;
  }
  DataSet ds;
  ds.dir = argv[1];
  if (ds.dir.empty() || ds.dir.back() != '/') ds.dir += '/';

  gen_core_files(ds);
  gen_bike_shapes(ds);
  gen_object_shapes(ds);
  gen_engine_sounds(ds);
  gen_tracks(ds);

  std::vector<ArchiveMember> members;
  for (const auto& [name, content] : ds.core) members.push_back({name, content});
  ds.write("zzzz.saf", build_archive(members));
  return ds.failed ? 1 : 0;
}
