#pragma once
// The application object: version data, menu bar, quitting.
#include <QString>

class QMenu;

namespace fw {

// The program's name as its folders and messages spell it: the application's
// name (QCoreApplication::applicationName, set by the program at start-up)
// lower-cased.
QString programName();

struct VersionData {
  int major = 0, minor = 0, bug = 0, nonRelease = 0;
  int stage = 0;  // 0 development, 1 alpha, 2 beta, 3 final
  QString text() const;  // "1.1.0"
  QString stageName() const;
};

class Application {
 public:
  Application();
  virtual ~Application();
  static Application* current();

  void SetVersionData(int major, int minor, int bug, int nonRelease, int stage);
  const VersionData& version() const { return version_; }

  // The File menu that every window with a menu bar shows.
  QMenu* MenuBar = nullptr;

  // Closes every open window (their Close events run) and ends the event loop.
  void Quit();

  virtual void Event_Open() {}

 private:
  VersionData version_;
};

}  // namespace fw
