#include "core/shutdown.h"

#include "core/configured_settings.h"
#include "core/pending_parts.h"
#include "platform/clock.h"
#include "platform/log.h"

int shutdown_sequence(App&, FILE* audio_recording) {
  if (server_connected()) send_disconnect();
  save_race_records();
  tarn_log("Deallocating bikes\n");
  free_session();
  tarn_log("Finished deallocating bikes\n");
  destroy_physics_world();
  close_axes();
  stop_audio();
  if (audio_recording) std::fclose(audio_recording);
  destroy_window();
  if (!save_configuration()) tarn_log("Can't write the configuration\n");
  tarn_log(nullptr);
  close_socket_library();
  tarn_sleep(1);
  return 0;
}
