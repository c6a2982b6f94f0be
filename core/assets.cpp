#include "core/assets.h"

#include <array>
#include <iterator>
#include <memory>

#include "assets/names.h"
#include "framework/Media.h"

using assetnames::indexIn;
using assetnames::kPictures;
using assetnames::kSounds;

namespace {

struct Loaded {
  // Filled on the first successful load, tried again while empty.
  std::array<std::unique_ptr<Picture>, std::size(kPictures)> pictures;
  // One load attempt for the whole run.
  std::array<std::unique_ptr<Sound>, std::size(kSounds)> sounds;
  std::array<bool, std::size(kSounds)> soundTried{};
  // The asset folders these came from.
  quint64 changes = 0;
  QStringList folders = fw::assetFolders();
};

// Never destroyed: the game's objects may hold these to the very end. Only
// other asset folders (a test's) make them load again.
Loaded& loaded() {
  static Loaded* all = new Loaded;
  if (all->changes != fw::assetFoldersChanges()) {
    all->changes = fw::assetFoldersChanges();
    const QStringList folders = fw::assetFolders();
    if (folders != all->folders) {
      *all = Loaded{};
      all->changes = fw::assetFoldersChanges();
    }
  }
  return *all;
}

QString fileName(std::string_view name, const char* extension) {
  return QString::fromLatin1(name.data(), qsizetype(name.size())) + QLatin1String(extension);
}

Picture* picture(size_t i) {
  std::unique_ptr<Picture>& p = loaded().pictures[i];
  if (!p) p = Picture::OpenFilesFromApp({fileName(kPictures[i], ".png")});
  return p.get();
}

Sound* sound(size_t i) {
  Loaded& all = loaded();
  if (!all.soundTried[i]) {
    all.soundTried[i] = true;
    all.sounds[i] = Sound::GetSoundFromResourceManager(fileName(kSounds[i], ".wav"));
  }
  return all.sounds[i].get();
}

}  // namespace

#define TM_PICTURE(name) \
  Picture* _x_##name() { return picture(indexIn(kPictures, #name)); }
#define TM_SOUND(name) \
  Sound* _x_##name() { return sound(indexIn(kSounds, #name)); }

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
