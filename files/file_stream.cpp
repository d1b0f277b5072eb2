// File streams. Every stream is a C stream: plain files are opened directly;
// archive members, compressed and enciphered data are C streams over a
// decoding source (fopencookie), so the C library's scanf, fgets and fread
// work on all of them alike.
#include "files/file_stream.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "files/data_files.h"
#include "files/data_limits.h"
#include "files/scramble.h"
#include "platform/log.h"

struct StreamSource;

struct DataFile {
  FILE* fp = nullptr;
  bool seekable = false;
  StreamSource* source = nullptr;  // the decoding source of a cookie stream
  long known_size = -1;             // the data's size when known without reading
  long max_bytes = LONG_MAX;        // what readers may take (limit_data_file)
};

// The bytes behind a decoded stream: a window of a raw file, optionally
// deciphered, optionally inflated.
struct StreamSource {
  FILE* raw = nullptr;
  long start = 0;     // offset of the data in the raw file
  long limit = LONG_MAX;
  long raw_pos = 0;   // raw bytes consumed from start
  long out_pos = 0;   // decoded bytes handed out
  long out_cap = LONG_MAX;  // hands out no more than one byte past this
  ScrambleStream* scramble = nullptr;
  bool gzip = false;
  bool gzip_ended = false;
  z_stream z{};
  std::vector<unsigned char> in_buf;
};

