#pragma once
// The application object: owns the game's one random generator.
#include <QMenu>
#include <memory>

#include "framework/Application.h"
#include "framework/Random.h"

class Tarrow : public fw::Application {
 public:
  Tarrow();
  ~Tarrow() override;
  // Creates Randomizer.
  void Event_Open() override;

  std::unique_ptr<Random> Randomizer;
};

// The registered application object.
Tarrow& App();

// The shared File menu holding "E&xit".
QMenu* MainMenuBar();
