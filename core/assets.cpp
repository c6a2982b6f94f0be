#include "core/assets.h"

#include <memory>
#include <vector>

#include "framework/Media.h"

namespace {

// A picture's slot: filled on the first successful load, tried again while empty.
struct PictureSlot {
  const char* file;
  std::unique_ptr<Picture> picture;
  Picture* get() {
    if (!picture) picture = Picture::OpenFilesFromApp({QString::fromLatin1(file)});
    return picture.get();
  }
};

// A sound's slot: one load attempt for the whole run.
struct SoundSlot {
  const char* file;
  std::unique_ptr<Sound> sound;
  bool tried = false;
  Sound* get() {
    if (!tried) {
      tried = true;
      sound = Sound::GetSoundFromResourceManager(QString::fromLatin1(file));
    }
    return sound.get();
  }
};

std::vector<PictureSlot*>& pictureSlots() {
  static std::vector<PictureSlot*> all;
  return all;
}
std::vector<SoundSlot*>& soundSlots() {
  static std::vector<SoundSlot*> all;
  return all;
}

PictureSlot* registerSlot(PictureSlot* s) {
  pictureSlots().push_back(s);
  return s;
}
SoundSlot* registerSlot(SoundSlot* s) {
  soundSlots().push_back(s);
  return s;
}

}  // namespace

#define TM_PICTURE(name)                                                        \
  Picture* _x_##name() {                                                        \
    static PictureSlot* slot = registerSlot(new PictureSlot{#name ".png", {}}); \
    return slot->get();                                                         \
  }
#define TM_SOUND(name)                                                             \
  Sound* _x_##name() {                                                             \
    static SoundSlot* slot = registerSlot(new SoundSlot{#name ".wav", {}, false}); \
    return slot->get();                                                            \
  }

TM_PICTURE(manf)
TM_PICTURE(manfr)
TM_PICTURE(manl)
TM_PICTURE(manr)
TM_PICTURE(smallman)
TM_PICTURE(smallmons)
TM_PICTURE(mons)
TM_PICTURE(mons1)
TM_PICTURE(mons2)
TM_PICTURE(mons3)
TM_PICTURE(monsel)
TM_PICTURE(monsel1)
TM_PICTURE(monsel2)
TM_PICTURE(monsel3)
TM_PICTURE(monsers)
TM_PICTURE(monsers1)
TM_PICTURE(monsers2)
TM_PICTURE(monsers3)
TM_PICTURE(wall45)
TM_PICTURE(tarrowmead)

TM_SOUND(boing)
TM_SOUND(catch1)
TM_SOUND(endoflevel)
TM_SOUND(newman)
TM_SOUND(push)
TM_SOUND(scb)
TM_SOUND(squash)

Picture* monsleftpic(qint64 k) {
  if (k == 3) return _x_monsel3();
  if (k == 2) return _x_monsel2();
  if (k == 1) return _x_monsel1();
  return _x_monsel();
}

Picture* monsrightpic(qint64 k) {
  if (k == 3) return _x_monsers3();
  if (k == 2) return _x_monsers2();
  if (k == 1) return _x_monsers1();
  return _x_monsers();
}

Picture* monshaltpic(qint64 k) {
  if (k == 3) return _x_mons3();
  if (k == 2) return _x_mons2();
  if (k == 1) return _x_mons1();
  return _x_mons();
}

namespace assets {
void resetForTests() {
  for (PictureSlot* s : pictureSlots()) s->picture.reset();
  for (SoundSlot* s : soundSlots()) {
    s->sound.reset();
    s->tried = false;
  }
}
}  // namespace assets
