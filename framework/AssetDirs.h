#pragma once
// The folders that hold the game's asset files, and finding a file in them.
#include <QString>
#include <QStringList>

namespace fw {
// The folders searched for assets, in order: beside the program (the build
// tree), ../share/<programName()> from it (an install anywhere), the configured
// install folder.
QStringList assetFolders();
// Counts the changes of the folders searched; the asset accessors load what
// they hold again after one.
quint64 assetFoldersChanges();
// Path of an asset file, or empty when it is in no folder. The first miss
// of each name writes one line to stderr.
QString findAsset(const QString& name);
}  // namespace fw
