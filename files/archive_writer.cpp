#include "files/archive_writer.h"

std::string build_archive(const std::vector<ArchiveMember>& members) {
  std::string out;
  for (const auto& m : members) out += std::to_string(m.data.size()) + " " + m.name + "\n";
  out += "-\n";
  for (const auto& m : members) out += m.data;
  return out;
}
