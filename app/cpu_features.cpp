#include "app/cpu_features.h"

bool cpu_has_mmx() {
#if defined(__i386__) || defined(__x86_64__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("mmx");
#else
  return false;
#endif
}
