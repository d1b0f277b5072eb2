// The ".scram" cipher: ChaCha20 with the game's fixed key. An enciphered file
// is an 8-byte nonce followed by the enciphered bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct ScrambleStream;

// Starts a descrambling stream at the nonce; null when the nonce is short.
ScrambleStream* scramble_start(const uint8_t nonce[8]);
void scramble_apply(ScrambleStream* s, uint8_t* data, size_t size);
void scramble_free(ScrambleStream* s);

// Enciphers a whole buffer with a nonce derived from its content.
std::string scramble_encipher(const std::string& plain);
