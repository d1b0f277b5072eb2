#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <vector>

#include "config/bike_setup.h"
#include "config_fixture.h"
#include "files/data_files.h"
#include "platform/messages.h"
#include "tests/support/hostile_files.h"

std::string line_for(const std::string& file, const std::string& key) {
  std::istringstream in(file);
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, key.size() + 1, key + "=") == 0) return line;
  return "";
}

std::vector<std::string> keys_of(const std::string& file) {
  std::vector<std::string> keys;
  std::istringstream in(file);
  std::string line;
  while (std::getline(in, line)) keys.push_back(line.substr(0, line.find('=')));
  return keys;
}

namespace {

// The whole file the writer makes from the defaults, spelled out.
std::string default_file() {
  std::string s =
      "xres=640\nyres=480\ndraw_fps=0\ndraw_time=0\ndraw_ping=1\nspy=0\ntrack=rabbithill\n"
      "record=No\nskill=Novice\nminutes=0.000000\nlaps=5.000000\n";
  char line[64];
  for (int i = 0; i < 40; ++i) {
    const char* kind = i == 19 ? "Human" : (i == 17 || i == 18 || (i >= 20 && i <= 22)) ? "Robot" : "Empty";
    std::snprintf(line, sizeof line, "slot%02d=%s\n", i, kind);
    s += line;
  }
  s += "ghost_fade_distance=10.000000\ntime_trial_abort=Yes\n";
  // The bike setup, with the advanced items as Stability 100 gives them.
  s +=
      "bike=450sxf(2013)\nname=Sam Dirt\nnumber=999\nrider_texture=default\nhead_texture=default\n"
      "bike_texture=default\nwheel_texture=default\nstability=100.000000\nleveling=20.000000\n"
      "roll_damping=80.000000\nroll_limit_angle=35.000000\nroll_limit_factor=32.000000\n"
      "steering_damping=45.000000\nsteering_strength=75.000000\nmax_steering_force=400.000000\n"
      "direct_steering=0.000000\nslow_damping_speed=40.000000\nslow_damping_factor=2.000000\n"
      "land_damping_falloff=0.250000\nland_damping_factor=2.000000\nfull_lock_speed=10.000000\n"
      "restricted_lock_speed=50.000000\nrestricted_lock=5.000000\narcade=Yes\nfront_brake=Antilock\n"
      "rear_brake=Normal\nstop_wheelies=No\nauto_shift=Yes\nauto_dab=Yes\nauto_align=Yes\n"
      "sticky_dab=No\nreverse_steering=Yes\nlean_indicator=Yes\nauto_clutch_rpms=5000.000000\n"
      "brake_torque=250.000000\nrear_brake_torque=250.000000\nmax_dab_speed=20.000000\n"
      "front_sprocket_adjustment=0.000000\nrear_sprocket_adjustment=0.000000\n";
  for (const char* key : {"fork_compression_adjustment", "fork_rebound_adjustment", "fork_spring_rate_adjustment",
                          "fork_preload_adjustment", "fork_oil_level_adjustment", "shock_compression_adjustment",
                          "shock_rebound_adjustment", "shock_spring_rate_adjustment", "shock_preload_adjustment",
                          "rider_yspring", "rider_ydamping", "rider_zspring", "rider_zdamping"}) {
    s += std::string(key) + "=50.000000\n";
  }
  s += "rider_mass_distribution=0.330000\nvideo_mode=Default Fullscreen\n";
  s += "server_name=race.kiwiridge.net\n";
  for (int i = 0; i < 16; ++i) {
    std::snprintf(line, sizeof line, "server_name_hist%02d=\n", i);
    s += line;
  }
  s +=
      "ground_detail=70.000000\nground_texture_detail=9.000000\nground_texture_dim=64x64\n"
      "ground_mipmaps=Yes\ntexture_compress=No\nrender_texture=Software\nuse_shader=Yes\n"
      "roost_density=1000.000000\nlens_flare=Yes\nreflections=Yes\nhide_rider=No\nrigid_camera=No\n"
      "model_detail=50.000000\nmodel_texture_detail=9.000000\nfov=110.000000\n"
      "first_person_height=0.000000\nfirst_person_angle=0.000000\nthird_person_height=5.000000\n"
      "third_person_distance=10.000000\nvolume=10.000000\ncomp_volume=8.000000\n"
      "playback_mode=Playback Only\nbillboard_optimize_lookahead=8\nmessage_lines=5\ndemo_backups=0\n"
      "map_scale=1.000000\n"
      "throttle_key=(k)x\nfront_brake_key=(k)c\nrear_brake_key=(k)v\nleft_key=(k)left\n"
      "right_key=(k)right\nclutch_key=(k)z\nupshift_key=(k)up\ndownshift_key=(k)down\n"
      "dab_key=(k)right ctrl\nback_up_key=(k)b\nlean_forward_key=(k)n\nlean_backward_key=(k)m\n"
      "pause_key=(k)pause\nstep_key=(k).\nrewind_key=(k)\\\nskip_key=(k)/\nprev_key=(k)[\n"
      "next_key=(k)]\nconsole_key=(k)t\nscreenshot_key=(k)s\n";
  return s;
}

TEST_F(ConfigTest, DefaultsAreWrittenInOrderWithTheirFormats) {
  EXPECT_EQ(written(), default_file());
}

TEST_F(ConfigTest, MissingFileKeepsDefaults) {
  read_configuration();
  EXPECT_EQ(written(), default_file());
}

TEST_F(ConfigTest, WrittenFileReadsBackToTheSameFile) {
  find_setting("xres")->integer = 1024;
  find_setting("track")->text = "mudpit";
  choose_entry(*find_setting("skill"), "Expert");
  set_number(*find_setting("first_person_height"), 0.34375);
  set_number(*find_setting("fov"), 100.0 / 3);
  choose_entry(*find_setting("slot05"), "Robot (4 stroke)");
  find_setting("server_name")->text = "host with blanks";
  find_setting("server_name_hist03")->text = "old.example.org";
  binding_from_text(find_setting("throttle_key")->binding, "(-0.0625,-0.9375)Joystick1 axis 1");
  const std::string first = written();
  EXPECT_EQ(line_for(first, "fov"), "fov=33.333333");

  settings_defaults();
  read_configuration();
  EXPECT_EQ(written(), first);
  EXPECT_EQ(find_setting("throttle_key")->binding.axis_name, "Joystick1 axis 1");
  EXPECT_DOUBLE_EQ(find_setting("throttle_key")->binding.low, -0.0625);
}

TEST_F(ConfigTest, EveryKeyWrittenOnceWhateverTheInputHeld) {
  read_text(
      "laps=3\nlaps=4\nunknown_key=1\nslot00=Human\nslot00=Robot\n\n=\n=value\njunk line\n"
      "xres=800\nthrottle_key=(k)q\nthrottle_key=(k)w\nuse_fbo=Yes\n");
  const std::string file = written();
  EXPECT_EQ(keys_of(file), keys_of(default_file()));
  EXPECT_EQ(line_for(file, "laps"), "laps=4.000000");
  EXPECT_EQ(line_for(file, "slot00"), "slot00=Robot");
  EXPECT_EQ(line_for(file, "throttle_key"), "throttle_key=(k)w");
}

struct LineCase {
  const char* name;
  std::string input;
  const char* key;       // the written line to look at
  std::string expected;  // empty: no line for the key
};

// Test listings show the case's name rather than its bytes.
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class ConfigLineTest : public ConfigTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ConfigLineTest, ReadsAsExpected) {
  const LineCase& c = GetParam();
  read_text(c.input);
  EXPECT_EQ(line_for(written(), c.key), c.expected) << c.input;
}

