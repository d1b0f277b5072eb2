#include "files/data_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <climits>
#include <random>
#include <string>

#include "files/archive_writer.h"
#include "files/file_stream.h"
#include "files/scramble.h"
#include "tests/support/test_env.h"

namespace {

// A gzip file of text, with optional header fields.
std::string gzip(const std::string& text, const std::string& name = "") {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string body(deflateBound(&z, text.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(body.data());
  z.avail_out = static_cast<uInt>(body.size());
  deflate(&z, Z_FINISH);
  body.resize(z.total_out);
  deflateEnd(&z);
  std::string header = {'\x1f', '\x8b', 8, static_cast<char>(name.empty() ? 0 : 8), 0, 0, 0, 0, 0, 3};
  if (!name.empty()) header += name + std::string(1, '\0');
  return header + body + std::string(8, '\0');
}

std::string read_all(const char* name) {
  std::string out;
  if (!read_whole_data_file(name, out, 1 << 20)) return "<none>";
  return out;
}

TEST(DataFolders, HomeFirstThenKrHome) {
  DataSandbox sb;
  EXPECT_EQ(std::string(data_folder(0)), sb.home() + "/");
  EXPECT_EQ(std::string(home_folder()), sb.home() + "/");
  EXPECT_EQ(std::string(data_folder(1)), sb.data() + "/");
  EXPECT_EQ(data_folder(2), nullptr);
}

TEST(DataFolders, WithoutKrHomeTheExecutablesFolderServes) {
  DataSandbox sb;
  unsetenv("KR_HOME");
  data_files_reset();
  std::string exe = data_folder(1);
  EXPECT_EQ(exe.back(), '/');
  EXPECT_NE(exe.find("tests"), std::string::npos);
}

TEST(DataFiles, PrecedenceHomeThenFolderThenArchive) {
  DataSandbox sb;
  sb.write_data("a.saf", build_archive({{"x.txt", "from a"}, {"y.txt", "member y"}, {"z.txt", "z of a"}}));
  sb.write_data("b.saf", build_archive({{"x.txt", "from b"}, {"z.txt", "z of b"}}));
  sb.write_data("x.txt", "plain data folder");
  sb.write_home("y.txt", "home wins");
  sb.rescan();
  EXPECT_EQ(read_all("@x.txt"), "plain data folder");
  EXPECT_EQ(read_all("@y.txt"), "home wins");
  // A member in two archives is read from the archive that sorts first.
  EXPECT_EQ(read_all("@z.txt"), "z of a");
  EXPECT_EQ(read_all("@missing.txt"), "<none>");
}

TEST(DataFiles, InvalidArchivesAreIgnoredWhole) {
  DataSandbox sb;
  struct Case {
    const char* file;
    std::string content;
  } cases[] = {
      {"nodash.saf", "4 a.txt\n4 b.txt\naaaabbbb"},
      {"nonumber.saf", "4 c.txt\nbad line\n-\ncccc"},
      {"nolf.saf", "4 d.txt"},
      {"short.saf", "400 e.txt\n-\neeee"},
      // Each member fits by itself, but the second runs one byte past the end.
      {"overrun.saf", "3 g.txt\n2 h.txt\n-\ngggh"},
  };
  for (const Case& c : cases) sb.write_data(c.file, c.content);
  sb.write_data("good.saf", build_archive({{"f.txt", "ffff"}}));
  sb.write_data("exact.saf", "3 i.txt\n1 j.txt\n-\niiij");
  sb.rescan();
  for (const char* n : {"@a.txt", "@b.txt", "@c.txt", "@d.txt", "@e.txt", "@g.txt", "@h.txt"})
    EXPECT_EQ(read_all(n), "<none>") << n;
  EXPECT_EQ(read_all("@f.txt"), "ffff");
  EXPECT_EQ(read_all("@i.txt"), "iii");
  EXPECT_EQ(read_all("@j.txt"), "j") << "members that end exactly at the end are whole";
}

TEST(DataFiles, ArchiveMemberNamesCollapseSlashesAndIndexSorts) {
  DataSandbox sb;
  sb.write_data("zzzz.saf", build_archive({{"Tracks//hill///desc", "Hill\n"}, {"b.txt", "b"}}));
  sb.write_data("A.txt", "a");
  sb.write_home("b.TXT", "home b");
  sb.rescan();
  EXPECT_EQ(read_all("@tracks/hill/desc"), "Hill\n");
  const std::vector<std::string>& names = data_file_names();
  std::vector<std::string> want = {"A.txt", "b.TXT", "Tracks/hill/desc", "zzzz.saf"};
  EXPECT_EQ(names, want);
  char line[512];
  describe_data_file(0, line, sizeof line);
  EXPECT_EQ(std::string(line), "A.txt -> " + sb.data() + "/A.txt");
  char tiny[8];
  describe_data_file(0, tiny, sizeof tiny);
  EXPECT_STREQ(tiny, "A.txt -");
}

TEST(DataFiles, CompressedAndEncipheredVariants) {
  DataSandbox sb;
  const std::string text = "4 2.0 0.0 10.0\nline two\n";
  sb.write_data("t1/terrain.hf.gz", gzip(text, "terrain.hf"));
  sb.write_data("t2/terrain.hf.scram", scramble_encipher(text));
  sb.write_data("t3/terrain.hf.gz.scram", scramble_encipher(gzip(text)));
  sb.write_data("pack.saf", build_archive({{"t4/terrain.hf.gz", gzip(text)}, {"t5/terrain.hf.scram", scramble_encipher(text)}}));
  sb.rescan();
  for (const char* n : {"@t1/terrain.hf", "@t2/terrain.hf", "@t3/terrain.hf", "@t4/terrain.hf", "@t5/terrain.hf"}) {
    EXPECT_EQ(read_all(n), text) << n;
    DataFilePtr f(open_data_file(n, "r"));
    ASSERT_TRUE(f) << n;
    int e = 0;
    float s = 0, lo = 0, hi = 0;
    EXPECT_EQ(read_formatted(f.get(), "%d %f %f %f", &e, &s, &lo, &hi), 4) << n;
    EXPECT_EQ(e, 4);
    EXPECT_FLOAT_EQ(hi, 10.0f);
    EXPECT_FALSE(seek_data_file(f.get(), 0)) << n;
  }
  // A plain path finds the variants too.
  EXPECT_EQ(read_all((sb.data() + "/t1/terrain.hf").c_str()), text);
}

TEST(DataFiles, BadGzipHeaderFailsTheOpenTruncatedDataEndsTheStream) {
  DataSandbox sb;
  std::string good = gzip(std::string(5000, 'x'));
  sb.write_data("bad.txt.gz", std::string("\x1f\x8b\x07\x00", 4) + good.substr(4));
  sb.write_data("flags.txt.gz", std::string("\x1f\x8b\x08\x40", 4) + good.substr(4));
  sb.write_data("cut.txt.gz", good.substr(0, good.size() / 2));
  sb.write_data("junk.txt.gz", good.substr(0, 10) + std::string(100, '\xff'));
  sb.rescan();
  EXPECT_EQ(read_all("@bad.txt"), "<none>");
  EXPECT_EQ(read_all("@flags.txt"), "<none>");
  std::string cut = read_all("@cut.txt");
  EXPECT_LT(cut.size(), 5000u);
  EXPECT_EQ(cut, std::string(cut.size(), 'x'));
  EXPECT_EQ(read_all("@junk.txt"), "");
}

TEST(DataFiles, ArchiveMemberReadsStopAtItsEndAndSeekWithinIt) {
  DataSandbox sb;
  sb.write_data("m.saf", build_archive({{"one", "12 34\nrest"}, {"two", "NEXT MEMBER"}}));
  sb.rescan();
  DataFilePtr f(open_data_file("@one", "r"));
  ASSERT_TRUE(f);
  EXPECT_EQ(read_number(f.get()), 12);
  EXPECT_EQ(read_number(f.get()), 34);
  char buf[64];
  ASSERT_TRUE(read_line(f.get(), buf, sizeof buf));
  EXPECT_STREQ(buf, "\n");
  size_t n = read_block(f.get(), buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n), "rest");
  EXPECT_EQ(read_char(f.get()), EOF);
  EXPECT_EQ(read_number(f.get()), INT_MIN);
  EXPECT_TRUE(seek_data_file(f.get(), 3));
  EXPECT_EQ(read_number(f.get()), 34);
  EXPECT_FALSE(seek_data_file(f.get(), 100));
}

TEST(DataFiles, SkipCommentsSkipsBlankAndHashLines) {
  DataSandbox sb;
  sb.write_data("c.txt", "  \n# first\n   # second\n\n7 # not a comment line\n");
  sb.rescan();
  DataFilePtr f(open_data_file("@c.txt", "r"));
  ASSERT_TRUE(f);
  skip_comments(f.get());
  EXPECT_EQ(read_number(f.get()), 7);
  skip_comments(f.get());
  EXPECT_EQ(read_char(f.get()), EOF);
}

TEST(DataFiles, WritingAnAtNameLandsInHomeAndReadsBackFirst) {
  DataSandbox sb;
  sb.write_data("config", "shipped\n");
  sb.rescan();
  {
    DataFilePtr f(open_data_file("@config", "wb"));
    ASSERT_TRUE(f);
    write_formatted(f.get(), "xres=%d\n", 800);
  }
  EXPECT_EQ(slurp(sb.home() + "/config"), "xres=800\n");
  EXPECT_EQ(slurp(sb.data() + "/config"), "shipped\n");
  EXPECT_EQ(read_all("@config"), "xres=800\n");
  // Folders along the way are created.
  DataFilePtr g(open_data_file("@demos/deep/run.krdemo", "wb"));
  EXPECT_TRUE(g);
  EXPECT_TRUE(file_exists(sb.home() + "/demos/deep/run.krdemo"));
}

TEST(DataFiles, TildeModeKeepsNumberedBackups) {
  DataSandbox sb;
  sb.write_home("results.txt", "first");
  for (const char* content : {"second", "third"}) {
    DataFilePtr f(open_data_file("@results.txt", "~w"));
    ASSERT_TRUE(f);
    write_text(f.get(), content);
  }
  EXPECT_EQ(slurp(sb.home() + "/results.txt"), "third");
  EXPECT_EQ(slurp(sb.home() + "/results.txt.~1~"), "first");
  EXPECT_EQ(slurp(sb.home() + "/results.txt.~2~"), "second");
  // A new file needs no backup.
  DataFilePtr g(open_data_file("@new.txt", "~w"));
  EXPECT_TRUE(g);
  EXPECT_FALSE(file_exists(sb.home() + "/new.txt.~1~"));
}

TEST(DataFiles, RenameReplacesInOneStep) {
  DataSandbox sb;
  sb.write_home("config.tmp", "new");
  sb.write_home("config", "old");
  EXPECT_TRUE(rename_data_file("@config.tmp", "@config"));
  EXPECT_EQ(slurp(sb.home() + "/config"), "new");
  EXPECT_FALSE(file_exists(sb.home() + "/config.tmp"));
  // A failed rename leaves the target alone.
  EXPECT_FALSE(rename_data_file("@absent", "@config"));
  EXPECT_EQ(slurp(sb.home() + "/config"), "new");
}

TEST(DataFiles, FormattedReadingMatchesScanf) {
  DataSandbox sb;
  sb.write_data("g.txt", "[ 1.5 -2 3e2 ] 0x1F name_with-dash rest of line\n");
  sb.rescan();
  DataFilePtr f(open_data_file("@g.txt", "r"));
  ASSERT_TRUE(f);
  float x, y, z;
  int hex, n = 0;
  char word[32], rest[64];
  EXPECT_EQ(read_formatted(f.get(), " [ %f %f %f ] %x %31s %63[^\n]%n", &x, &y, &z, &hex, word, rest, &n), 6);
  EXPECT_FLOAT_EQ(x, 1.5f);
  EXPECT_FLOAT_EQ(z, 300.0f);
  EXPECT_EQ(hex, 31);
  EXPECT_STREQ(word, "name_with-dash");
  EXPECT_STREQ(rest, "rest of line");
  EXPECT_GT(n, 0);
}

}  // namespace

namespace {
TEST(Scramble, EnciphersDeterministicallyAndHidesText) {
  std::string text = "timing_gates: the lap line is at checkpoint 3\n";
  std::string a = scramble_encipher(text), b = scramble_encipher(text);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.size(), text.size() + 8);
  EXPECT_EQ(a.find("checkpoint"), std::string::npos);
}
}  // namespace

