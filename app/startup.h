#pragma once
#include "core/Tarrow.h"

// Start-up as the program runs it: globals, application object, menu, the
// start window, then the application's Open event. Returns the application.
Tarrow* startup();
