// The picture decoders (PNG as colour and as 16-bit grey, PPM/PGM, J6/J7),
// each on every input. What a decoder gives must be the image it says.
#include "images/image.h"
#include "tests/fuzz/fuzz_target.h"

namespace {
void check(const Image& img) {
  fuzz_check(image_size_acceptable(img.width, img.height), "a decoded image keeps the size rule");
  fuzz_check(img.channels >= 1 && img.channels <= 4, "a decoded image has 1 to 4 channels");
  fuzz_check(img.pixels.size() == static_cast<size_t>(img.width) * img.height * img.channels,
             "a decoded image holds its pixels");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  Image img;
  if (png_decode(file, img)) check(img);
  Gray16Image grey;
  if (png_decode_gray16(file, grey)) {
    fuzz_check(image_size_acceptable(grey.width, grey.height), "a grey image keeps the size rule");
    fuzz_check(grey.samples.size() == static_cast<size_t>(grey.width) * grey.height, "a grey image holds its samples");
  }
  if (pnm_decode(file, img)) check(img);
  if (jraw_decode(file, img)) check(img);
  return 0;
}

void fuzz_seeds(const std::string& name, const std::string& bytes, std::vector<std::string>& inputs) {
  for (const char* ext : {".png", ".ppm", ".pgm", ".j6", ".j7"})
    if (fuzz_ends_with(name, ext)) inputs.push_back(bytes);
}
