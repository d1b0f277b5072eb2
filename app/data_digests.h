// Digests of the game data this program ships with (40 lower-case hex
// digits). Regenerate them when the data generator's output changes.
#pragma once

// RIPEMD-160 of the first MiB of "zzzz.saf".
inline constexpr char kDataSetDigest[] = "d613dc902bca16ee9ba7a2c8675f34240bc1852e";
// RIPEMD-160 of the seven shared bike collision shapes, in check order.
inline constexpr char kFixedFileDigest[] = "9f36c732effae2b31b326687bc4083a83fa51440";
