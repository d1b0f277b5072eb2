// Recording and playing back: a recorded race replays the same states at
// the same steps, every chunk is on disk once written, seeking lands on
// the same states as playing through, and the files rotate, get renamed
// and become the time trial's ghost as they should.
#include <algorithm>
#include <filesystem>

#include "demo/demo_chunk.h"
#include "demo/demo_files.h"
#include "tests/demo/demo_fixture.h"

namespace {

TEST_F(DemoFiles, ARecordedRaceReplaysTheSameStatesAtTheSameSteps) {
  StateLog recorded = record_race(3, 333);
  // Sampled every 4 steps and at the final step.
  EXPECT_EQ(recorded.size(), 3u * (333 / 4 + 1));
  EXPECT_TRUE(recorded.count({2, 333}));
  ASSERT_TRUE(open(kDefaultDemo));
  EXPECT_EQ(player.header.track, "hills");
  EXPECT_EQ(player.header.riders[1].name, "Rider 1");
  int current = 0;
  StateLog replayed = play(current, 400);
  EXPECT_EQ(replayed, recorded);
  EXPECT_FALSE(message_contains("played up to there"));
}

TEST_F(DemoFiles, ReadingAheadKeepsTheRingsAheadOfTheClock) {
  record_race(2, 640);
  ASSERT_TRUE(open(kDefaultDemo));
  int current = 0;
  read_demo_ahead(player, *rings, current);
  // The first states chunk sets the clock to its step.
  EXPECT_EQ(current, 16);
  EXPECT_EQ(player.first_step, 16);
  for (; current <= 640; ++current) {
    read_demo_ahead(player, *rings, current);
    int newest = newest_step(rings->slots[40]);
    EXPECT_GE(newest, std::min(current, 640)) << current;
    // Never more than one chunk past the 64-step horizon.
    EXPECT_LE(newest, current + kReadAheadSteps) << current;
  }
}

TEST_F(DemoFiles, TimeTrialGhostsStartOnTheCurrentStep) {
  record_race(1, 200);
  ASSERT_TRUE(open(kDefaultDemo, true));
  int current = 5000;
  read_demo_ahead(player, *rings, current);
  EXPECT_EQ(current, 5000);
  EXPECT_EQ(player.step_offset, 5000 - 16);
  // The state recorded at step 4 now stands at 5000 - 12.
  const HistoryEntry* oldest = history_entry_back(rings->slots[40], history_count(rings->slots[40]) - 1);
  ASSERT_TRUE(oldest);
  EXPECT_EQ(oldest->step, 4 + 5000 - 16);
  EXPECT_EQ(oldest->state, synthetic_state(0, 4));
}

TEST_F(DemoFiles, EveryChunkIsWholeOnDiskOnceWritten) {
  RecordingStart start;
  start.track = "hills";
  int step = 0;
  RecordedRider r;
  r.slot = 0;
  r.current_state = [&step] { return synthetic_state(0, step); };
  start.riders = {r};
  ASSERT_TRUE(start_demo_recording(recorder, start));
  for (step = 1; step <= 96; ++step) {
    record_demo_step(recorder, *rings, step, false);
    if (step % kChunkInterval) continue;
    // What a crash right now would leave: a file that plays to this step.
    DemoPlayer copy;
    ASSERT_TRUE(open_demo(copy, kDefaultDemo, kSlotCount));
    set_demo_rider_slot(copy, 0, 1);
    auto seen = std::make_unique<HistoryRings>();
    int current = 0;
    for (int k = 0; k < 200; ++k, ++current) read_demo_ahead(copy, *seen, current);
    EXPECT_EQ(newest_step(seen->slots[1]), step);
    EXPECT_FALSE(message_contains("played up to there"));
  }
  finish_demo_recording(recorder);
}

TEST_F(DemoFiles, TextChunksShowTheirMessageAndLongOnesAreCut) {
  RecordingStart start;
  start.track = "hills";
  RecordedRider r;
  r.slot = 0;
  start.riders = {r};  // ring-driven: its ring holds what it received
  ASSERT_TRUE(start_demo_recording(recorder, start));
  ASSERT_TRUE(add_state_to_history(*rings, 0, synthetic_state(0, 3), 3));
  record_demo_step(recorder, *rings, 16, false);
  ASSERT_TRUE(record_demo_text(recorder, 17, "Ana: good race"));
  ASSERT_TRUE(record_demo_text(recorder, 18, std::string(3000, 'z')));
  finish_demo_recording(recorder);
  ASSERT_TRUE(open(kDefaultDemo));
  clear_messages();
  int current = 0;
  StateLog seen = play(current, 100);
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen.count({0, 3}));
  EXPECT_TRUE(message_contains("Ana: good race"));
  EXPECT_TRUE(message_contains(std::string(kMaxChunkText, 'z')));
  // The long one went into the file cut to 1023 characters.
  size_t chunks = 3 * kChunkHeadSize + kStateEntrySize + 14 + kMaxChunkText;
  EXPECT_EQ(slurp(home_file("demos/default.krdemo")).size(), player.header_end + chunks);
}

