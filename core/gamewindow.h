#pragma once
// The game window as the windows below it reach it: they open it, read its
// score and start the next game through these calls, which the game window
// defines (game/Window1.cpp), so that no include runs up to it.
#include <QtGlobal>

namespace gamewindow {
// Shows the open game window, or builds one, which sets up its game itself.
void show();
// Whether a game window is open.
bool isopen();
// The score the open game window shows; 0 without one.
qint64 shownscore();
// The next game in the open game window; a game window built anew sets up
// its game itself, once.
void anothergame();
// Hands the activation to the open game window, when there is one.
void activate();
}  // namespace gamewindow
