// The packing tool's archives and enciphered files read back through the
// game's own file streams.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "files/data_files.h"
#include "files/file_stream.h"
#include "tests/support/test_env.h"

namespace {

int run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

const std::string kKrpack = std::string(KR_BINARY_DIR) + "/tools/krpack";

TEST(Krpack, PackedFolderAndScrambledFileReadBack) {
  DataSandbox sb;
  TempDir src;
  src.write("hill/desc", "Hill Top\n");
  src.write("hill/timing_gates", "checkpoints:\n");
  src.write("secret.txt", "hidden text\n");
  ASSERT_EQ(run(kKrpack + " pack '" + sb.data() + "/pack.saf' '" + src.path + "'"), 0);
  ASSERT_EQ(run(kKrpack + " scram '" + src.file("secret.txt") + "' '" + sb.data() + "/secret.txt.scram'"), 0);
  sb.rescan();
  std::string out;
  ASSERT_TRUE(read_whole_data_file("@hill/desc", out, 1 << 20));
  EXPECT_EQ(out, "Hill Top\n");
  ASSERT_TRUE(read_whole_data_file("@hill/timing_gates", out, 1 << 20));
  EXPECT_EQ(out, "checkpoints:\n");
  ASSERT_TRUE(read_whole_data_file("@secret.txt", out, 1 << 20));
  EXPECT_EQ(out, "hidden text\n");
}

TEST(Krpack, BadArgumentsAreReported) {
  TempDir dir;
  EXPECT_NE(run(kKrpack), 0);
  EXPECT_NE(run(kKrpack + " pack '" + dir.file("a.saf") + "' '" + dir.file("no-such-folder") + "'"), 0);
  EXPECT_NE(run(kKrpack + " scram '" + dir.file("missing") + "'"), 0);
  EXPECT_FALSE(file_exists(dir.file("a.saf")));
}

}  // namespace