// The pose of every rider at a step, as the rings give it.
std::vector<std::pair<int, int>> around(const HistoryRings& rings, int riders, int step) {
  std::vector<std::pair<int, int>> steps;
  for (int i = 0; i < riders; ++i) {
    const HistoryRing& ring = rings.slots[40 + i];
    int before = -1, after = -1;
    for (int k = 0; const HistoryEntry* e = history_entry_back(ring, k); ++k) {
      if (e->step < step && before < 0) before = e->step;
      if (e->step >= step) after = e->step;
    }
    steps.push_back({before, after});
  }
  return steps;
}

TEST_F(DemoFiles, SeekingLandsOnTheSameStatesAsPlayingThrough) {
  record_race(2, 2000);
  for (int target : {300, 901, 1555, 64, 1999}) {
    SCOPED_TRACE(target);
    // Straight through.
    ASSERT_TRUE(open(kDefaultDemo));
    clear_all_history(*rings);
    int current = 0;
    play_until(current, target);
    auto straight = around(*rings, 2, target);
    // Forward from the start, and back from later on.
    for (int from : {20, 1900}) {
      ASSERT_TRUE(open(kDefaultDemo));
      clear_all_history(*rings);
      current = 0;
      play_until(current, from);
      ASSERT_TRUE(seek_demo_to_step(player, *rings, target, current));
      EXPECT_EQ(current, target);
      EXPECT_EQ(around(*rings, 2, target), straight) << "from " << from;
      // And it plays on from there.
      play(current, 100);
      EXPECT_GE(newest_step(rings->slots[41]), std::min(target + 99, 2000)) << "from " << from;
    }
  }
}

TEST_F(DemoFiles, RewindingWithinTheFirst64StepsStopsAtTheFirstChunk) {
  StateLog recorded = record_race(1, 400);
  ASSERT_TRUE(open(kDefaultDemo));
  int current = 0;
  play(current, 30);  // the clock started at 16
  ASSERT_LT(current, 16 + 64);
  int target = demo_seek_target(current, -1);
  EXPECT_EQ(target, 0);
  ASSERT_TRUE(seek_demo_to_step(player, *rings, target, current));
  EXPECT_EQ(current, 0);
  // The first recorded state is back in the ring.
  const HistoryRing& ring = rings->slots[40];
  EXPECT_EQ(oldest_step(ring), 4);
  EXPECT_EQ(demo_seek_target(100, 0.5), 163);
  EXPECT_EQ(demo_seek_target(100, -50), 0);
}

TEST_F(DemoFiles, ABrokenWayBackFallsBackToSearchingFromTheStart) {
  record_race(1, 1000);
  ASSERT_TRUE(open(kDefaultDemo));
  int current = 0;
  play(current, 800);
  player.last_length += 44;  // the chain no longer closes at the header
  ASSERT_TRUE(seek_demo_to_step(player, *rings, 300, current));
  EXPECT_TRUE(message_contains("do not lead back to the header"));
  EXPECT_EQ(around(*rings, 1, 300), (std::vector<std::pair<int, int>>{{296, 300}}));
}

