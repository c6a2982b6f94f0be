#pragma once
// Playing the game's sounds as the sound setting says.
#include "framework/Media.h"
#include "game/Module1.h"

// Plays one of the game's sounds (an accessor of core/assets.h) when sound is
// on and the sound loaded. With sound off the sound is not even loaded.
inline void playsound(Sound* (*sound)()) {
  if (!Module1::splay) return;
  if (Sound* s = sound()) s->Play();
}

// Plays the sound whatever the sound setting, when it loaded.
inline void playsoundalways(Sound* (*sound)()) {
  if (Sound* s = sound()) s->Play();
}
