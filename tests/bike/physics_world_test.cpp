// The physics world: ODE's messages reach our log and are counted, never
// standard error; worlds come and go independently.
#include "bike/physics_world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/log.h"
#include "tests/support/test_env.h"

namespace {

TEST(PhysicsWorld, OdeMessagesGoToTheLogAndAreCounted) {
  unsetenv("TARN_LOGFILE");
  tarn_log_reset_for_tests();
  TempDir dir;
  const std::string path = dir.file("lastlog.txt");
  tarn_log("TARN_LOGFILE=%s", path.c_str());
  PhysicsWorld w;
  ASSERT_TRUE(physics_world_create(w));
  const long before = physics_message_count();
  testing::internal::CaptureStderr();
  dMessage(7, "note number %d", 42);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "");
  EXPECT_EQ(physics_message_count(), before + 1);
  EXPECT_NE(slurp(path).find("ODE message 7: note number 42\n"), std::string::npos);
  physics_world_destroy(w);
  tarn_log(nullptr);
  tarn_log_reset_for_tests();
}

TEST(PhysicsWorld, WorldsComeAndGoIndependently) {
  PhysicsWorld a, b;
  ASSERT_TRUE(physics_world_create(a));
  ASSERT_TRUE(physics_world_create(b));
  dBodyID body = dBodyCreate(b.world);
  physics_world_destroy(a);
  physics_world_step(b);
  // One step of free fall from rest.
  EXPECT_NEAR(dBodyGetLinearVel(body)[1], -32.0 / 128, 1e-12);
  physics_world_destroy(b);
  EXPECT_EQ(b.world, nullptr);
  physics_world_destroy(b);  // twice is harmless
}

TEST(PhysicsWorld, SpringsWithoutStiffnessOrDampingStayFinite) {
  dSurfaceParameters s{};
  contact_spring(s, 0, 0);
  EXPECT_TRUE(std::isfinite(s.soft_cfm) && std::isfinite(s.soft_erp));
  contact_spring(s, 2500, 250);
  EXPECT_NEAR(s.soft_cfm, 1 / (250 + 2500.0 / 128), 1e-15);
  EXPECT_NEAR(s.soft_erp, (2500.0 / 128) / (250 + 2500.0 / 128), 1e-15);
}

}  // namespace
