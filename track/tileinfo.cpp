// The "tileinfo" and "texturelist" readers.
#include "track/tileinfo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/file_stream.h"
#include "platform/messages.h"
#include "track/terrain.h"

namespace {

constexpr int kLineSize = 1024;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void load_tile_texture(const Terrain& t, TileType& tile, const std::string& name) {
  tile.texture_name = name;
  tile.texture = 0;
  tile.image = Image{};
  if (t.method == MethodSoftware) {
    if (track_name_acceptable(name.c_str())) image_read_rgb(name.c_str(), tile.image);
  } else {
    tile.texture = asset_texture(name.c_str());
  }
}

// A tile being defined, with the number of table points given so far (0:
// the default table is still in place).
struct PendingTile {
  TileType tile;
  int friction_points = 0;
  int roll_resist_points = 0;
  int roost_blocks = 0;
};

float raise_key(float key) { return key >= kMinTableKey ? key : kMinTableKey; }

void add_friction(PendingTile& p, const char* value) {
  float v = 0, key = 0;
  if (std::sscanf(value, "%f %f", &v, &key) != 2) {
    show_message("tileinfo warning: bad friction parameters\n");
    return;
  }
  if (p.friction_points == kTablePoints) {
    show_message("tileinfo warning: too many friction points\n");
    return;
  }
  FrictionPoint& pt = p.tile.friction[p.friction_points++];
  pt.value = v > 0 ? v : 0.0f;
  pt.key = raise_key(key);
}

void add_roll_resist(PendingTile& p, const char* value) {
  float a = 0, b = 0, key = 0;
  if (std::sscanf(value, "%f %f %f", &a, &b, &key) != 3) {
    show_message("tileinfo warning: bad roll_resist parameters\n");
    return;
  }
  if (p.roll_resist_points == kTablePoints) {
    show_message("tileinfo warning: too many roll_resist points\n");
    return;
  }
  RollResistPoint& pt = p.tile.roll_resist[p.roll_resist_points++];
  pt.a = a > 0 ? a : 0.0f;
  pt.b = b > 0 ? b : 0.0f;
  pt.key = raise_key(key);
}

struct ErodeKey {
  const char* name;
  float ErodeValues::*field;
};

constexpr ErodeKey kErodeKeys[] = {
    {"erode_depth", &ErodeValues::erode_depth},
    {"erode_lower", &ErodeValues::erode_lower},
    {"erode_upper", &ErodeValues::erode_upper},
    {"erode_displacement", &ErodeValues::erode_displacement},
    {"erode_radius", &ErodeValues::erode_radius},
    {"erode_max_slope", &ErodeValues::erode_max_slope},
    {"erode_off_speed", &ErodeValues::erode_off_speed},
    {"erode_on_speed", &ErodeValues::erode_on_speed},
};

// Roost keys and where their values go.
enum class RoostField { Texture, Splash, Float, Colour, Fade };

struct RoostKey {
  const char* key;
  RoostField kind;
  float RoostBlock::*number = nullptr;
  uint8_t RoostBlock::*colour = nullptr;
  int8_t RoostBlock::*fade = nullptr;
};

const RoostKey kRoostKeys[] = {
    {"splash=", RoostField::Splash},
    {"texture=", RoostField::Texture},
    {"count=", RoostField::Float, &RoostBlock::count},
    {"dig=", RoostField::Float, &RoostBlock::dig},
    {"slip_threshold=", RoostField::Float, &RoostBlock::slip_threshold},
    {"slow_angle=", RoostField::Float, &RoostBlock::slow_angle},
    {"fast_angle=", RoostField::Float, &RoostBlock::fast_angle},
    {"slow_speed=", RoostField::Float, &RoostBlock::slow_speed},
    {"fast_speed=", RoostField::Float, &RoostBlock::fast_speed},
    {"size=", RoostField::Float, &RoostBlock::size},
    {"grow=", RoostField::Float, &RoostBlock::grow},
    {"drag=", RoostField::Float, &RoostBlock::drag},
    {"vscale=", RoostField::Float, &RoostBlock::vscale},
    {"randomize=", RoostField::Float, &RoostBlock::randomize},
    {"r=", RoostField::Colour, nullptr, &RoostBlock::r},
    {"g=", RoostField::Colour, nullptr, &RoostBlock::g},
    {"b=", RoostField::Colour, nullptr, &RoostBlock::b},
    {"a=", RoostField::Colour, nullptr, &RoostBlock::a},
    {"fade_r=", RoostField::Fade, nullptr, nullptr, &RoostBlock::fade_r},
    {"fade_g=", RoostField::Fade, nullptr, nullptr, &RoostBlock::fade_g},
    {"fade_b=", RoostField::Fade, nullptr, nullptr, &RoostBlock::fade_b},
    {"fade_a=", RoostField::Fade, nullptr, nullptr, &RoostBlock::fade_a},
};

// A number with at least one digit, else a warning naming the key and 0.
double roost_number(const RoostKey& k, const char* text) {
  char* end = nullptr;
  double v = std::strtod(text, &end);
  bool has_digit = false;
  for (const char* c = text; c < end; ++c) has_digit |= (*c >= '0' && *c <= '9');
  if (!has_digit || !std::isfinite(v)) {
    show_message("tileinfo warning: bad %.*s\n", static_cast<int>(std::strlen(k.key) - 1), k.key);
    return 0.0;
  }
  return v;
}

// The low byte of the value truncated to an integer (300 -> 44, -2 -> 254),
// without overflow for huge values.
uint8_t low_byte(double v) {
  return static_cast<uint8_t>(static_cast<long long>(std::fmod(std::trunc(v), 256.0)));
}

// Splits at blanks; a double-quoted stretch keeps its blanks, quotes go.
std::vector<std::string> roost_tokens(const char* value) {
  std::vector<std::string> tokens;
  std::string cur;
  bool quoted = false, any = false;
  for (const char* c = value; *c; ++c) {
    if (*c == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (*c == ' ' || *c == '\t')) {
      if (any) tokens.push_back(cur);
      cur.clear();
      any = false;
    } else {
      cur += *c;
      any = true;
    }
  }
  if (any) tokens.push_back(cur);
  return tokens;
}

void add_roost(PendingTile& p, const char* value) {
  if (p.roost_blocks == kRoostBlocks) {
    show_message("tileinfo warning: too many roost types\n");
    return;
  }
  RoostBlock& block = p.tile.roost[p.roost_blocks++];
  block = RoostBlock{};
  block.mode = 1;
  block.texture = asset_texture(block.texture_name.c_str());
  for (const std::string& token : roost_tokens(value)) {
    const RoostKey* key = nullptr;
    for (const RoostKey& k : kRoostKeys) {
      if (token.compare(0, std::strlen(k.key), k.key) == 0) {
        key = &k;
        break;
      }
    }
    if (!key) {
      show_message("tileinfo warning: unknown roost parameter '%.40s'\n", token.c_str());
      continue;
    }
    const char* text = token.c_str() + std::strlen(key->key);
    switch (key->kind) {
      case RoostField::Texture:
        block.texture_name = text;
        block.texture = asset_texture(text);
        break;
      case RoostField::Splash:
        block.mode = roost_number(*key, text) != 0 ? 2 : 1;
        break;
      case RoostField::Float:
        block.*(key->number) = static_cast<float>(roost_number(*key, text));
        break;
      case RoostField::Colour:
        block.*(key->colour) = low_byte(roost_number(*key, text));
        break;
      case RoostField::Fade:
        // Given per second, kept per simulation step.
        block.*(key->fade) = static_cast<int8_t>(low_byte(roost_number(*key, text) * (1.0 / 128)));
        break;
    }
  }
}

template <typename Point>
void sort_by_key(Point* points, int count) {
  std::stable_sort(points, points + count, [](const Point& a, const Point& b) { return a.key < b.key; });
}

void assign_tile_codes(Terrain& t) {
  std::vector<std::string> bases(t.tile_count);
  for (int k = 0; k < t.tile_count; ++k) bases[k] = tile_base_name(t.tile_types[k].texture_name);
  for (int k = 0; k < t.tile_count; ++k) {
    TileType& tile = t.tile_types[k];
    tile.tile_code = tile.texture_name.empty() ? k * 65536 + k * 256 : tile_code_of(bases[k], k, bases);
  }
}

void reset_tiles(Terrain& t) {
  t.tile_types.assign(kMaxTileTypes, TileType{});
  t.tile_count = 0;
}

}  // namespace

