#include "app/shutdown.h"

#include "app/configured_settings.h"
#include "bike/physics_world.h"
#include "core/session.h"
#include "core/session_setup.h"
#include "core/session_sound.h"
#include "net/client.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/window.h"

int shutdown_sequence(App&, FILE* audio_recording) {
  if (server_connected()) send_disconnect();
  save_race_records();
  free_session();
  physics_world_destroy(physics_world());
  input_driver().close_axes();
  release_slot_sounds();
  if (tarn_audio_open()) tarn_stop_audio();
  if (audio_recording) std::fclose(audio_recording);
  window_driver().destroy();
  if (!save_configuration()) tarn_log("Can't write the configuration\n");
  tarn_log(nullptr);
  close_socket_library();
  tarn_sleep(1);
  return 0;
}
