// PNG reading and writing through libpng. Files are read whole through the
// data-file streams and decoded from memory, so archive members and
// compressed files work like plain ones.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>

#include "files/data_limits.h"
#include "files/file_stream.h"
#include "platform/log.h"
#include "images/image.h"
#include "images/image_internal.h"

namespace {

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void read_from_memory(png_structp png, png_bytep out, png_size_t count) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (count > r->size - r->pos) png_error(png, "Truncated PNG data");
  std::memcpy(out, r->data + r->pos, count);
  r->pos += count;
}

void write_to_string(png_structp png, png_bytep data, png_size_t count) {
  auto* s = static_cast<std::string*>(png_get_io_ptr(png));
  s->append(reinterpret_cast<const char*>(data), count);
}

void flush_nothing(png_structp) {}

// libpng reports through these: errors jump back to the caller's setjmp
// instead of printing and aborting.
void on_png_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_png_warning(png_structp, png_const_charp) {}

enum class PngTarget { Colour8, Gray16 };

// Any chunk but the image data: text, colour profiles and the like are a
// few KiB in real files.
constexpr uint32_t kChunkLimit = 1 << 20;
// Text and unknown chunks kept from one file.
constexpr int kChunkCountLimit = 128;
// Deflate turns one byte into at most 1032.
constexpr uint64_t kInflateRatio = 1032;

uint32_t be32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) << 24 | static_cast<uint8_t>(s[at + 1]) << 16 |
         static_cast<uint8_t>(s[at + 2]) << 8 | static_cast<uint8_t>(s[at + 3]);
}

// Walks the chunk list before libpng reads anything, so that no claim of the
// file costs memory: a chunk longer than the chunk limit (the image data
// excepted), an image beyond the image rule, or one whose image data is too
// short to inflate to the declared size, refuses the file. Anything else
// that is wrong is left to libpng to find.
bool png_claims_acceptable(const std::string& file) {
  uint64_t image_data = 0;
  uint32_t w = 0, h = 0;
  int depth = 0, colour = -1;
  for (size_t pos = 8; pos + 8 <= file.size();) {
    const uint32_t length = be32(file, pos);
    const bool is_idat = file.compare(pos + 4, 4, "IDAT") == 0;
    if (!is_idat && length > kChunkLimit) {
      image_refuse("PNG chunk of %u bytes", length);
      return false;
    }
    const size_t held = file.size() - (pos + 8);
    if (is_idat) image_data += length < held ? length : held;
    if (file.compare(pos + 4, 4, "IHDR") == 0 && length >= 13 && held >= 13) {
      w = be32(file, pos + 8);
      h = be32(file, pos + 12);
      depth = static_cast<uint8_t>(file[pos + 16]);
      colour = static_cast<uint8_t>(file[pos + 17]);
      if (!image_size_acceptable(w, h)) {
        image_refuse("PNG image too large (%u x %u pixels)", w, h);
        return false;
      }
    }
    if (file.compare(pos + 4, 4, "IEND") == 0 || 12 + static_cast<uint64_t>(length) > file.size() - pos) break;
    pos += 12 + static_cast<size_t>(length);
  }
  static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
  if (colour < 0 || colour > 6 || kChannels[colour] == 0 || depth < 1 || depth > 16) return true;
  // The filtered rows of the image (fewer than an interlaced image has).
  const uint64_t rows = static_cast<uint64_t>(h) * (1 + (static_cast<uint64_t>(w) * kChannels[colour] * depth + 7) / 8);
  if (rows > image_data * kInflateRatio + 4096) {
    image_refuse("PNG data too short for %u x %u pixels", w, h);
    return false;
  }
  return true;
}

struct ReadState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadState() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

void collect_text(png_structp png, png_infop info, std::string* text) {
  if (!text) return;
  png_textp chunks = nullptr;
  int n = png_get_text(png, info, &chunks, nullptr);
  for (int k = 0; k < n; ++k) {
    if (chunks[k].text) text->append(chunks[k].text, chunks[k].text_length);
  }
}

