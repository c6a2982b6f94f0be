// Tarrowmead: push rows of wall blocks and squash the alien robots.
#include <QApplication>
#include <QIcon>

#include "app/Tarrow.h"

int main(int argc, char* argv[]) {
  QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarrowmead"));
  QApplication::setOrganizationName(QStringLiteral("Tarrowmead"));
  QApplication::setDesktopFileName(QStringLiteral("tarrowmead"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tarrowmead")));
  std::unique_ptr<Tarrow> app(startup());
  return qapp.exec();
}
