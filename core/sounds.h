#pragma once
// Playing the game's sounds as the sound setting says.
#include "core/Module1.h"
#include "core/assets.h"
#include "framework/Media.h"

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

// Loads, when the game window opens, every sound that the game may play from
// then on, so that no file is read during play. With sound off only those
// that are asked for all the same.
inline void loadsounds() {
  _x_boing();
  _x_push();
  _x_endoflevel();
  if (!Module1::splay) return;
  _x_squash();
  _x_catch1();
  _x_newman();
  _x_scb();
}
