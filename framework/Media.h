#pragma once
// The game's pictures and sounds and the folders they are found in.
#include "framework/AssetDirs.h"
#include "framework/Pictures.h"
#include "framework/Sound.h"
