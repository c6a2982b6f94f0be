#include "app/startup.h"

#include "core/Tarrow.h"
#include "framework/Keyboard.h"
#include "game/Module1.h"
#include "windows/startwindow.h"

Tarrow* startup() {
  Module1::initialise();
  fw::Keyboard::instance().install();
  auto* app = fw::Application::current() ? &App() : new Tarrow();
  app->SetVersionData(1, 1, 0, 0, 2);
  app->MenuBar = MainMenuBar();
  // The application's Open event comes before the start window can start a
  // game, so the generator exists whenever a board is built.
  app->Event_Open();
  win::startwindow();
  return app;
}
