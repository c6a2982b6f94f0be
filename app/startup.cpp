#include "app/startup.h"

#include "core/Module1.h"
#include "core/Tarrow.h"
#include "framework/Keyboard.h"
#include "windows/startwindow.h"

Tarrow* prepareApplication() {
  Module1::initialise();
  fw::Keyboard::instance().install();
  auto* app = fw::Application::current() ? &App() : new Tarrow();
  // The version is the project's, from CMakeLists.txt; 2 marks it beta.
  app->SetVersionData(TM_VERSION_MAJOR, TM_VERSION_MINOR, TM_VERSION_PATCH, 0, 2);
  app->MenuBar = MainMenuBar();
  // The application's Open event comes before the start window can start a
  // game, so the generator exists whenever a board is built.
  app->Event_Open();
  return app;
}

Tarrow* startup() {
  Tarrow* app = prepareApplication();
  win::startwindow();
  return app;
}