const std::string kLong200(200, 'h');
const std::string kLong126(126, 'a');
const std::string kLong127(127, 'b');

INSTANTIATE_TEST_SUITE_P(
    Lines, ConfigLineTest,
    ::testing::Values(
        LineCase{"LapsClampedToMaximum", "laps=75\n", "laps", "laps=50.000000"},
        LineCase{"LapsClampedToMinimum", "laps=-3\n", "laps", "laps=0.000000"},
        LineCase{"NumberWithTrailingText", "ghost_fade_distance=12.5 feet\n", "ghost_fade_distance",
                 "ghost_fade_distance=12.500000"},
        LineCase{"NumberNotANumber", "fov=wide\n", "fov", "fov=110.000000"},
        LineCase{"NumberNaNRefused", "laps=nan\n", "laps", "laps=5.000000"},
        LineCase{"MapScaleClampedLow", "map_scale=0.01\n", "map_scale", "map_scale=0.125000"},
        LineCase{"MapScaleClampedHigh", "map_scale=100\n", "map_scale", "map_scale=8.000000"},
        LineCase{"IntegerRead", "xres=1280\n", "xres", "xres=1280"},
        LineCase{"IntegerWithTrailingText", "yres=800px\n", "yres", "yres=800"},
        LineCase{"IntegerMalformed", "xres=wide\n", "xres", "xres=640"},
        LineCase{"IntegerOverflowRefused", "xres=99999999999\n", "xres", "xres=640"},
        LineCase{"ChoiceCaseMatters", "render_texture=software\nrender_texture=shaders/direct\n",
                 "render_texture", "render_texture=Software"},
        LineCase{"ChoiceExact", "render_texture=Shaders/Copy\n", "render_texture", "render_texture=Shaders/Copy"},
        LineCase{"SlotKind", "slot39=Robot (2 stroke)\n", "slot39", "slot39=Robot (2 stroke)"},
        LineCase{"FboNoGivesHardwareCopy", "use_fbo=No\n", "render_texture", "render_texture=Hardware/Copy"},
        LineCase{"FboYesGivesHardwareDirect", "use_fbo=Yes\n", "render_texture", "render_texture=Hardware/Direct"},
        LineCase{"FboMalformedChangesNothing", "use_fbo=no\n", "render_texture", "render_texture=Software"},
        LineCase{"LaterRenderTextureWins", "use_fbo=No\nrender_texture=Shaders/Copy\n", "render_texture",
                 "render_texture=Shaders/Copy"},
        LineCase{"LaterFboWins", "render_texture=Shaders/Copy\nuse_fbo=No\n", "render_texture",
                 "render_texture=Hardware/Copy"},
        LineCase{"FboNeverWritten", "use_fbo=No\n", "use_fbo", ""},
        LineCase{"CarriageReturnsRemoved", "skill=Expert\r\r\n", "skill", "skill=Expert"},
        LineCase{"LastLineWithoutLineFeed", "xres=10\nskill=Amateur", "skill", "skill=Amateur"},
        LineCase{"BlanksAroundEqualsNotRecognised", "skill = Expert\nlaps =7\n", "skill", "skill=Novice"},
        LineCase{"KeyCaseMatters", "Laps=7\n", "laps", "laps=5.000000"},
        LineCase{"ValueKeepsLeadingBlank", "track= mudpit\n", "track", "track= mudpit"},
        LineCase{"ValueKeepsLaterEquals", "server_name=a=b\n", "server_name", "server_name=a=b"},
        LineCase{"TextCutTo127", "server_name=" + kLong200 + "\n", "server_name",
                 "server_name=" + kLong200.substr(0, 127)},
        LineCase{"HistoryOf126Kept", "server_name_hist00=" + kLong126 + "\n", "server_name_hist00",
                 "server_name_hist00=" + kLong126},
        LineCase{"HistoryOver126Ignored", "server_name_hist01=x\nserver_name_hist01=" + kLong127 + "\n",
                 "server_name_hist01", "server_name_hist01=x"},
        LineCase{"TrackName", "track=mudpit\n", "track", "track=mudpit"},
        LineCase{"BindingAxisForm", "throttle_key=(0.1,0.9)Joystick1 axis 2\n", "throttle_key",
                 "throttle_key=(0.100000,0.900000)Joystick1 axis 2"},
        LineCase{"BindingKeyForm", "throttle_key=(k)Right Shift\n", "throttle_key", "throttle_key=(k)Right Shift"},
        LineCase{"BindingBareKeyName", "throttle_key=  q\n", "throttle_key", "throttle_key=(k)q"},
        LineCase{"BindingEmptyWritesNoLine", "screenshot_key=\n", "screenshot_key", ""},
        LineCase{"BindingEmptyKeyForm", "screenshot_key=(k)\n", "screenshot_key", ""},
        LineCase{"BindingNaNRangeIsAKeyName", "left_key=(nan,1)stick\n", "left_key", "left_key=(k)(nan,1)stick"},
        LineCase{"BindingOneNumberIsAKeyName", "left_key=(0.5)stick\n", "left_key", "left_key=(k)(0.5)stick"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST_F(ConfigTest, GarbageIsSkippedAndValidLinesKept) {
  std::string input = "laps=7\n";
  // An over-long line whose tail would read as a setting of its own.
  input += "track=" + std::string(1100, 'x') + "laps=9\n";
  input += "skill=Expert\n";
  input += std::string(5000, '=') + "\n";
  input += "no equals sign here\n";
  input += std::string("\x01\x02\xff\xfe=\x80\n", 7);
  input += std::string("minutes=3\0laps=8\n", 17);  // a zero byte spoils the line
  input += "xres=\x01\x02\n";
  input += "server_name=\x7f\xc3\xa9\n";
  input += "fov=90\n";
  read_text(input);
  const std::string file = written();
  EXPECT_EQ(line_for(file, "laps"), "laps=7.000000");
  EXPECT_EQ(line_for(file, "track"), "track=rabbithill");
  EXPECT_EQ(line_for(file, "skill"), "skill=Expert");
  EXPECT_EQ(line_for(file, "minutes"), "minutes=0.000000");
  EXPECT_EQ(line_for(file, "xres"), "xres=640");
  EXPECT_EQ(line_for(file, "server_name"), "server_name=\x7f\xc3\xa9");
  EXPECT_EQ(line_for(file, "fov"), "fov=90.000000");
  EXPECT_EQ(keys_of(file), keys_of(default_file()));
}

TEST_F(ConfigTest, LineOfExactly1023CharactersIsRead) {
  const std::string value(1023 - 6, 'y');
  read_text("track=" + value + "\nlaps=2\n");
  const std::string file = written();
  EXPECT_EQ(line_for(file, "track"), "track=" + value.substr(0, 127));
  EXPECT_EQ(line_for(file, "laps"), "laps=2.000000");
}

TEST_F(ConfigTest, VideoModeKeptByText) {
  set_video_mode_list({"800x600", "1024x768"});
  read_text("video_mode=1024x768\n");
  EXPECT_EQ(line_for(written(), "video_mode"), "video_mode=1024x768");
  set_video_mode_list({"1024x768"});
  EXPECT_STREQ(chosen_text(*find_setting("video_mode")), "1024x768");
  // A mode the display no longer offers falls back to the first entry.
  set_video_mode_list({"640x480"});
  EXPECT_STREQ(chosen_text(*find_setting("video_mode")), "Default Fullscreen");
}

// Failed writes must leave the old file whole and no temporary behind.
class ConfigWriteFailureTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    sandbox.write_home("config", "old file\n");
  }
  void TearDown() override {
    EXPECT_EQ(slurp(config_path()), "old file\n");
    EXPECT_FALSE(file_exists(config_path() + ".tmp") &&
                 std::filesystem::is_regular_file(config_path() + ".tmp"));
  }
};

TEST_F(ConfigWriteFailureTest, TemporaryCannotBeCreated) {
  // The temporary's name is taken by a folder (root ignores permissions).
  sandbox.write_home("config.tmp/keep", "");
  EXPECT_FALSE(write_configuration());
}

TEST_F(ConfigWriteFailureTest, DiskFillsWhileWriting) {
  // A file size limit makes the writes fail part way, as a full disk does.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  bool ok = write_configuration();
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(ok);
}

TEST_F(ConfigTest, HomeUnderARegularFileFails) {
  sandbox.root.write("blocker", "a file, not a folder");
  setenv("XDG_DATA_HOME", sandbox.root.file("blocker/home").c_str(), 1);
  data_files_reset();
  EXPECT_FALSE(write_configuration());
}

TEST_F(ConfigTest, SettingTableNamesForOverrides) {
  struct {
    const char* key;
    SettingKind kind;
  } cases[] = {{"xres", SettingKind::Integer},       {"yres", SettingKind::Integer},
               {"draw_fps", SettingKind::Integer},   {"draw_time", SettingKind::Integer},
               {"draw_ping", SettingKind::Integer},  {"track", SettingKind::Text},
               {"laps", SettingKind::Number},        {"slot00", SettingKind::Choice},
               {"slot39", SettingKind::Choice},      {"server_name_hist15", SettingKind::Text},
               {"use_fbo", SettingKind::Choice},     {"screenshot_key", SettingKind::Binding}};
  for (const auto& c : cases) {
    SettingItem* item = find_setting(c.key);
    ASSERT_NE(item, nullptr) << c.key;
    EXPECT_EQ(item->kind, c.kind) << c.key;
  }
  EXPECT_EQ(find_setting("XRES"), nullptr);
  EXPECT_EQ(find_setting("slot40"), nullptr);
  EXPECT_EQ(find_setting("server_name_hist16"), nullptr);
  EXPECT_STREQ(find_setting("slot19")->label, "Gate 20");
}

TEST_F(ConfigTest, DefaultsRestoreEveryItemInPlace) {
  SettingItem* laps = find_setting("laps");
  set_number(*laps, 9);
  binding_from_text(control_binding(0), "(k)q");
  settings_defaults();
  EXPECT_EQ(find_setting("laps"), laps);
  EXPECT_EQ(laps->number, 5);
  EXPECT_EQ(control_binding(0).key_name, "x");
  EXPECT_EQ(written(), default_file());
}

}  // namespace

namespace {
// A configuration larger than any real one (1 MiB) is not read at all; a
// compressed one that inflates past the cap keeps the lines read before it
// and drops the line the cap cut.
TEST_F(ConfigTest, ConfigurationsLargerThanAnyRealOneAreRefused) {
  read_text("xres=1024\n" + std::string(2 << 20, '\n'));
  EXPECT_EQ(find_setting("xres")->integer, 640);
  sandbox.write_home("config.gz", gzip_of_repeats("xres=1280\nyres=960\n", size_t(1) << 30));
  std::filesystem::remove(config_path());
  clear_messages();
  read_configuration();
  EXPECT_EQ(find_setting("xres")->integer, 1280);
  EXPECT_EQ(find_setting("yres")->integer, 960);
  ASSERT_FALSE(recent_messages().empty());
  EXPECT_EQ(recent_messages().back(), "Refused '@config': larger than 1 MiB");
}
}  // namespace
