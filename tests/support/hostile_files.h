// Small hostile data files: each claims far more than it holds, or holds
// values that must not reach the game. The readers must refuse them at once.
#pragma once
#include <cstddef>
#include <string>

// PNG files built chunk by chunk (the CRCs are right, so only the claims
// are false).
std::string png_chunk(const char type[4], const std::string& data);
std::string png_ihdr(unsigned width, unsigned height, int depth, int colour_type, int interlace = 0);
// 46 bytes: a 1 x 1 grey image whose tEXt chunk claims 2147483647 bytes.
std::string png_with_huge_text_chunk();
// 65 bytes: the header of a 16384 x 4096 RGBA image and 8 bytes of its data.
std::string png_of_huge_image();
// A 4 x 1 palette image (white, black, grey 128, black) whose tRNS chunk
// makes white three-quarters transparent: 16-bit grey 65535 0 32896 0.
std::string palette_png_with_transparency();
// 18 bytes: "P6 16384 4096 255" and no pixels.
std::string ppm_of_huge_image();
// A terrain.hf header whose height range overflows a float.
std::string height_field_of_infinite_range();

// A gzip file that inflates to `unit` repeated until `total` bytes: built
// from one deflate block flushed and repeated, so even a gigabyte is made in
// milliseconds and takes about a thousandth of its size.
std::string gzip_of_repeats(const std::string& unit, size_t total);
// 1 GiB of statue lines in about 1 MB.
std::string statues_gz_of_a_gigabyte();