void tileinfo_read(Terrain& t, DataFile* f) {
  reset_tiles(t);
  PendingTile pending;
  char line[kLineSize];
  while (t.tile_count < kMaxTileTypes && read_line(f, line, sizeof line)) {
    char* p = line;
    while (is_blank(*p)) ++p;
    if (!*p) continue;
    char* key_end = p;
    while (*key_end && *key_end != ' ' && *key_end != '\t' && *key_end != '\r' && *key_end != '\n') ++key_end;
    char* value = key_end;
    while (*value == ' ' || *value == '\t') ++value;
    value[std::strcspn(value, "\r\n")] = '\0';
    *key_end = '\0';
    const std::string keyword = p;

    if (keyword == "addtile") {
      sort_by_key(pending.tile.friction, pending.friction_points);
      sort_by_key(pending.tile.roll_resist, pending.roll_resist_points);
      t.tile_types[t.tile_count++] = std::move(pending.tile);
      pending = PendingTile{};
    } else if (keyword == "texture") {
      load_tile_texture(t, pending.tile, value);
    } else if (keyword == "friction") {
      add_friction(pending, value);
    } else if (keyword == "roll_resist") {
      add_roll_resist(pending, value);
    } else if (keyword == "roost") {
      add_roost(pending, value);
    } else {
      const ErodeKey* erode = nullptr;
      for (const ErodeKey& k : kErodeKeys) {
        if (keyword == k.name) erode = &k;
      }
      if (!erode) {
        show_message("tileinfo warning: Unknown identifier '%.950s'\n", keyword.c_str());
        continue;
      }
      float v = 0;
      if (std::sscanf(value, "%f", &v) != 1) {
        show_message("tileinfo warning: bad %s\n", erode->name);
        continue;
      }
      pending.tile.erode.*(erode->field) = v;
    }
  }
  assign_tile_codes(t);
}

