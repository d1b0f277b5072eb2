// Damaged demos: files cut off anywhere, random bytes, chunks that claim
// too much, riders that were never recorded, steps far from the rest.
// Each loads or is refused with a message, plays as far as it is sound,
// and never crashes or lets a state reach a ring it does not belong to.
#include <random>

#include "demo/demo_chunk.h"
#include "demo/demo_files.h"
#include "tests/demo/demo_fixture.h"

namespace {

class DamagedDemos : public DemoFiles {
 protected:
  // A sound recording: its bytes, where its header ends, its states.
  void make_original(int riders, int steps) {
    recorded = record_race(riders, steps);
    original = slurp(home_file("demos/default.krdemo"));
    DemoPlayer p;
    ASSERT_TRUE(open_demo(p, kDefaultDemo, kSlotCount));
    header_end = p.header_end;
  }
  std::string write(const std::string& bytes) { return box.write_home("demos/damaged.krdemo", bytes); }

  // Plays a file through (with seeks thrown in when asked) and checks that
  // every state reaching a ring is one that was recorded, in the slot of
  // its rider, and that no other ring got anything.
  StateLog play_file(const std::string& bytes, int seeks = 0, unsigned seed = 1, int steps = 600) {
    write(bytes);
    StateLog seen;
    clear_all_history(*rings);
    if (!open("@demos/damaged.krdemo")) return seen;
    std::mt19937 rng(seed);
    int current = 0;
    for (int k = 0; k < steps; ++k, ++current) {
      read_demo_ahead(player, *rings, current);
      harvest(seen);
      if (seeks && k % 97 == 50) {
        --seeks;
        seek_demo_to_step(player, *rings, static_cast<int>(rng() % 800), current);
      }
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
      if (slot >= 40 && slot < 40 + demo_rider_count(player)) continue;
      EXPECT_EQ(history_count(rings->slots[slot]), 0) << "slot " << slot;
    }
    return seen;
  }

  // The states of the whole chunks that fit in the first `size` bytes.
  StateLog whole_chunks(size_t size) const {
    StateLog log;
    size_t at = header_end;
    uint32_t last = 0;
    while (at + kChunkHeadSize <= size) {
      ChunkHead h = decode_chunk_head(reinterpret_cast<const uint8_t*>(original.data()) + at, last);
      if (at + kChunkHeadSize + h.length > size) break;
      for (uint32_t e = 0; e < h.length / kStateEntrySize; ++e) {
        StateEntry s = decode_state_entry(reinterpret_cast<const uint8_t*>(original.data()) + at + kChunkHeadSize +
                                          e * kStateEntrySize);
        log[{s.rider, s.step}] = s.state;
      }
      at += kChunkHeadSize + h.length;
      last = h.length;
    }
    return log;
  }

  StateLog recorded;
  std::string original;
  long header_end = 0;
};

TEST_F(DamagedDemos, ACutOffFilePlaysUpToItsLastWholeChunk) {
  make_original(2, 100);
  const size_t chunk = kChunkHeadSize + 2 * 4 * kStateEntrySize;
  for (size_t size = 0; size <= static_cast<size_t>(header_end) + 3 * chunk + 1; ++size) {
    SCOPED_TRACE(size);
    clear_messages();
    StateLog seen = play_file(original.substr(0, size), 0, 1, 120);
    if (size < static_cast<size_t>(header_end)) {
      EXPECT_FALSE(demo_playing(player));
      EXPECT_TRUE(message_contains("Can't play demo"));
      continue;
    }
    ASSERT_TRUE(demo_playing(player));
    EXPECT_EQ(seen, whole_chunks(size));
    bool on_a_boundary = (size - header_end) % chunk == 0;
    EXPECT_EQ(message_contains("ends inside a chunk"), !on_a_boundary);
  }
}

TEST_F(DamagedDemos, RandomBytesAreRefusedOrPlayedSafely) {
  make_original(3, 300);
  std::mt19937 rng(424242);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    std::string bytes;
    switch (round % 3) {
      case 0:  // nothing but noise
        bytes.resize(rng() % 2000);
        for (char& c : bytes) c = static_cast<char>(rng());
        break;
      case 1:  // a sound header over noise
        bytes = original.substr(0, header_end);
        for (size_t n = rng() % 3000; n > 0; --n) bytes += static_cast<char>(rng());
        break;
      default:  // a sound file with a few bytes changed
        bytes = original;
        for (int n = 1 + rng() % 6; n > 0; --n) bytes[header_end + rng() % (bytes.size() - header_end)] = static_cast<char>(rng());
        break;
    }
    clear_messages();
    play_file(bytes, 3, round);
    // Noise is not taken for a demo without a word.
    if (round % 3 == 0) {
      EXPECT_TRUE(!demo_playing(player) || !recent_messages().empty());
    }
  }
}

// A file of the original header and hand-made chunks.
std::string chunked(const std::string& header, const std::vector<std::vector<uint8_t>>& chunks) {
  std::string out = header;
  for (const auto& c : chunks) out.append(c.begin(), c.end());
  return out;
}

