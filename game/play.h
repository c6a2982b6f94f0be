#pragma once
// Small helpers shared by the game window's play files.
#include "framework/Media.h"

// Plays the sound when it loaded.
inline void playsound(Sound* s) {
  if (s) s->Play();
}
