#include "BenchServer.h"

#include <QHash>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>

namespace {

const QString kScript = QStringLiteral(QM_SOURCE_DIR "/scripts/sandbox");

// The sandbox script prints `export NAME=value` lines.
QHash<QString, QString> parseExports(const QByteArray& output)
{
    QHash<QString, QString> values;
    static const QRegularExpression line(QStringLiteral("^export (QM_MYSQL_[A-Z]+)=(.*)$"));
    for (const QByteArray& raw : output.split('\n')) {
        const auto match = line.match(QString::fromLocal8Bit(raw).trimmed());
        if (match.hasMatch())
            values.insert(match.captured(1), match.captured(2).remove(u'\\'));
    }
    return values;
}

}  // namespace

bool BenchServer::start()
{
    QHash<QString, QString> values;
    if (qEnvironmentVariableIsSet("QM_MYSQL_PORT")) {
        for (const char* key : {"QM_MYSQL_HOST", "QM_MYSQL_PORT", "QM_MYSQL_USER", "QM_MYSQL_PASSWORD"})
            values.insert(QString::fromLatin1(key), qEnvironmentVariable(key));
    } else {
        m_dir = std::make_unique<QTemporaryDir>();
        m_sandbox = m_dir->filePath(QStringLiteral("mariadb"));
        QProcess p;
        p.start(kScript, {QStringLiteral("start"), m_sandbox, QStringLiteral("--buffer-pool-size"), QStringLiteral("512M")});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            std::fprintf(stderr, "cannot start the private server: %s\n", p.readAllStandardError().constData());
            m_sandbox.clear();
            return false;
        }
        values = parseExports(p.readAllStandardOutput());
    }
    host = values.value(QStringLiteral("QM_MYSQL_HOST"));
    port = values.value(QStringLiteral("QM_MYSQL_PORT")).toInt();
    user = values.value(QStringLiteral("QM_MYSQL_USER"));
    password = values.value(QStringLiteral("QM_MYSQL_PASSWORD"));
    return port != 0;
}

BenchServer::~BenchServer()
{
    if (!m_sandbox.isEmpty())
        QProcess::execute(kScript, {QStringLiteral("stop"), m_sandbox});
}
