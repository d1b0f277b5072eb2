// What the readers accept: names that are data files, a size cap for every
// whole-file read and every capped stream, and no device file or pipe ever
// opened (nor waited on) as data.
#include "files/data_limits.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "files/archive_writer.h"
#include "files/data_files.h"
#include "files/file_stream.h"
#include "platform/messages.h"
#include "tests/support/hostile_files.h"
#include "tests/support/test_env.h"

namespace {

bool shown(const std::string& text) {
  for (const std::string& m : recent_messages())
    if (m == text) return true;
  return false;
}

TEST(DataFileNames, OnlyNamesInsideTheDataFoldersAreDataFiles) {
  DataSandbox sb;
  struct Case {
    std::string name;
    bool acceptable;
  } cases[] = {
      {"@ground/dirt.png", true},
      {"!@ground/dirt.png", true},  // a texture at full detail
      {"@a..b/c.png", true},
      {"@../x.png", false},
      {"@tracks/../../x.png", false},
      {"@tracks/..", false},
      {"ground/dirt.png", true},  // the working folder's, as the game starts in its own
      {"../x.png", false},
      {"a/../../x.png", false},
      {"/dev/zero", false},
      {"/etc/passwd", false},
      {sb.data() + "/ground/dirt.png", true},
      {sb.home() + "/mine.png", true},
      {sb.data() + "/../outside.png", false},
      {sb.data() + "x/y.png", false},  // a folder whose name only starts alike
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(data_file_name_acceptable(c.name.c_str()), c.acceptable) << c.name;
}

TEST(DataFileCaps, WholeReadsStopAtTheCapOfTheirKind) {
  DataSandbox sb;
  sb.write_data("exact", std::string(1000, 'x'));
  sb.write_data("over", std::string(1001, 'x'));
  sb.write_data("packed.gz", gzip_of_repeats("0123456789", 1000));
  sb.write_data("bomb.gz", gzip_of_repeats("[ 10 0 10 ] 0 @a.jm @a.png @a.shp\n", size_t(1) << 30));
  sb.write_data("m.saf", build_archive({{"member", std::string(2000, 'm')}}));
  sb.rescan();
  clear_messages();
  const long refused = refused_data_file_count();
  std::string out;
  EXPECT_TRUE(read_whole_data_file("@exact", out, 1000));
  EXPECT_EQ(out.size(), 1000u);
  EXPECT_FALSE(read_whole_data_file("@over", out, 1000));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(shown("Refused '@over': larger than 1000 bytes"));
  // A compressed file: its size shows only as it is read.
  EXPECT_TRUE(read_whole_data_file("@packed", out, 1000));
  std::string digits;
  for (int k = 0; k < 100; ++k) digits += "0123456789";
  EXPECT_EQ(out, digits);
  EXPECT_FALSE(read_whole_data_file("@bomb", out, 4 * kMiB));
  EXPECT_TRUE(out.empty());
  EXPECT_LE(out.capacity(), static_cast<size_t>(4 * kMiB));
  EXPECT_TRUE(shown("Refused '@bomb': larger than 4 MiB"));
  EXPECT_FALSE(read_whole_data_file("@member", out, 1999));
  EXPECT_TRUE(read_whole_data_file("@member", out, 2000));
  EXPECT_EQ(refused_data_file_count(), refused + 3);
}

TEST(DataFileCaps, CappedStreamsEndJustPastTheCapAndSayItOverflowed) {
  DataSandbox sb;
  sb.write_data("text.gz", gzip_of_repeats("line\n", 100000));
  sb.write_data("plain", std::string(5000, 'p'));
  sb.rescan();
  DataFilePtr f(open_data_file("@text", "r"));
  ASSERT_TRUE(f);
  EXPECT_TRUE(limit_data_file(f.get(), 4096));  // unknown size: limited as read
  char line[64];
  long lines = 0;
  while (read_line(f.get(), line, sizeof line)) ++lines;
  EXPECT_EQ(lines, 4096 / 5 + 1);  // the last one cut short by the cap
  EXPECT_TRUE(data_file_overflowed(f.get()));
  DataFilePtr g(open_data_file("@plain", "r"));
  EXPECT_FALSE(limit_data_file(g.get(), 4999));  // refused before reading
  EXPECT_TRUE(limit_data_file(g.get(), 5000));
  EXPECT_FALSE(data_file_overflowed(g.get()));
}

TEST(DataFileKinds, DeviceFilesAndPipesAreNeverOpenedForReading) {
  DataSandbox sb;
  ASSERT_EQ(mkfifo((sb.data() + "/pipe").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", sb.data() + "/zero.png");
  std::filesystem::create_directories(sb.data() + "/folder.png");
  sb.write_data("real.png", "x");
  sb.rescan();
  // None of them enters the index of data files.
  for (const std::string& n : data_file_names()) EXPECT_TRUE(n == "real.png") << n;
  clear_messages();
  // A pipe would block the open for ever; a device never ends.
  for (const std::string& name : {std::string("@pipe"), std::string("@zero.png"), std::string("@folder.png"),
                                  std::string("/dev/zero"), std::string("/dev/null")}) {
    EXPECT_EQ(open_data_file(name.c_str(), "r"), nullptr) << name;
  }
  EXPECT_TRUE(shown("Refused '" + sb.data() + "/pipe': not a data file"));
  EXPECT_TRUE(shown("Refused '/dev/zero': not a data file"));
  // Writing is not reading: a device may still be written to.
  DataFile* w = open_data_file("/dev/null", "w");
  EXPECT_NE(w, nullptr);
  close_data_file(w);
}

TEST(DataFileKinds, AnArchiveWithAnEndlessDirectoryIsIgnored) {
  DataSandbox sb;
  std::string directory;
  while (directory.size() <= static_cast<size_t>(kArchiveDirectoryCap)) directory += "0 a\n";
  sb.write_data("long.saf", directory + "-\n");
  std::string many;
  for (long k = 0; k <= kArchiveMemberCap; ++k) many += "0 m" + std::to_string(k) + "\n";
  sb.write_data("many.saf", many + "-\n");
  sb.write_data("fine.saf", build_archive({{"kept", "yes"}}));
  sb.rescan();
  std::string out;
  EXPECT_FALSE(read_whole_data_file("@a", out, 100));
  EXPECT_FALSE(read_whole_data_file("@m0", out, 100));
  EXPECT_TRUE(read_whole_data_file("@kept", out, 100));
  EXPECT_EQ(data_file_names().size(), 4u);  // the three archives and the member kept
}

TEST(SizeText, ReadsAsPeopleWriteSizes) {
  EXPECT_EQ(size_text(4 * kMiB), "4 MiB");
  EXPECT_EQ(size_text(64 * kKiB), "64 KiB");
  EXPECT_EQ(size_text(1000), "1000 bytes");
  EXPECT_EQ(size_text(kMiB + 1), "1048577 bytes");
}

}  // namespace
