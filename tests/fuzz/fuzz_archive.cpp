// The ".saf" archive index and its members: the input is an archive in the
// data folder; the index is built over it and every member read back,
// through its compressed or enciphered variant where its name says so.
#include "files/data_files.h"
#include "files/file_stream.h"
#include "tests/fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_data_folder();
  fuzz_write("x.saf", std::string(reinterpret_cast<const char*>(data), size));
  data_files_reset();
  for (const DataFileEntry& e : data_file_index()) {
    fuzz_check(e.offset >= 0 && e.size >= 0, "a member starts and ends inside its archive");
    if (e.rank > 0) fuzz_check(e.offset + e.size <= static_cast<long>(size), "a member lies inside its archive");
  }
  for (const std::string& name : data_file_names()) {
    std::string out;
    if (read_whole_data_file(("@" + name).c_str(), out, 1 << 20)) fuzz_check(out.size() <= 1 << 20, "the cap holds");
    for (const char* suffix : {".gz.scram", ".gz", ".scram"}) {
      if (!fuzz_ends_with(name, suffix)) continue;
      const std::string plain = name.substr(0, name.size() - std::string(suffix).size());
      read_whole_data_file(("@" + plain).c_str(), out, 1 << 20);
      break;
    }
  }
  return 0;
}

void fuzz_seeds(const std::string& name, const std::string& bytes, std::vector<std::string>& inputs) {
  if (fuzz_ends_with(name, ".saf")) inputs.push_back(bytes);
}
