// Compressed and enciphered streams: the input's first byte chooses ".gz",
// ".scram" or ".gz.scram", the rest is the stored file, read through every
// kind of read the readers use, within a cap.
#include <zlib.h>

#include <climits>

#include "files/file_stream.h"
#include "files/scramble.h"
#include "tests/fuzz/fuzz_target.h"

namespace {
const char* const kSuffixes[] = {".gz", ".scram", ".gz.scram"};
constexpr long kCap = 1 << 20;

std::string gzip(const std::string& text) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string body(deflateBound(&z, text.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(body.data());
  z.avail_out = static_cast<uInt>(body.size());
  deflate(&z, Z_FINISH);
  body.resize(z.total_out);
  deflateEnd(&z);
  return std::string("\x1f\x8b\x08\x08\0\0\0\0\0\x03stream\0", 17) + body + std::string(8, '\0');
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_data_folder();
  const size_t choice = fuzz_choice(data, size, 3);
  for (const char* s : kSuffixes) fuzz_remove(std::string("s") + s);
  fuzz_write(std::string("s") + kSuffixes[choice], std::string(reinterpret_cast<const char*>(data), size));
  if (DataFilePtr f{open_data_file("@s", "r")}) {
    limit_data_file(f.get(), kCap);
    int n = 0;
    float x = 0;
    char word[81];
    read_formatted(f.get(), " %d %f %80s", &n, &x, word);
    skip_comments(f.get());
    read_number(f.get());
    char line[1024];
    while (read_line(f.get(), line, sizeof line)) {
    }
    fuzz_check(data_file_position(f.get()) <= kCap + 1, "a capped stream ends one byte past its cap");
    fuzz_check(!seek_data_file(f.get(), 0), "a decoded stream cannot seek");
  }
  std::string out;
  if (read_whole_data_file("@s", out, kCap)) fuzz_check(static_cast<long>(out.size()) <= kCap, "the cap holds");
  return 0;
}

void fuzz_seeds(const std::string& name, const std::string& bytes, std::vector<std::string>& inputs) {
  // Every text file of the tracks, stored each way.
  const bool text = name.find('/') != std::string::npos && name.find('.') == std::string::npos;
  if (!text || bytes.size() > 64 * 1024) return;
  inputs.push_back(fuzz_with_choice(0, gzip(bytes)));
  inputs.push_back(fuzz_with_choice(1, scramble_encipher(bytes)));
  inputs.push_back(fuzz_with_choice(2, scramble_encipher(gzip(bytes))));
}
