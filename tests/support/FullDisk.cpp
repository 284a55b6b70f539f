#include "FullDisk.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <unistd.h>

namespace qmtest {

FullDisk::FullDisk(qint64 size)
{
    if (::geteuid() != 0)
        return;
    const int rc = QProcess::execute(QStringLiteral("mount"),
                                     {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                      QStringLiteral("size=%1").arg(size), QStringLiteral("tmpfs"), path()});
    m_mounted = rc == 0;
}

FullDisk::~FullDisk()
{
    release();
    if (m_mounted)
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), path()});
}

void FullDisk::fill()
{
    if (m_mounted) {
        QFile filler(file(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) > 0) {
        }
        // Whatever room is left is smaller than a block: take it byte by byte.
        while (filler.write("x", 1) > 0) {
        }
        return;
    }
    // Writing past the limit raises SIGXFSZ, which would end the test: ignore it so the write
    // fails with EFBIG instead.
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_savedLimit);
    rlimit limited = m_savedLimit;
    limited.rlim_cur = 16;
    m_limited = setrlimit(RLIMIT_FSIZE, &limited) == 0;
}

void FullDisk::release()
{
    if (m_mounted)
        QFile::remove(file(QStringLiteral(".filler")));
    if (m_limited) {
        setrlimit(RLIMIT_FSIZE, &m_savedLimit);
        m_limited = false;
    }
}

}  // namespace qmtest
