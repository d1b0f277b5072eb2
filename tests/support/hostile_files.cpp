#include "tests/support/hostile_files.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

std::string be32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

const char kSignature[] = "\x89PNG\r\n\x1a\n";

std::string zlib_of(const std::string& raw) {
  uLongf size = compressBound(raw.size());
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9);
  out.resize(size);
  return out;
}

}  // namespace

std::string png_chunk(const char type[4], const std::string& data) {
  std::string body = std::string(type, 4) + data;
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
  return be32(static_cast<uint32_t>(data.size())) + body + be32(static_cast<uint32_t>(crc));
}

std::string png_ihdr(unsigned width, unsigned height, int depth, int colour_type, int interlace) {
  std::string d = be32(width) + be32(height);
  d += static_cast<char>(depth);
  d += static_cast<char>(colour_type);
  d += std::string(2, '\0');  // compression and filter method
  d += static_cast<char>(interlace);
  return png_chunk("IHDR", d);
}

std::string png_with_huge_text_chunk() {
  // The chunk's length says 2 GB; only five bytes of it follow.
  return std::string(kSignature, 8) + png_ihdr(1, 1, 8, 0) + be32(0x7fffffff) + "tEXt" + "Title";
}

std::string png_of_huge_image() {
  std::string data = zlib_of(std::string(4096, '\0')).substr(0, 8);
  return std::string(kSignature, 8) + png_ihdr(16384, 4096, 8, 6) + png_chunk("IDAT", data) + png_chunk("IEND", "");
}

std::string palette_png_with_transparency() {
  const std::string palette = std::string("\xff\xff\xff", 3) + std::string(3, '\0') + std::string("\x80\x80\x80", 3);
  const std::string row = std::string("\0\0\1\2\1", 5);  // filter byte, then the indices
  return std::string(kSignature, 8) + png_ihdr(4, 1, 8, 3) + png_chunk("PLTE", palette) +
         png_chunk("tRNS", std::string("\x40", 1)) + png_chunk("IDAT", zlib_of(row)) + png_chunk("IEND", "");
}

std::string ppm_of_huge_image() { return "P6 16384 4096 255\n"; }

std::string height_field_of_infinite_range() { return "2 2.0 -3e38 3e38\n"; }

std::string gzip_of_repeats(const std::string& unit, size_t total) {
  // Up to about 1 MiB of whole units.
  std::string block_input = unit;
  while (block_input.size() + unit.size() <= std::min<size_t>(total, 1u << 20)) block_input += unit;
  // A full flush ends each block and forgets the history, so the same input
  // gives the same bytes every time: one block, repeated.
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  std::string first(deflateBound(&z, block_input.size()) + 64, '\0');
  auto run = [&z](const std::string& in, std::string& out, int flush) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, flush);
    out.resize(out.size() - z.avail_out);
  };
  run(block_input, first, Z_FULL_FLUSH);
  std::string again(first.size() + 64, '\0');
  run(block_input, again, Z_FULL_FLUSH);
  std::string end(64, '\0');
  run(std::string(), end, Z_FINISH);
  deflateEnd(&z);
  std::string out = {'\x1f', '\x8b', 8, 0, 0, 0, 0, 0, 0, 3};
  out += first;
  for (size_t made = block_input.size(); made < total; made += block_input.size()) out += again;
  out += end;
  return out + std::string(8, '\0');
}

std::string statues_gz_of_a_gigabyte() {
  return gzip_of_repeats("[ 10 0 10 ] 0 @haybale.jm @haybale.png @haybale.shp\n", size_t(1) << 30);
}
