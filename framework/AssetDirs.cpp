#include "framework/AssetDirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <cstdio>

#include "framework/Application.h"
#include "framework/testseams.h"

namespace fw {

namespace {
QStringList g_folders;
bool g_foldersSet = false;
quint64 g_changes = 0;
QSet<QString> g_reported;
}  // namespace

QStringList assetFolders() {
  if (g_foldersSet) return g_folders;
  QStringList folders;
  if (QCoreApplication::instance()) {
    const QString exeDir = QCoreApplication::applicationDirPath();
    folders << exeDir << QDir(exeDir).filePath(QStringLiteral("../share/") + programName());
  }
  folders << QStringLiteral(TM_INSTALL_ASSET_DIR);
  return folders;
}

quint64 assetFoldersChanges() { return g_changes; }

void testing::setAssetFolders(const QStringList& folders) {
  if (folders == g_folders) return;
  g_folders = folders;
  g_foldersSet = !folders.isEmpty();
  ++g_changes;
}

QString findAsset(const QString& name) {
  const QStringList folders = assetFolders();
  for (const QString& folder : folders) {
    const QString path = QDir(folder).filePath(name);
    if (QFileInfo(path).isFile()) return QFileInfo(path).absoluteFilePath();
  }
  if (!g_reported.contains(name)) {
    g_reported.insert(name);
    std::fprintf(stderr, "%s: asset \"%s\" not found in: %s\n", qPrintable(programName()),
                 qPrintable(name), qPrintable(folders.join(QStringLiteral(", "))));
  }
  return QString();
}

}  // namespace fw
