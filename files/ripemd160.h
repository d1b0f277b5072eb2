// RIPEMD-160 digests (the fixed-file check, track identity, passwords).
#pragma once
#include <nettle/ripemd160.h>
#include <cstddef>
#include <cstdint>
#include <string>

struct Ripemd160 {
  ripemd160_ctx ctx;
  Ripemd160() { ripemd160_init(&ctx); }
  void update(const void* data, size_t size) {
    ripemd160_update(&ctx, size, static_cast<const uint8_t*>(data));
  }
  // Writes the 20-byte digest and starts over.
  void finish(uint8_t out[20]) { ripemd160_digest(&ctx, 20, out); }
};

// 40 lower-case hexadecimal digits.
std::string digest_hex(const uint8_t digest[20]);
std::string ripemd160_hex(const void* data, size_t size);
