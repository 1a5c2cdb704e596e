#include "trust/SodiumInit.h"

#include <sodium.h>

bool EnsureSodium() {
  // sodium_init is safe to call again; it returns 1 when already done.
  static const int state = sodium_init();
  return state >= 0;
}
