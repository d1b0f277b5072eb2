// Builds ".saf" archives: a text directory of "size name" lines ended by
// "-", then the members' bytes back to back.
#pragma once
#include <string>
#include <vector>

struct ArchiveMember {
  std::string name;
  std::string data;
};

std::string build_archive(const std::vector<ArchiveMember>& members);
