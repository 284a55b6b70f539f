#include "common/SafeFile.h"

#include <QSaveFile>

QString writeWholeFile(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (permissions && !file.setPermissions(permissions)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    const bool complete = file.write(bytes) == bytes.size() && file.flush()
                          && file.error() == QFileDevice::NoError;
    if (!complete) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
