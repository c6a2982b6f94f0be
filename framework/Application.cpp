#include "framework/Application.h"

#include <QCoreApplication>

#include "framework/AudioOutput.h"
#include "framework/Window.h"

namespace fw {

namespace {
Application* g_app = nullptr;
}

QString programName() { return QCoreApplication::applicationName().toLower(); }

QString VersionData::text() const {
  return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(bug);
}

QString VersionData::stageName() const {
  switch (stage) {
    case 0: return QStringLiteral("development");
    case 1: return QStringLiteral("alpha");
    case 2: return QStringLiteral("beta");
    default: return QStringLiteral("final");
  }
}

Application::Application() {
  g_app = this;
  // A new audio stream starts playing up to a second after it opens; opened
  // with the application, it runs by the time the game plays its first sound.
  if (!silentSounds()) startAudioOutput();
}

Application::~Application() {
  if (g_app == this) g_app = nullptr;
}

Application* Application::current() { return g_app; }

void Application::SetVersionData(int major, int minor, int bug, int nonRelease, int stage) {
  version_ = VersionData{major, minor, bug, nonRelease, stage};
  QCoreApplication::setApplicationVersion(version_.text());
}

void Application::Quit() {
  // Every open window closes first, so their Close events (which may write
  // files) run before the program ends.
  for (Window* w : WindowRegistry::all()) w->Close();
  QCoreApplication::exit(0);
}

}  // namespace fw
