// Tarrowmead: push rows of wall blocks and squash the alien robots.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <csignal>

#include "assets/names.h"
#include "framework/Media.h"

#include "app/startup.h"

namespace {
// The installed theme icon, or the sizes that lie beside the program.
QIcon appIcon() {
  QIcon icon = QIcon::fromTheme(QStringLiteral("tarrowmead"));
  if (!icon.isNull()) return icon;
  for (const QString& folder : fw::assetFolders())
    for (int size : assetnames::kIconSizes) {
      const QString path = QDir(folder).filePath(QStringLiteral("tarrowmead-%1.png").arg(size));
      if (QFileInfo::exists(path)) icon.addFile(path, QSize(size, size));
    }
  return icon;
}
}  // namespace

int main(int argc, char* argv[]) {
  // A write past a file-size limit must fail with EFBIG, which every writer
  // reports as it reports a full disk, not end the game: the data files, and
  // the sound system's shared memory at start-up.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarrowmead"));
  QApplication::setOrganizationName(QStringLiteral("Tarrowmead"));
  QApplication::setDesktopFileName(QStringLiteral("tarrowmead"));
  QApplication::setWindowIcon(appIcon());
  std::unique_ptr<Tarrow> app(startup());
  return qapp.exec();
}
