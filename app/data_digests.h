// Digests of the game data this program ships with (40 lower-case hex
// digits). Regenerate them when the data generator's output changes.
#pragma once

// RIPEMD-160 of the first MiB of "zzzz.saf".
inline constexpr char kDataSetDigest[] = "1a82cb103723200a7f38d47e18b879d9d47e1f7b";
// RIPEMD-160 of the seven shared bike collision shapes, in check order.
inline constexpr char kFixedFileDigest[] = "9f36c732effae2b31b326687bc4083a83fa51440";
