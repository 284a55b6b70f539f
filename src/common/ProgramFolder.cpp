#include "common/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kSharedFolder = QStringLiteral("/../share/quillmere");

bool hasTemplates(const QString& folder)
{
    return QFileInfo(folder + QStringLiteral("/templates")).isDir();
}

}  // namespace

namespace ProgramFolder {

QString dataFolderFor(const QString& executableFolder)
{
    if (hasTemplates(executableFolder))
        return executableFolder;
    const QString shared = QDir::cleanPath(executableFolder + kSharedFolder);
    return hasTemplates(shared) ? shared : executableFolder;
}

QString dataFolder()
{
    return dataFolderFor(QCoreApplication::applicationDirPath());
}

bool isInstalledDataFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    return clean.endsWith(QStringLiteral("/share/quillmere"))
           && QFileInfo(clean + QStringLiteral("/../../bin/quillmere")).isExecutable();
}

bool keepsWrittenFiles(const QString& folder)
{
    const QFileInfo info(folder);
    const auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.isDir() && info.isWritable() && (info.permissions() & anyWrite) && !isInstalledDataFolder(folder);
}

QString userFilesFolder(const QString& programFolder)
{
    if (keepsWrittenFiles(programFolder))
        return programFolder;
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (own.isEmpty() || !QDir().mkpath(own))
        return programFolder;
    return own;
}

}  // namespace ProgramFolder