namespace {

// Raw bytes from the window, deciphered when needed.
size_t read_raw(StreamSource* s, unsigned char* buf, size_t size) {
  long left = s->limit - s->raw_pos;
  if (left <= 0) return 0;
  if (static_cast<long>(size) > left) size = static_cast<size_t>(left);
  size_t n = std::fread(buf, 1, size, s->raw);
  s->raw_pos += static_cast<long>(n);
  if (s->scramble) scramble_apply(s->scramble, buf, n);
  return n;
}

ssize_t source_read(void* cookie, char* buf, size_t size) {
  StreamSource* s = static_cast<StreamSource*>(cookie);
  unsigned char* out = reinterpret_cast<unsigned char*>(buf);
  // One byte past the cap is handed out, so that readers can tell a file
  // that passes it from one that ends on it.
  if (s->out_pos > s->out_cap) return 0;
  if (s->out_cap != LONG_MAX && static_cast<long>(size) > s->out_cap + 1 - s->out_pos)
    size = static_cast<size_t>(s->out_cap + 1 - s->out_pos);
  if (!s->gzip) {
    size_t n = read_raw(s, out, size);
    s->out_pos += static_cast<long>(n);
    return static_cast<ssize_t>(n);
  }
  if (s->gzip_ended) return 0;
  s->z.next_out = out;
  s->z.avail_out = static_cast<uInt>(size);
  while (s->z.avail_out > 0) {
    if (s->z.avail_in == 0) {
      size_t n = read_raw(s, s->in_buf.data(), s->in_buf.size());
      if (n == 0) break;
      s->z.next_in = s->in_buf.data();
      s->z.avail_in = static_cast<uInt>(n);
    }
    int r = inflate(&s->z, Z_NO_FLUSH);
    if (r == Z_STREAM_END || (r != Z_OK && r != Z_BUF_ERROR)) {
      // The end of the deflate data, or data that cannot be inflated
      // further: the stream ends here.
      s->gzip_ended = true;
      break;
    }
    if (r == Z_BUF_ERROR && s->z.avail_in != 0) break;
  }
  size_t produced = size - s->z.avail_out;
  s->out_pos += static_cast<long>(produced);
  return static_cast<ssize_t>(produced);
}

int source_seek(void* cookie, off64_t* offset, int whence) {
  StreamSource* s = static_cast<StreamSource*>(cookie);
  // Only telling the position works on decoded data.
  if (whence == SEEK_CUR && *offset == 0) {
    *offset = s->out_pos;
    return 0;
  }
  if (s->gzip || s->scramble || whence != SEEK_SET) return -1;
  if (*offset < 0 || *offset >= s->limit) return -1;
  if (std::fseek(s->raw, s->start + static_cast<long>(*offset), SEEK_SET) != 0) return -1;
  s->raw_pos = s->out_pos = static_cast<long>(*offset);
  return 0;
}

int source_close(void* cookie) {
  StreamSource* s = static_cast<StreamSource*>(cookie);
  if (s->gzip) inflateEnd(&s->z);
  if (s->scramble) scramble_free(s->scramble);
  std::fclose(s->raw);
  delete s;
  return 0;
}

// Checks the gzip header: magic, method 8, flags below 32, and skips the
// optional fields.
bool read_gzip_header(StreamSource* s) {
  unsigned char h[10];
  if (read_raw(s, h, 10) != 10) return false;
  if (h[0] != 0x1F || h[1] != 0x8B || h[2] != 8 || h[3] >= 32) return false;
  int flags = h[3];
  unsigned char c;
  if (flags & 4) {
    unsigned char l[2];
    if (read_raw(s, l, 2) != 2) return false;
    int len = l[0] | (l[1] << 8);
    for (int i = 0; i < len; ++i)
      if (read_raw(s, &c, 1) != 1) return false;
  }
  for (int bit : {8, 16}) {
    if (!(flags & bit)) continue;
    do {
      if (read_raw(s, &c, 1) != 1) return false;
    } while (c != 0);
  }
  if (flags & 2) {
    unsigned char crc[2];
    if (read_raw(s, crc, 2) != 2) return false;
  }
  return true;
}

DataFile* wrap(FILE* fp, bool seekable, StreamSource* source = nullptr, long known_size = -1) {
  DataFile* f = new (std::nothrow) DataFile;
  if (!f) {
    std::fclose(fp);
    return nullptr;
  }
  f->fp = fp;
  f->seekable = seekable;
  f->source = source;
  f->known_size = known_size;
  return f;
}

// A plain file opened directly: its size is the file's.
DataFile* wrap_plain(FILE* fp) {
  struct stat st;
  long size = fstat(fileno(fp), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<long>(st.st_size) : -1;
  return wrap(fp, true, nullptr, size);
}

// A stream over raw bytes [offset, offset + size) of path.
DataFile* open_decoded(const std::string& path, long offset, long size, bool gzip, bool scrambled) {
  FILE* raw = std::fopen(path.c_str(), "rb");
  if (!raw) return nullptr;
  if (offset && std::fseek(raw, offset, SEEK_SET) != 0) {
    std::fclose(raw);
    return nullptr;
  }
  StreamSource* s = new (std::nothrow) StreamSource;
  if (!s) {
    std::fclose(raw);
    return nullptr;
  }
  s->raw = raw;
  s->start = offset;
  s->limit = size;
  bool ok = true;
  if (scrambled) {
    uint8_t nonce[8];
    ok = read_raw(s, nonce, 8) == 8 && (s->scramble = scramble_start(nonce)) != nullptr;
    // The stream's data starts after the nonce.
  }
  if (ok && gzip) {
    ok = read_gzip_header(s);
    if (ok) {
      s->in_buf.resize(16384);
      ok = inflateInit2(&s->z, -15) == Z_OK;
      s->gzip = ok;
    }
  }
  if (!ok) {
    source_close(s);
    return nullptr;
  }
  cookie_io_functions_t io{source_read, nullptr, source_seek, source_close};
  FILE* fp = fopencookie(s, "rb", io);
  if (!fp) {
    source_close(s);
    return nullptr;
  }
  const bool stored = !gzip && !scrambled;
  return wrap(fp, stored, s, stored ? size : -1);
}

// The stored forms of a data file, in the order they are tried.
struct Variant {
  const char* suffix;
  bool gzip, scrambled;
};
const Variant kVariants[] = {{"", false, false}, {".gz", true, false}, {".scram", false, true}, {".gz.scram", true, true}};

bool is_reading(const char* mode) { return std::strchr(mode, 'r') && !std::strchr(mode, '+'); }

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// Device files, pipes, sockets and folders are not data files: reading one
// could block or never end. Refused (with the message) before it is opened.
bool refused_as_no_file(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return false;
  refuse_data_file(path.c_str(), "not a data file");
  return true;
}

// Copies path to the first free "<path>.~N~".
bool keep_backup(const std::string& path) {
  char name[4200];
  for (int n = 1; n <= 9999; ++n) {
    std::snprintf(name, sizeof name, "%s.~%d~", path.c_str(), n);
    if (exists(name)) continue;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return false;
    FILE* out = std::fopen(name, "wb");
    if (!out) {
      std::fclose(in);
      return false;
    }
    std::vector<char> block(65536);
    bool ok = true;
    size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), in)) > 0)
      if (std::fwrite(block.data(), 1, got, out) != got) ok = false;
    if (std::ferror(in)) ok = false;
    std::fclose(in);
    if (std::fclose(out) != 0) ok = false;
    if (!ok) std::remove(name);
    return ok;
  }
  return false;
}

DataFile* open_plain(const std::string& path, const char* mode) {
  bool backup = mode[0] == '~';
  if (backup) ++mode;
  if (!is_reading(mode)) make_folders_along(path.c_str());
  if (backup && exists(path) && !keep_backup(path)) return nullptr;
  const bool reading = is_reading(mode);
  if (reading && refused_as_no_file(path)) return nullptr;
  if (FILE* fp = std::fopen(path.c_str(), mode)) return reading ? wrap_plain(fp) : wrap(fp, true);
  if (!reading) return nullptr;
  for (const Variant& v : kVariants) {
    if (!v.suffix[0]) continue;  // the name itself was tried above
    std::string p = path + v.suffix;
    if (p.size() >= 1024) continue;
    if (!exists(p) || refused_as_no_file(p)) continue;
    if (DataFile* f = open_decoded(p, 0, LONG_MAX, v.gzip, v.scrambled)) return f;
  }
  return nullptr;
}

}  // namespace

