#include "settingslocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

const QString kFileName = QStringLiteral("Nodeweave.ini");

// Tried, not derived from permission bits: root passes every permission check, yet
// cannot make files on a read-only or virtual file system.
bool folderTakesFiles(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".nodeweave-XXXXXX")));
    return probe.open();
}

} // namespace

namespace SettingsLocation {

QString choose(const QString &explicitFile)
{
    if (!explicitFile.isEmpty())
        return QFileInfo(explicitFile).absoluteFilePath();
    const QString portable = QDir::current().absoluteFilePath(kFileName);
    if (QFileInfo::exists(portable))
        return portable;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .absoluteFilePath(kFileName);
}

bool writable(const QString &file)
{
    const QFileInfo info(file);
    if (!folderTakesFiles(info.absolutePath()))
        return false;
    return !info.exists() || (info.isFile() && info.isWritable());
}

} // namespace SettingsLocation
