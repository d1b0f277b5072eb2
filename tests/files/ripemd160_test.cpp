#include "files/ripemd160.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The published RIPEMD-160 test vectors.
TEST(Ripemd160, PublishedVectors) {
  struct Case {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
      {"a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
      {"abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
      {"message digest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
      {"abcdefghijklmnopqrstuvwxyz", "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "12a053384a9c0c88e405a06c27dcf49ada62eb2b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "b0e20b6e3116640286ed3a87a5713079b21f5189"},
      {std::string(80, ' ').replace(0, 80, "12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
       "9b752e45573d4b39f4dbd3323cab82bf63326bfb"},
      {std::string(1000000, 'a'), "52783243c1697bdbe16d37f97f68f08325dc1528"},
  };
  for (const Case& c : cases) EXPECT_EQ(ripemd160_hex(c.input.data(), c.input.size()), c.digest) << c.input.substr(0, 20);
}

TEST(Ripemd160, PiecewiseUpdatesMatchOneShot) {
  std::string data(3000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  Ripemd160 h;
  for (size_t at = 0; at < data.size(); at += 256) h.update(data.data() + at, std::min<size_t>(256, data.size() - at));
  uint8_t d[20];
  h.finish(d);
  EXPECT_EQ(digest_hex(d), ripemd160_hex(data.data(), data.size()));
}

}  // namespace