DataFile* open_data_file(const char* name, const char* mode) {
  if (!name || !mode) return nullptr;
  data_file_index();
  if (name[0] != '@') return open_plain(name, mode);
  const char* rel = name + 1;
  const char* m = mode[0] == '~' ? mode + 1 : mode;
  // Writing lands in the home folder only: a home folder that cannot be
  // written fails the open rather than scribbling over the shipped data.
  if (!is_reading(m)) {
    const char* home = home_folder();
    return home ? open_plain(std::string(home) + rel, mode) : nullptr;
  }
  for (int i = 0; const char* folder = data_folder(i); ++i)
    if (DataFile* f = open_plain(std::string(folder) + rel, mode)) return f;
  const DataFileEntry* best = nullptr;
  bool best_gzip = false, best_scrambled = false;
  for (const Variant& v : kVariants) {
    const DataFileEntry* e = find_data_file((std::string(rel) + v.suffix).c_str());
    if (e && (!best || e->rank < best->rank)) {
      best = e;
      best_gzip = v.gzip;
      best_scrambled = v.scrambled;
    }
  }
  if (!best) return nullptr;
  if (refused_as_no_file(best->path)) return nullptr;
  if (best->offset == 0 && !best_gzip && !best_scrambled) {
    FILE* fp = std::fopen(best->path.c_str(), "rb");
    return fp ? wrap_plain(fp) : nullptr;
  }
  return open_decoded(best->path, best->offset, best->size, best_gzip, best_scrambled);
}

void close_data_file(DataFile* f) {
  if (!f) return;
  std::fclose(f->fp);
  delete f;
}

int read_char(DataFile* f) { return std::fgetc(f->fp); }

char* read_line(DataFile* f, char* buffer, int size) { return std::fgets(buffer, size, f->fp); }

size_t read_block(DataFile* f, void* buffer, size_t count) { return std::fread(buffer, 1, count, f->fp); }

int read_formatted(DataFile* f, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vfscanf(f->fp, format, args);
  va_end(args);
  return n;
}

int read_number(DataFile* f) {
  int v;
  if (std::fscanf(f->fp, "%d", &v) != 1) return INT_MIN;
  return v;
}

void skip_comments(DataFile* f) {
  for (;;) {
    int consumed = 0;
    if (std::fscanf(f->fp, " #%*[^\n]%n", &consumed) == EOF || consumed == 0) return;
  }
}

bool seek_data_file(DataFile* f, long position) {
  if (!f->seekable || position < 0) return false;
  return std::fseek(f->fp, position, SEEK_SET) == 0;
}

long data_file_position(DataFile* f) { return std::ftell(f->fp); }

int write_char(DataFile* f, int c) { return std::fputc(c, f->fp); }

int write_text(DataFile* f, const char* text) { return std::fputs(text, f->fp); }

size_t write_block(DataFile* f, const void* buffer, size_t count) { return std::fwrite(buffer, 1, count, f->fp); }

int write_formatted(DataFile* f, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vfprintf(f->fp, format, args);
  va_end(args);
  return n;
}

int flush_data_file(DataFile* f) { return std::fflush(f->fp); }

bool rename_data_file(const char* old_name, const char* new_name) {
  const char* home = home_folder();
  if ((old_name[0] == '@' || new_name[0] == '@') && !home) return false;
  auto resolve = [home](const char* n) -> std::string { return n[0] == '@' ? std::string(home) + (n + 1) : n; };
  std::string from = resolve(old_name), to = resolve(new_name);
  // rename() replaces the new name in one step, so it is never lost.
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool limit_data_file(DataFile* f, long max_bytes) {
  f->max_bytes = max_bytes;
  if (f->source) f->source->out_cap = max_bytes;
  return f->known_size < 0 || f->known_size <= max_bytes;
}

bool data_file_overflowed(DataFile* f) {
  return f->max_bytes != LONG_MAX && data_file_position(f) > f->max_bytes;
}

bool read_rest_of_data_file(DataFile* f, const char* name, std::string& out, long max_bytes) {
  auto refuse = [&] {
    refuse_data_file(name, ("larger than " + size_text(max_bytes)).c_str());
    std::string().swap(out);
    return false;
  };
  if (!limit_data_file(f, max_bytes)) return refuse();
  if (f->known_size > 0) out.reserve(static_cast<size_t>(f->known_size));
  char buf[16384];
  size_t n;
  while ((n = read_block(f, buf, sizeof buf)) > 0) {
    if (static_cast<long>(out.size() + n) > max_bytes) return refuse();
    // Grow by doubling, but never past the cap.
    if (out.capacity() < out.size() + n) {
      size_t want = std::max(out.capacity() * 2, out.size() + n);
      out.reserve(std::min(want, static_cast<size_t>(max_bytes)));
    }
    out.append(buf, n);
  }
  return true;
}

bool read_whole_data_file(const char* name, std::string& out, long max_bytes) {
  out.clear();
  DataFilePtr f(open_data_file(name, "rb"));
  if (!f) return false;
  return read_rest_of_data_file(f.get(), name, out, max_bytes);
}