std::vector<uint8_t> states(uint32_t previous, int step, const std::vector<StateEntry>& entries) {
  std::vector<uint8_t> payload;
  for (const StateEntry& e : entries) append_state_entry(payload, e);
  return encode_chunk(previous, step, kStatesChunk, payload);
}

StateEntry entry(int rider, int step) { return {static_cast<uint8_t>(rider), step, synthetic_state(rider, step)}; }

TEST_F(DamagedDemos, ChunksThatClaimTooMuchEndThePlayback) {
  make_original(2, 20);
  std::string header = original.substr(0, header_end);
  const uint32_t one = kStateEntrySize;
  // A sound chunk, then one whose length is more than 160 riders could fill.
  std::vector<uint8_t> bad = encode_chunk(one, 32, kStatesChunk, {});
  write_u32_le(bad.data(), (kMaxChunkPayload + 1) ^ one);
  StateLog seen = play_file(chunked(header, {states(0, 16, {entry(0, 16)}), bad}));
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_TRUE(message_contains("longer than any recording holds"));
  // A length running past the end of the file.
  clear_messages();
  std::vector<uint8_t> past = states(one, 32, {entry(0, 32)});
  write_u32_le(past.data(), (5000u) ^ one);
  seen = play_file(chunked(header, {states(0, 16, {entry(0, 16)}), past}));
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_TRUE(message_contains("ends inside a chunk"));
}

TEST_F(DamagedDemos, StatesOfRidersNeverRecordedReachNoRing) {
  make_original(2, 20);
  std::string header = original.substr(0, header_end);
  StateLog seen = play_file(chunked(header, {states(0, 16, {entry(0, 16), entry(2, 16), entry(255, 16), entry(1, 16)})}));
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen.count({0, 16}));
  EXPECT_TRUE(seen.count({1, 16}));
  EXPECT_TRUE(message_contains("states for rider 3 of 2 skipped"));
}

TEST_F(DamagedDemos, StepsFarOutsideTheRecordingAreRefused) {
  make_original(1, 20);
  std::string header = original.substr(0, header_end);
  const uint32_t one = kStateEntrySize;
  struct Case {
    const char* what;
    std::vector<std::vector<uint8_t>> chunks;
  } cases[] = {
      {"a state far from its chunk", {states(0, 16, {entry(0, 16)}), states(one, 32, {entry(0, 32 + kStepWindow + 1)})}},
      {"a state far before its chunk", {states(0, 16, {entry(0, 16)}), states(one, 32, {entry(0, -2000000000)})}},
      {"a chunk going back in time", {states(0, 16, {entry(0, 16)}), states(one, 8, {entry(0, 8)})}},
      {"a negative chunk step", {states(0, 16, {entry(0, 16)}), states(one, -5, {entry(0, 20)})}},
      {"a chunk step near overflow", {states(0, 16, {entry(0, 16)}), states(one, INT_MAX - 3, {entry(0, 20)})}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clear_messages();
    StateLog seen = play_file(chunked(header, c.chunks));
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen.count({0, 16}));
    EXPECT_TRUE(message_contains("far"));
  }
}

TEST_F(DamagedDemos, OddChunksAreSkipped) {
  make_original(1, 20);
  std::string header = original.substr(0, header_end);
  const uint32_t one = kStateEntrySize;
  // A states chunk of 45 bytes and a chunk of an unknown type are stepped
  // over; the states after them still play.
  std::vector<uint8_t> odd_payload(45, 0x11);
  std::vector<uint8_t> odd = encode_chunk(one, 20, kStatesChunk, odd_payload);
  std::vector<uint8_t> unknown = encode_chunk(45, 24, 99, std::vector<uint8_t>(30, 0x22));
  StateLog seen = play_file(chunked(header, {states(0, 16, {entry(0, 16)}), odd, unknown, states(30, 32, {entry(0, 32)})}));
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen.count({0, 32}));
  EXPECT_FALSE(message_contains("played up to there"));
}

TEST_F(DamagedDemos, RiderCountsTheSessionCannotTakeAreRefused) {
  make_original(3, 20);
  DemoPlayer p;
  EXPECT_FALSE(open_demo(p, kDefaultDemo, 2));
  EXPECT_TRUE(message_contains("do not fit in the 2 free places"));
  EXPECT_FALSE(demo_playing(p));
  EXPECT_TRUE(open_demo(p, kDefaultDemo, 3));
  EXPECT_FALSE(open_demo(p, "@demos/missing.krdemo", kSlotCount));
  EXPECT_TRUE(message_contains("Can't open demo @demos/missing.krdemo"));
  // Placing riders outside the table or past the header's count.
  ASSERT_TRUE(open_demo(p, kDefaultDemo, kSlotCount));
  EXPECT_FALSE(set_demo_rider_slot(p, 3, 1));
  EXPECT_FALSE(set_demo_rider_slot(p, -1, 1));
  EXPECT_FALSE(set_demo_rider_slot(p, 0, kSlotCount));
  EXPECT_TRUE(set_demo_rider_slot(p, 2, kSlotCount - 1));
}

}  // namespace
