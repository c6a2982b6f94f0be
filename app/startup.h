#pragma once
#include "core/Tarrow.h"

// The application as start-up makes it: globals, key state, application
// object with its version and menu, then the application's Open event. The
// tests and benchmarks start from here too. Returns the application.
Tarrow* prepareApplication();

// Start-up as the program runs it: prepareApplication(), then the start
// window. Returns the application.
Tarrow* startup();