TEST_F(DemoFiles, BackupsRotate) {
  for (int backups : {0, 3}) {
    SCOPED_TRACE(backups);
    std::filesystem::remove_all(home_file("demos"));
    auto race = [&](int n) {
      RecordingStart s;
      s.track = "race" + std::to_string(n);
      s.demo_backups = backups;
      record_race(1, 20, s);
    };
    auto track_of = [&](const std::string& name) {
      DemoPlayer p;
      return open_demo(p, name.c_str(), kSlotCount) ? p.header.track : std::string("none");
    };
    for (int n = 1; n <= 4; ++n) race(n);
    EXPECT_EQ(track_of(kDefaultDemo), "race4");
    if (backups == 0) {
      EXPECT_FALSE(file_exists(home_file("demos/default00.krdemo")));
      continue;
    }
    EXPECT_EQ(track_of(demo_backup_name(0)), "race3");
    EXPECT_EQ(track_of(demo_backup_name(1)), "race2");
    EXPECT_EQ(track_of(demo_backup_name(2)), "race1");
    EXPECT_FALSE(file_exists(home_file("demos/default03.krdemo")));
    race(5);  // the oldest is dropped
    EXPECT_EQ(track_of(demo_backup_name(2)), "race2");
    EXPECT_FALSE(file_exists(home_file("demos/default03.krdemo")));
  }
  EXPECT_EQ(demo_backup_name(7), "@demos/default07.krdemo");
}

TEST_F(DemoFiles, NamedemoRenamesTheRecordingAtTheFinish) {
  ASSERT_TRUE(name_demo(recorder, "best run"));
  record_race(1, 40);
  EXPECT_TRUE(file_exists(home_file("demos/best run.krdemo")));
  EXPECT_FALSE(file_exists(home_file("demos/default.krdemo")));
  EXPECT_TRUE(recorder.rename_to.empty());
  for (const char* bad : {"", "../up", "a/b", "a\\b", "..", "tab\there"}) {
    EXPECT_FALSE(name_demo(recorder, bad)) << bad;
    EXPECT_TRUE(message_contains("Can't name a demo"));
  }
  EXPECT_TRUE(recorder.rename_to.empty());
}

TEST_F(DemoFiles, TimeTrialKeepsTheFastestLap) {
  RecordingStart s;
  s.track = "hills";
  s.time_trial = true;
  record_race(1, 40, s);
  const std::string last = time_trial_demo_name("hills", kLastLapDemo);
  const std::string fast = time_trial_demo_name("hills", kFastLapDemo);
  EXPECT_EQ(last, "@hills/lastlap.krdemo");
  EXPECT_TRUE(file_exists(home_file("hills/lastlap.krdemo")));
  EXPECT_FALSE(file_exists(home_file("demos/default.krdemo")));
  // The first lap becomes the ghost; a slower one does not replace it.
  EXPECT_TRUE(keep_fastest_lap("hills", false));
  std::string first = slurp(home_file("hills/lastlap.krdemo"));
  EXPECT_EQ(slurp(home_file("hills/fastlap.krdemo")), first);
  record_race(1, 80, s);
  EXPECT_FALSE(keep_fastest_lap("hills", false));
  EXPECT_EQ(slurp(home_file("hills/fastlap.krdemo")), first);
  EXPECT_TRUE(keep_fastest_lap("hills", true));
  EXPECT_EQ(slurp(home_file("hills/fastlap.krdemo")), slurp(home_file("hills/lastlap.krdemo")));
  EXPECT_NE(first, slurp(home_file("hills/fastlap.krdemo")));
  // A copy that cannot read its source leaves the ghost alone.
  std::string ghost = slurp(home_file("hills/fastlap.krdemo"));
  EXPECT_FALSE(copy_demo_file("@hills/missing.krdemo", fast.c_str()));
  EXPECT_EQ(slurp(home_file("hills/fastlap.krdemo")), ghost);
  EXPECT_FALSE(file_exists(home_file("hills/fastlap.krdemo.part")));
}