namespace {
// Random bytes as archives and as compressed or enciphered files never crash
// the index or the streams.
TEST(DataFiles, RandomBytesNeverCrash) {
  DataSandbox sb;
  std::mt19937 rng(1234);
  for (int round = 0; round < 40; ++round) {
    std::string bytes(rng() % 600, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() % 4 == 0 ? "0123456789 -\n"[rng() % 13] : rng());
    std::string n = std::to_string(round);
    sb.write_data("r" + n + ".saf", bytes);
    sb.write_data("g" + n + ".txt.gz", std::string("\x1f\x8b\x08\x00\0\0\0\0\0\x03", 10) + bytes);
    sb.write_data("s" + n + ".txt.gz.scram", bytes);
  }
  sb.rescan();
  for (const std::string& name : data_file_names()) {
    std::string out;
    read_whole_data_file(("@" + name).c_str(), out, 1 << 20);
  }
  for (int round = 0; round < 40; ++round) {
    std::string out;
    read_whole_data_file(("@g" + std::to_string(round) + ".txt").c_str(), out, 1 << 20);
    read_whole_data_file(("@s" + std::to_string(round) + ".txt").c_str(), out, 1 << 20);
  }
  SUCCEED();
}
}  // namespace

namespace {
TEST(DataFiles, WritingNeverFallsThroughToTheShippedData) {
  DataSandbox sb;
  sb.write_data("config", "shipped\n");
  // The home folder's place is taken by a plain file, so it cannot be made.
  TempDir other;
  std::string blocker = other.write("notafolder", "x");
  setenv("XDG_DATA_HOME", blocker.c_str(), 1);
  data_files_reset();
  EXPECT_EQ(open_data_file("@config", "wb"), nullptr);
  EXPECT_EQ(open_data_file("@config", "~w"), nullptr);
  EXPECT_EQ(slurp(sb.data() + "/config"), "shipped\n");
  // Reading still finds the shipped file.
  std::string out;
  EXPECT_TRUE(read_whole_data_file("@config", out, 1 << 20));
  EXPECT_EQ(out, "shipped\n");
}
}  // namespace

