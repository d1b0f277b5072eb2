// The digests the game checks its data against must be those of the data
// the generator makes; when the data set changes on purpose, copy the
// printed values into core/data_digests.h.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "app/data_check.h"
#include "app/data_digests.h"
#include "files/data_files.h"
#include "tests/support/test_env.h"

namespace {

struct GeneratedData : ::testing::Test {
  DataSandbox box;
  void SetUp() override {
    std::string command = std::string(KR_BINARY_DIR "/tools/kr_datagen '") + box.data() + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    box.rescan();
  }
  std::string saf() const { return box.data() + "/zzzz.saf"; }
};

TEST_F(GeneratedData, DataSetDigestMatchesTheGenerator) {
  EXPECT_EQ(data_set_digest(saf()), kDataSetDigest) << "update kDataSetDigest to the value above";
  EXPECT_EQ(find_game_data(kDataSetDigest), 1) << "found in the second data folder";
}

TEST_F(GeneratedData, FixedFileDigestMatchesTheGenerator) {
  EXPECT_EQ(fixed_file_digest(), kFixedFileDigest) << "update kFixedFileDigest to the value above";
  EXPECT_TRUE(fixed_files_match(kFixedFileDigest));
}

TEST_F(GeneratedData, MissingOrAlteredArchiveFailsTheCheck) {
  {
    std::fstream f(saf(), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(0);
    char c = 0;
    f.read(&c, 1);
    f.seekp(0);
    c ^= 1;
    f.write(&c, 1);
  }
  EXPECT_NE(data_set_digest(saf()), kDataSetDigest);
  EXPECT_EQ(find_game_data(kDataSetDigest), -1);
  std::remove(saf().c_str());
  EXPECT_EQ(data_set_digest(saf()), "");
  EXPECT_EQ(find_game_data(kDataSetDigest), -1);
}

TEST_F(GeneratedData, OnlyTheFirstMebibyteCounts) {
  std::string before = data_set_digest(saf());
  std::ofstream(saf(), std::ios::app | std::ios::binary) << "tail";
  std::string big(1048576 + 100, 'x');
  TempDir dir;
  std::string a = dir.write("a.saf", big);
  std::string b = dir.write("b.saf", big + "different tail");
  EXPECT_EQ(data_set_digest(a), data_set_digest(b));
  EXPECT_NE(data_set_digest(saf()), before) << "a small archive is hashed whole";
}

}  // namespace
