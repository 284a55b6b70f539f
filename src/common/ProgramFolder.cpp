#include "common/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

}  // namespace ProgramFolder