namespace {
TEST(DataFiles, ArchiveSizesThatOverflowAreIgnored) {
  DataSandbox sb;
  sb.write_data("huge.saf", "9223372036854775807 a\n5 b\n-\nbbbbb");
  sb.write_data("wrap.saf", "9223372036854775800 c\n9223372036854775800 d\n-\nxx");
  sb.rescan();
  for (const char* n : {"@a", "@b", "@c", "@d"}) EXPECT_EQ(read_all(n), "<none>") << n;
}

TEST(DataFolders, WithoutAHomeNothingIsWrittenIntoTheData) {
  DataSandbox sb;
  unsetenv("XDG_DATA_HOME");
  std::string saved_home = getenv("HOME") ? getenv("HOME") : "";
  unsetenv("HOME");
  data_files_reset();
  EXPECT_EQ(home_folder(), nullptr);
  EXPECT_EQ(std::string(data_folder(0)), sb.data() + "/");
  EXPECT_EQ(open_data_file("@config", "w"), nullptr);
  sb.write_data("x", "1");
  EXPECT_FALSE(rename_data_file("@x", "@y"));
  EXPECT_FALSE(file_exists(sb.data() + "/config"));
  EXPECT_TRUE(file_exists(sb.data() + "/x"));
  if (!saved_home.empty()) setenv("HOME", saved_home.c_str(), 1);
}
}  // namespace