TEST_F(DemoFiles, CopiesLargerThanOneBlock) {
  std::string big;
  for (int i = 0; i < 5000; ++i) big += static_cast<char>(i * 37);
  box.write_home("a.bin", big);
  ASSERT_TRUE(copy_demo_file("@a.bin", "@b.bin"));
  EXPECT_EQ(slurp(home_file("b.bin")), big);
}

TEST_F(DemoFiles, RecordingsThatCannotStartSaySo) {
  RecordingStart s;
  s.track = "hills";
  EXPECT_FALSE(start_demo_recording(recorder, s));
  EXPECT_TRUE(message_contains("no riders"));
  RecordedRider r;
  r.slot = kSlotCount;
  s.riders = {r};
  EXPECT_FALSE(start_demo_recording(recorder, s));
  r.slot = 4;
  s.riders = {r, r};
  EXPECT_FALSE(start_demo_recording(recorder, s));
  EXPECT_TRUE(message_contains("bad rider slot 4"));
  EXPECT_FALSE(demo_recording(recorder));
}

TEST_F(DemoFiles, AWriteFailureStopsTheRecordingWithAMessage) {
  RecordedRider r;
  r.slot = 0;
  r.current_state = [] { return synthetic_state(0, 0); };
  recorder.riders = {r};
  recorder.file.reset(open_data_file("/dev/full", "wb"));
  ASSERT_TRUE(recorder.file);
  recorder.file_name = "/dev/full";
  record_demo_step(recorder, *rings, 16, false);
  EXPECT_TRUE(message_contains("Demo recording stopped"));
  EXPECT_FALSE(demo_recording(recorder));
}

TEST_F(DemoFiles, ChunksInterleaveRidersInSlotOrder) {
  // Riders given out of slot order are recorded in slot order: the rider
  // index is the header position.
  RecordingStart s;
  s.track = "hills";
  int step = 0;
  for (int slot : {9, 2, 5}) {
    RecordedRider r;
    r.slot = slot;
    r.description.name = "slot " + std::to_string(slot);
    r.current_state = [slot, &step] { return synthetic_state(slot, step); };
    s.riders.push_back(r);
  }
  ASSERT_TRUE(start_demo_recording(recorder, s));
  for (step = 1; step <= 16; ++step) record_demo_step(recorder, *rings, step, false);
  finish_demo_recording(recorder);
  ASSERT_TRUE(open(kDefaultDemo));
  EXPECT_EQ(player.header.riders[0].name, "slot 2");
  EXPECT_EQ(player.header.riders[2].name, "slot 9");
  const int slots[] = {2, 5, 9};
  std::string file = slurp(home_file("demos/default.krdemo"));
  const uint8_t* chunk = reinterpret_cast<const uint8_t*>(file.data()) + player.header_end;
  ASSERT_EQ(file.size(), static_cast<size_t>(player.header_end) + kChunkHeadSize + 12u * kStateEntrySize);
  EXPECT_EQ(read_u32_le(chunk), 12u * kStateEntrySize);  // the first length is chained to 0
  EXPECT_EQ(read_u32_le(chunk + 4), 16u);
  EXPECT_EQ(chunk[8], kStatesChunk);
  // Rider 0's four states from the oldest, then rider 1's, then rider 2's.
  for (int e = 0; e < 12; ++e) {
    StateEntry entry = decode_state_entry(chunk + kChunkHeadSize + e * kStateEntrySize);
    EXPECT_EQ(entry.rider, e / 4);
    EXPECT_EQ(entry.step, 4 * (e % 4 + 1));
    EXPECT_EQ(entry.state, synthetic_state(slots[e / 4], entry.step));
  }
}

}  // namespace
