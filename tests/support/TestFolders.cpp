#include "TestFolders.h"

#include <QCryptographicHash>
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

QMap<QString, QByteArray> checksums(const QString& folder)
{
    QMap<QString, QByteArray> sums;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        // A file that cannot be read gets a digest no bytes have, so that it never compares equal.
        sums.insert(QDir(folder).relativeFilePath(file.fileName()),
                    file.open(QIODevice::ReadOnly)
                        ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()
                        : QByteArray("unreadable"));
    }
    return sums;
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
