// ChaCha20 keystream over the data after an 8-byte nonce. The key is fixed:
// the cipher keeps casual readers out of shipped files, nothing more.
#include "files/scramble.h"

#include <nettle/chacha.h>

#include <cstring>
#include <new>

#include "files/ripemd160.h"

namespace {
const uint8_t kKey[CHACHA_KEY_SIZE] = {
    0x4b, 0x69, 0x77, 0x69, 0x20, 0x52, 0x69, 0x64, 0x67, 0x65, 0x20, 0x64, 0x69, 0x72, 0x74, 0x21,
    0x9e, 0x37, 0x79, 0xb9, 0x7f, 0x4a, 0x7c, 0x15, 0xf3, 0x9c, 0xc0, 0x60, 0x5c, 0xed, 0xc8, 0x34};
}  // namespace

struct ScrambleStream {
  chacha_ctx ctx;
  uint8_t block[CHACHA_BLOCK_SIZE];
  size_t used = CHACHA_BLOCK_SIZE;  // bytes of `block` already applied
};

ScrambleStream* scramble_start(const uint8_t nonce[8]) {
  ScrambleStream* s = new (std::nothrow) ScrambleStream;
  if (!s) return nullptr;
  chacha_set_key(&s->ctx, kKey);
  chacha_set_nonce(&s->ctx, nonce);
  return s;
}

void scramble_apply(ScrambleStream* s, uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (s->used == CHACHA_BLOCK_SIZE) {
      // One keystream block: ChaCha applied to zeros.
      std::memset(s->block, 0, sizeof s->block);
      chacha_crypt(&s->ctx, sizeof s->block, s->block, s->block);
      s->used = 0;
    }
    data[i] ^= s->block[s->used++];
  }
}

void scramble_free(ScrambleStream* s) { delete s; }

std::string scramble_encipher(const std::string& plain) {
  // The nonce comes from the content, so enciphering is deterministic.
  Ripemd160 h;
  h.update(plain.data(), plain.size());
  uint8_t digest[20];
  h.finish(digest);
  std::string out(reinterpret_cast<const char*>(digest), 8);
  ScrambleStream* s = scramble_start(digest);
  std::string body = plain;
  scramble_apply(s, reinterpret_cast<uint8_t*>(body.data()), body.size());
  scramble_free(s);
  return out + body;
}
