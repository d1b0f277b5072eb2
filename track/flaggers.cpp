#include "track/flaggers.h"

#include <algorithm>
#include <cmath>

#include "track/object_text.h"
#include "track/track.h"

namespace {
// Creates the flagger's billboard; flagger billboards are the program's,
// never written back with the placed ones.
int flagger_billboard(Track& track, const float p[3], float height, float aspect, const char* name) {
  int b = billboard_add(track, p[0], p[1], p[2], height, aspect, name);
  track.billboards[b].internal = true;
  return b;
}

bool read_name(ObjectText& in, char name[1024]) { return in.scan(" %1023s ", name) == 1; }

bool finite3(const float v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

void set_texture(Track& track, int billboard, TextureId texture, double now) {
  if (billboard < 0 || billboard >= static_cast<int>(track.billboards.size())) return;
  Billboard& b = track.billboards[billboard];
  if (b.texture == texture) return;
  asset_ops().texture_anim_stop(b.texture);
  b.texture = texture;
  asset_ops().texture_anim_start(texture, now);
}
}  // namespace

void flaggers_read(Track& track, const char* path) {
  Flaggers& fl = track.flaggers;
  ObjectText in;
  if (!in.open(path)) return;

  StartFlagger st;
  int got = in.scan(" [ %f %f %f ] [ %f %f %f ] %f %f %f ", &st.p0[0], &st.p0[1], &st.p0[2], &st.p1[0], &st.p1[1],
                    &st.p1[2], &st.height, &st.aspect, &st.duration);
  if (got < 8) {
    // Without the duration the pattern stops after the aspect.
    st = StartFlagger();
    got = in.scan(" [ %f %f %f ] [ %f %f %f ] %f %f ", &st.p0[0], &st.p0[1], &st.p0[2], &st.p1[0], &st.p1[1],
                  &st.p1[2], &st.height, &st.aspect);
    if (got != 8) return;
  }
  if (!finite3(st.p0) || !finite3(st.p1) || !std::isfinite(st.height) || !std::isfinite(st.aspect)) return;
  // A walk of no time (or a broken one) would divide by zero; make it
  // instant instead.
  if (!(st.duration > 0) || !std::isfinite(st.duration)) st.duration = 1e-6f;
  char name[1024];
  for (int i = 0; i < 5; ++i) {
    if (!read_name(in, name)) return;
    if (i == 0) st.billboard = flagger_billboard(track, st.p0, st.height, st.aspect, name);
    st.textures[i] = asset_texture(name);
  }
  fl.start = st;

  FinishFlagger fin;
  float p[3];
  if (in.scan(" [ %f %f %f ] %f %f ", &p[0], &p[1], &p[2], &fin.height, &fin.aspect) != 5 || !finite3(p) ||
      !std::isfinite(fin.height) || !std::isfinite(fin.aspect))
    return;
  for (int i = 0; i < 4; ++i) {
    if (!read_name(in, name)) return;
    if (i == 0) fin.billboard = flagger_billboard(track, p, fin.height, fin.aspect, name);
    fin.textures[i] = asset_texture(name);
  }
  fl.finish = fin;

  const int last = static_cast<int>(track.gates.checkpoints.size()) - 1;
  for (;;) {
    CourseFlagger c;
    float height, aspect;
    if (in.scan(" [ %f %f %f ] %f %f %d %d %d %d", &p[0], &p[1], &p[2], &height, &aspect, &c.checkpoints[0],
                &c.checkpoints[1], &c.checkpoints[2], &c.checkpoints[3]) != 9 ||
        !finite3(p) || !std::isfinite(height) || !std::isfinite(aspect))
      break;
    for (int& k : c.checkpoints) k = std::clamp(k, -1, last);
    char name_b[1024];
    if (!read_name(in, name) || !read_name(in, name_b)) break;
    c.billboard = flagger_billboard(track, p, height, aspect, name);
    c.texture_a = asset_texture(name);
    c.texture_b = asset_texture(name_b);
    if (fl.course.capacity() == 0) fl.course.reserve(16);
    fl.course.push_back(c);
  }
}

void flaggers_update(Track& track, const FlaggerRace& race) {
  Flaggers& fl = track.flaggers;
  const double t = race.now;
  const double s = std::floor(race.start_time);

  if (fl.start.billboard >= 0) {
    StartFlagger& st = fl.start;
    const double d = st.duration;
    int k = 0;
    if (t >= s + 1.0 + d) k = 4;
    else if (t >= s + 1.0) k = 3;
    else if (t >= s + 0.4) k = 2;
    else if (t >= s + 0.1) k = 1;
    set_texture(track, st.billboard, st.textures[k], t);
    const float f = static_cast<float>(std::clamp((t - (s + 1)) / d, 0.0, 1.0));
    Billboard& b = track.billboards[st.billboard];
    b.x = st.p0[0] + (st.p1[0] - st.p0[0]) * f;
    b.z = st.p0[2] + (st.p1[2] - st.p0[2]) * f;
    b.y_offset = st.p0[1] + (st.p1[1] - st.p0[1]) * f;
    b.y = track_ground_height(track, b.x, b.z) + b.y_offset;
  }

  if (fl.finish.billboard >= 0) {
    // The lap being ridden is one more than the laps completed.
    const int L = race.leader_laps;
    int k = 0;
    if (L >= race.total_laps) k = 3;
    else if (L + 1 == race.total_laps) k = 2;
    else if (L + 1 == race.halfway_lap) k = 1;
    set_texture(track, fl.finish.billboard, fl.finish.textures[k], t);
  }

  // A course flagger warns when a fallen rider is heading for one of the
  // gates he watches.
  for (const CourseFlagger& c : fl.course) {
    bool down = false;
    for (int k : c.checkpoints)
      for (int g : race.down_rider_gates) down = down || (k >= 0 && k == g);
    set_texture(track, c.billboard, down ? c.texture_b : c.texture_a, t);
  }
}
