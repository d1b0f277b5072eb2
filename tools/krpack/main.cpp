// krpack: packs folders into ".saf" archives and enciphers files (".scram").
//   krpack pack ARCHIVE.saf FOLDER   every file below FOLDER, names relative
//   krpack scram FILE [OUT]          writes FILE.scram (or OUT)
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "files/archive_writer.h"
#include "files/scramble.h"

namespace fs = std::filesystem;

namespace {

bool read_file(const fs::path& p, std::string& out) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

bool write_file(const fs::path& p, const std::string& data) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();  // the last buffered bytes can fail too
  return !out.fail();
}

int usage() {
  std::fprintf(stderr, "usage: krpack pack ARCHIVE.saf FOLDER\n       krpack scram FILE [OUT]\n");
  return 2;
}

int pack(const char* archive, const char* folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "krpack: '%s' is not a folder\n", folder);
    return 1;
  }
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(folder, ec))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  std::vector<ArchiveMember> members;
  for (const fs::path& p : files) {
    ArchiveMember m;
    m.name = fs::relative(p, folder).generic_string();
    if (!read_file(p, m.data)) {
      std::fprintf(stderr, "krpack: can't read '%s'\n", p.c_str());
      return 1;
    }
    members.push_back(std::move(m));
  }
  if (!write_file(archive, build_archive(members))) {
    std::fprintf(stderr, "krpack: can't write '%s'\n", archive);
    return 1;
  }
  std::printf("%s: %zu files\n", archive, members.size());
  return 0;
}

int scram(const char* in, const char* out) {
  std::string data;
  if (!read_file(in, data)) {
    std::fprintf(stderr, "krpack: can't read '%s'\n", in);
    return 1;
  }
  std::string target = out ? out : std::string(in) + ".scram";
  if (!write_file(target, scramble_encipher(data))) {
    std::fprintf(stderr, "krpack: can't write '%s'\n", target.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "pack") == 0 && argc == 4) return pack(argv[2], argv[3]);
  if (argc >= 2 && std::strcmp(argv[1], "scram") == 0 && (argc == 3 || argc == 4))
    return scram(argv[2], argc == 4 ? argv[3] : nullptr);
  return usage();
}
