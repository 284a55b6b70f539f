#include "TestFolders.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace qmtest {

QString sourceDir()
{
    return QStringLiteral(QM_TEST_SOURCE_DIR);
}

QString programDir()
{
    return QStringLiteral(QM_TEST_PROGRAM_DIR);
}

QString sakilaDir()
{
    const QString dir = QDir::cleanPath(sourceDir() + QStringLiteral("/../shared/data/sakila"));
    return QFileInfo::exists(dir + QStringLiteral("/sakila-schema.sql")) ? dir : QString();
}

TempProgramFolder::TempProgramFolder()
{
    const QDir from(programDir());
    QDirIterator it(from.path(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.isExecutable() && info.suffix().isEmpty())
            continue;
        if (info.fileName() == QStringLiteral("sql.ini"))
            continue;
        const QString relative = from.relativeFilePath(info.filePath());
        QDir(m_dir.path()).mkpath(QFileInfo(relative).path());
        QFile::copy(info.filePath(), m_dir.filePath(relative));
    }
}

}  // namespace qmtest