void texturelist_read(Terrain& t, DataFile* f) {
  reset_tiles(t);
  char line[kLineSize];
  while (t.tile_count < kMaxTileTypes && read_line(f, line, sizeof line)) {
    char* p = line;
    while (is_blank(*p)) ++p;
    if (!*p) continue;
    // Only the line end goes; a last line without one keeps its last letter.
    p[std::strcspn(p, "\r\n")] = '\0';
    float friction = 1.0f, a = 5.0f, b = 15.0f;
    int used = 0;
    const char* name = p;
    if (std::sscanf(p, "%f %f %f%n", &friction, &a, &b, &used) == 3) {
      name = p + used;
      while (*name == ' ' || *name == '\t') ++name;
    } else {
      friction = 1.0f, a = 5.0f, b = 15.0f;
    }
    TileType& tile = t.tile_types[t.tile_count++];
    tile = TileType{};
    for (int k = 0; k < kTablePoints; ++k) {
      tile.friction[k] = FrictionPoint{friction, k == 0 ? 1.0f : 0.0f};
      tile.roll_resist[k] = RollResistPoint{a, b, k == 0 ? 1.0f : 0.0f};
    }
    tile.roost[0].mode = 1;
    tile.roost[0].texture = asset_texture(tile.roost[0].texture_name.c_str());
    std::string full = name[0] == '@' ? name : std::string("@") + name;
    load_tile_texture(t, tile, full);
  }
  assign_tile_codes(t);
}

std::string tile_base_name(const std::string& texture_name) {
  size_t slash = texture_name.find_last_of('/');
  std::string base = slash == std::string::npos ? texture_name : texture_name.substr(slash + 1);
  if (!base.empty() && base[0] == '@') base.erase(0, 1);
  if (!base.empty() && base[0] == '!') base.erase(0, 1);
  return base;
}

namespace {

std::string stem(const std::string& base) { return base.substr(0, base.find('.')); }

int index_of_stem(const std::string& s, const std::vector<std::string>& bases) {
  for (size_t k = 0; k < bases.size(); ++k) {
    if (!bases[k].empty() && stem(bases[k]) == s) return static_cast<int>(k);
  }
  return -1;
}

}  // namespace

int32_t tile_code_of(const std::string& base, int index, const std::vector<std::string>& bases) {
  const int32_t own = index * 65536 + index * 256;
  size_t dash = base.find('-');
  if (dash == std::string::npos) return own;
  int i = index_of_stem(base.substr(0, dash), bases);
  if (i < 0) return own;
  std::string rest = base.substr(dash + 1);
  if (rest.size() >= 4 && rest.compare(0, 3, "alt") == 0 && rest[3] >= '0' && rest[3] <= '9') {
    return i * 65536 + i * 256;
  }
  // B runs to the next '-' (or to the extension when no corner mask follows).
  size_t b_end = rest.find_first_of("-.");
  int j = index_of_stem(rest.substr(0, b_end), bases);
  if (j < 0) return -256;
  int32_t code = i * 65536 + j * 256;
  if (b_end != std::string::npos && rest[b_end] == '-' && rest.size() >= b_end + 5) {
    int m = 0;
    for (size_t k = b_end + 1; k < b_end + 5; ++k) {
      if (rest[k] != '0' && rest[k] != '1') return code;
      m = m * 2 + (rest[k] - '0');
    }
    code += m;
  }
  return code;
}

long tilemap_read(Terrain& t, DataFile* f) {
  const long n = 1L << t.exponent;
  const long want = n * n;
  t.tilemap.assign(want, 0);
  long got = f ? static_cast<long>(read_block(f, t.tilemap.data(), want)) : 0;
  if (got < want) show_message("Short tile map (%ld of %ld bytes)\n", got, want);
  const int last = t.tile_count > 0 ? t.tile_count - 1 : 0;
  for (uint8_t& b : t.tilemap) {
    if (b > last) b = static_cast<uint8_t>(last);
  }
  return got;
}
