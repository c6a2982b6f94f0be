#pragma once
// The narrow ways tests and benchmarks reach into the framework layer, all in
// one place: virtual time, the key state, message boxes and modal windows
// without their event loops, fixed seeds and dates, the folders of assets and
// data files, and sounds without a device. The game itself never calls these.
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <vector>

class Sound;

namespace fw {

class AudioOutput;
class Window;

namespace testing {

// Every seam back to the program's own behaviour: real time, no key held or
// tapped and repeats as release/press pairs, real message boxes and modal
// loops, system-seeded generators, the real date, the normal asset and data
// folders, no sound forced to play, sounds to the system's device (no stand-in,
// no output of a test's). The loaded pictures and sounds are loaded again when
// this changes the asset folders.
void resetAll();

// Time: switch to virtual time (starting at the current time, or set), and
// move it forward by ms, firing every due timer in time order (ties in the
// order they were armed), each at its own due time. setVirtualNow sets the
// time without firing anything.
void setVirtualTime(bool on);
void setVirtualNow(qint64 ms);
void advance(qint64 ms);

// Keys: press or release a key of its own for a code, as a key event without
// a scan code or time would; release everything and forget every tap, every
// key's press record and the repeat mode; choose how repeats come.
void setKey(int code, bool down);
void releaseAllKeys();
void setDetectableRepeat(bool on);

// Message boxes go to `hook` instead of being shown (null: shown).
void setMsgBoxHook(std::function<void(const QString&)> hook);
// Called instead of running ShowModal's nested event loop (null: the loop).
// The hook should close the window; a window still open afterwards is closed.
void setModalHook(std::function<void(Window*)> hook);

// Every generator made afterwards with Random's default constructor uses
// this seed (0: the system's entropy).
void setDefaultSeed(quint64 seed);
// Today's date text (empty: the real date).
void setShortDate(const QString& text);

// Assets are searched in these folders alone (empty: the normal folders).
void setAssetFolders(const QStringList& folders);
// The data files live in this folder (empty: the platform's own).
void setDataFolder(const QString& folder);

// Sounds: no output at all, plays are only counted; the mixer stands in for a
// live output and only the test reads it; the game's output is this one,
// stepped by the test alone (null: none); IsPlaying answers true, as while
// the sound is heard, until the next resetAll (the sound must live until then).
void setSilentSounds(bool silent);
void setMixerStandIn(bool on);
void setAudioOutput(std::unique_ptr<AudioOutput> output);
void setPlaying(Sound& sound, bool playing);

}  // namespace testing
}  // namespace fw