// Decodes into `bytes` (rows top first): Colour8 gives 3 or 4 channels of
// 8 bits, Gray16 one channel of 16 bits big-endian. Everything the error
// path touches is created before setjmp.
bool decode(const std::string& file, PngTarget target, std::vector<uint8_t>& bytes,
            int& width, int& height, int& channels, std::string* text) {
  image_refusal_clear();
  if (file.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(file.data()), 0, 8) != 0) {
    tarn_set_last_error("Not a PNG file");
    return false;
  }
  if (!png_claims_acceptable(file)) return false;
  ReadState st;
  st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
  if (!st.png) return false;
  st.info = png_create_info_struct(st.png);
  if (!st.info) return false;
  MemoryReader reader{reinterpret_cast<const uint8_t*>(file.data()), file.size(), 0};
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(st.png))) {
    tarn_set_last_error("Error reading PNG");
    return false;
  }
  png_set_read_fn(st.png, &reader, read_from_memory);
  // libpng's own limits behind the walk above: what it would only warn
  // about (an oversized chunk among them) is an error, and no chunk or
  // decompressed text may take more than the chunk limit. The chunks the
  // game has no use for (colour profiles, gamma, background and the like)
  // are skipped unread, so the checks that real files often fail on them
  // cannot refuse a picture; so is a bad check value on an extra chunk.
  static const png_byte kUnused[] = "cHRM\0gAMA\0iCCP\0sBIT\0sRGB\0bKGD\0hIST\0pHYs\0sPLT\0tIME\0eXIf\0oFFs\0pCAL\0sCAL";
  png_set_benign_errors(st.png, 0);
  png_set_user_limits(st.png, kImageMaxSide, kImageMaxSide);
  png_set_chunk_cache_max(st.png, kChunkCountLimit);
  png_set_chunk_malloc_max(st.png, kChunkLimit);
  png_set_crc_action(st.png, PNG_CRC_DEFAULT, PNG_CRC_WARN_USE);
  png_set_keep_unknown_chunks(st.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(st.png, PNG_HANDLE_CHUNK_NEVER, kUnused, 14);
  png_read_info(st.png, st.info);
  png_uint_32 w = png_get_image_width(st.png, st.info);
  png_uint_32 h = png_get_image_height(st.png, st.info);
  if (!image_size_acceptable(w, h)) {
    image_refuse("PNG image too large (%u x %u pixels)", w, h);
    return false;
  }
  int colour = png_get_color_type(st.png, st.info);
  int depth = png_get_bit_depth(st.png, st.info);
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(st.png);
  if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(st.png);
  if (target == PngTarget::Colour8) {
    if (png_get_valid(st.png, st.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(st.png);
    if (depth == 16) png_set_strip_16(st.png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(st.png);
  } else {
    // A palette with a transparency chunk expands to colour and alpha: the
    // alpha goes as for any image with an alpha channel.
    if ((colour & PNG_COLOR_MASK_ALPHA) || png_get_valid(st.png, st.info, PNG_INFO_tRNS)) png_set_strip_alpha(st.png);
    if (colour & PNG_COLOR_MASK_COLOR) png_set_rgb_to_gray_fixed(st.png, 1, -1, -1);
  }
  png_set_interlace_handling(st.png);
  png_read_update_info(st.png, st.info);
  channels = png_get_channels(st.png, st.info);
  size_t row_bytes = png_get_rowbytes(st.png, st.info);
  // Whatever the transforms gave must be what the caller reads.
  const int out_depth = png_get_bit_depth(st.png, st.info);
  const bool as_expected = target == PngTarget::Gray16
                               ? channels == 1 && (out_depth == 8 || out_depth == 16)
                               : (channels == 3 || channels == 4) && out_depth == 8;
  if (!as_expected || row_bytes != static_cast<size_t>(w) * channels * (out_depth / 8)) {
    tarn_set_last_error("Unexpected PNG layout");
    return false;
  }
  bytes.assign(row_bytes * h, 0);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = bytes.data() + y * row_bytes;
  png_read_image(st.png, rows.data());
  collect_text(st.png, st.info, text);
  png_read_end(st.png, st.info);
  collect_text(st.png, st.info, nullptr);
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  if (target == PngTarget::Gray16) {
    // Bit depth after the transforms: 8-bit grey is widened below.
    channels = out_depth == 16 ? 2 : 1;
  }
  return true;
}

std::string encode(const uint8_t* bytes, int width, int height, int colour_type, int depth,
                   size_t row_bytes) {
  std::string out;
  if (!bytes || width <= 0 || height <= 0 || !image_size_acceptable(width, height)) return out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
  if (!png) return out;
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows(height);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    out.clear();
    return out;
  }
  png_set_write_fn(png, &out, write_to_string, flush_nothing);
  png_set_IHDR(png, info, width, height, depth, colour_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  for (int y = 0; y < height; ++y) rows[y] = const_cast<uint8_t*>(bytes) + y * row_bytes;
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

bool png_decode(const std::string& file, Image& out, std::string* info) {
  std::vector<uint8_t> bytes;
  int w = 0, h = 0, ch = 0;
  if (!decode(file, PngTarget::Colour8, bytes, w, h, ch, info)) return false;
  out.width = w;
  out.height = h;
  out.channels = ch;
  out.pixels = std::move(bytes);
  return true;
}

bool png_decode_gray16(const std::string& file, Gray16Image& out) {
  std::vector<uint8_t> bytes;
  int w = 0, h = 0, bytes_per_sample = 0;
  if (!decode(file, PngTarget::Gray16, bytes, w, h, bytes_per_sample, nullptr)) return false;
  out.width = w;
  out.height = h;
  out.samples.resize(static_cast<size_t>(w) * h);
  for (size_t k = 0; k < out.samples.size(); ++k) {
    if (bytes_per_sample == 2) {
      out.samples[k] = static_cast<uint16_t>(bytes[2 * k] << 8 | bytes[2 * k + 1]);
    } else {
      out.samples[k] = static_cast<uint16_t>(bytes[k] * 257);
    }
  }
  return true;
}

bool png_read(const char* name, Image& out, std::string* info) {
  std::string file;
  if (!load_image_file(name, file)) return false;
  if (info) info->clear();
  if (!png_decode(file, out, info)) return image_decode_failed(name);
  if (info) {
    std::string extra;
    if (read_whole_data_file((std::string(name) + ".info").c_str(), extra, kImageInfoCap)) *info += extra;
  }
  return true;
}

bool png_read_gray16(const char* name, Gray16Image& out) {
  std::string file;
  if (!load_image_file(name, file)) return false;
  return png_decode_gray16(file, out) || image_decode_failed(name);
}

std::string png_encode_gray16(const uint16_t* samples, int width, int height) {
  if (!samples || !image_size_acceptable(width, height)) return {};
  std::vector<uint8_t> be(static_cast<size_t>(width) * height * 2);
  for (size_t k = 0; k < be.size() / 2; ++k) {
    be[2 * k] = static_cast<uint8_t>(samples[k] >> 8);
    be[2 * k + 1] = static_cast<uint8_t>(samples[k]);
  }
  return encode(be.data(), width, height, PNG_COLOR_TYPE_GRAY, 16, static_cast<size_t>(width) * 2);
}

std::string png_encode_rgb(const uint8_t* pixels, int width, int height) {
  return encode(pixels, width, height, PNG_COLOR_TYPE_RGB, 8, static_cast<size_t>(width) * 3);
}

std::string png_encode_rgba(const uint8_t* pixels, int width, int height) {
  return encode(pixels, width, height, PNG_COLOR_TYPE_RGB_ALPHA, 8, static_cast<size_t>(width) * 4);
}

bool png_write_gray16(const char* name, const uint16_t* samples, int width, int height) {
  return write_image_file(name, png_encode_gray16(samples, width, height));
}

bool png_write_rgb(const char* name, const uint8_t* pixels, int width, int height) {
  if (!pixels || !image_size_acceptable(width, height)) return false;
  // GL read-back rows come bottom first; PNG rows go top first.
  size_t row = static_cast<size_t>(width) * 3;
  std::vector<uint8_t> flipped(row * height);
  for (int y = 0; y < height; ++y) {
    std::memcpy(flipped.data() + y * row, pixels + (height - 1 - y) * row, row);
  }
  return write_image_file(name, png_encode_rgb(flipped.data(), width, height));
}
