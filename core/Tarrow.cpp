#include "core/Tarrow.h"

#include <QAction>
#include <QApplication>


namespace {
Tarrow* g_tarrow = nullptr;
}

Tarrow::Tarrow() { g_tarrow = this; }

Tarrow::~Tarrow() {
  if (g_tarrow == this) g_tarrow = nullptr;
}

void Tarrow::Event_Open() { Randomizer = std::make_unique<Random>(); }

Tarrow& App() { return *g_tarrow; }

QMenu* MainMenuBar() {
  // One File menu for the whole run; every window's menu bar shows it.
  static QMenu* fileMenu = [] {
    auto* menu = new QMenu(QStringLiteral("&File"));
    menu->setObjectName(QStringLiteral("FileMenu"));
    QAction* quit = menu->addAction(QStringLiteral("E&xit"));
    quit->setObjectName(QStringLiteral("FileQuit"));
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, [] {
      if (g_tarrow) g_tarrow->Quit();
    });
    return menu;
  }();
  return fileMenu;
}
