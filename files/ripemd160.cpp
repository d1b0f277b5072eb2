#include "files/ripemd160.h"

std::string digest_hex(const uint8_t digest[20]) {
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < 20; ++i) {
    out += hex[digest[i] >> 4];
    out += hex[digest[i] & 15];
  }
  return out;
}

std::string ripemd160_hex(const void* data, size_t size) {
  Ripemd160 h;
  h.update(data, size);
  uint8_t d[20];
  h.finish(d);
  return digest_hex(d);
}
