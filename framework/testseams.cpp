#include "framework/testseams.h"

#include <algorithm>

#include "framework/AudioOutput.h"
#include "framework/Clock.h"
#include "framework/Keyboard.h"
#include "framework/Sound.h"

namespace fw::testing {

// The seams that reach into a class's own state.
struct Seams {
  static void setVirtual(bool on) { Clock::instance().setVirtual(on); }
  static void setVirtualNow(qint64 ms) { Clock::instance().setVirtualNow(ms); }
  static void advance(qint64 ms) { Clock::instance().advance(ms); }
  static void setKey(int code, bool down) { Keyboard::instance().setKey(code, down); }
  static void releaseAll() { Keyboard::instance().releaseAll(); }
  static void setDetectableRepeat(bool on) { Keyboard::instance().setDetectableRepeat(on); }
  static void setPlaying(Sound& sound, bool playing) {
    sound.forcedPlaying_ = playing;
    auto it = std::find(forced().begin(), forced().end(), &sound);
    if (playing && it == forced().end()) forced().push_back(&sound);
    if (!playing && it != forced().end()) forced().erase(it);
  }
  static void releasePlaying() {
    for (Sound* s : forced()) s->forcedPlaying_ = false;
    forced().clear();
  }
  // The sounds made to play, to be let go at the next reset.
  static std::vector<Sound*>& forced() {
    static std::vector<Sound*> sounds;
    return sounds;
  }
};

void setVirtualTime(bool on) { Seams::setVirtual(on); }
void setVirtualNow(qint64 ms) { Seams::setVirtualNow(ms); }
void advance(qint64 ms) { Seams::advance(ms); }

void setKey(int code, bool down) { Seams::setKey(code, down); }
void releaseAllKeys() { Seams::releaseAll(); }
void setDetectableRepeat(bool on) { Seams::setDetectableRepeat(on); }

void setPlaying(Sound& sound, bool playing) { Seams::setPlaying(sound, playing); }

void resetAll() {
  setVirtualTime(false);
  releaseAllKeys();
  setMsgBoxHook({});
  setModalHook({});
  setDefaultSeed(0);
  setShortDate(QString());
  setAssetFolders({});
  setDataFolder(QString());
  Seams::releasePlaying();
  setMixerStandIn(false);
  setAudioOutput(nullptr);
  setSilentSounds(false);
}

}  // namespace fw::testing
