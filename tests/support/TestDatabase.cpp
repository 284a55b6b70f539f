#include "TestDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>
#include <mysql.h>

#include <atomic>
#include <cstdlib>

namespace qmtest {
namespace {

ServerSettings loadSettings()
{
    ServerSettings s;
    QHash<QString, QString> values;
    for (const char* key : {"QM_MYSQL_HOST", "QM_MYSQL_PORT", "QM_MYSQL_USER", "QM_MYSQL_PASSWORD",
                            "QM_MYSQL_SOCKET"}) {
        if (qEnvironmentVariableIsSet(key))
            values.insert(QString::fromLatin1(key), qEnvironmentVariable(key));
    }
    if (!values.contains("QM_MYSQL_PORT")) {
        // The fixture's file holds shell export lines; values are quoted with printf %q, which
        // leaves our simple values (no blanks) unquoted.
        QFile file(QStringLiteral(QM_SANDBOX_ENV_FILE));
        if (file.open(QIODevice::ReadOnly)) {
            static const QRegularExpression line(QStringLiteral("^export (QM_MYSQL_[A-Z]+)=(.*)$"));
            for (const QByteArray& raw : file.readAll().split('\n')) {
                const auto m = line.match(QString::fromLocal8Bit(raw).trimmed());
                if (m.hasMatch()) {
                    QString v = m.captured(2);
                    v.replace(QStringLiteral("\\"), QString());
                    values.insert(m.captured(1), v);
                }
            }
        }
    }
    s.host = values.value("QM_MYSQL_HOST");
    s.port = values.value("QM_MYSQL_PORT").toInt();
    s.user = values.value("QM_MYSQL_USER");
    s.password = values.value("QM_MYSQL_PASSWORD");
    s.socket = values.value("QM_MYSQL_SOCKET");
    return s;
}

struct Connection {
    MYSQL* handle = nullptr;
    QString error;
    explicit Connection(const QString& database)
    {
        const ServerSettings& s = sandboxServer();
        handle = mysql_init(nullptr);
        const QByteArray host = s.host.toLocal8Bit(), user = s.user.toLocal8Bit(),
                         pass = s.password.toLocal8Bit(), db = database.toLocal8Bit();
        if (!mysql_real_connect(handle, host.constData(), user.constData(), pass.constData(),
                                database.isEmpty() ? nullptr : db.constData(), s.port, nullptr,
                                CLIENT_MULTI_STATEMENTS)) {
            error = QString::fromLocal8Bit(mysql_error(handle));
        } else {
            mysql_set_character_set(handle, "utf8mb4");
        }
    }
    ~Connection() { mysql_close(handle); }
};

}  // namespace

const ServerSettings& sandboxServer()
{
    static const ServerSettings settings = loadSettings();
    if (settings.port == 0) {
        ADD_FAILURE() << "The private MariaDB server is not running: run the tests through ctest "
                         "(its mariadb fixture starts it) or export the QM_MYSQL_* variables "
                         "printed by scripts/sandbox start.";
    }
    return settings;
}

QString execSql(const QStringList& statements, const QString& database)
{
    Connection c(database);
    if (!c.error.isEmpty())
        return c.error;
    for (const QString& statement : statements) {
        const QByteArray sql = statement.toUtf8();
        if (mysql_real_query(c.handle, sql.constData(), sql.size()) != 0)
            return QString::fromLocal8Bit(mysql_error(c.handle)) + " in: " + statement;
        if (MYSQL_RES* res = mysql_store_result(c.handle))
            mysql_free_result(res);
    }
    return {};
}

QList<QStringList> querySql(const QString& statement, const QString& database)
{
    QList<QStringList> rows;
    Connection c(database);
    if (!c.error.isEmpty()) {
        ADD_FAILURE() << c.error.toStdString();
        return rows;
    }
    const QByteArray sql = statement.toUtf8();
    if (mysql_real_query(c.handle, sql.constData(), sql.size()) != 0) {
        ADD_FAILURE() << mysql_error(c.handle) << " in: " << sql.constData();
        return rows;
    }
    MYSQL_RES* res = mysql_store_result(c.handle);
    if (!res)
        return rows;
    const unsigned n = mysql_num_fields(res);
    while (MYSQL_ROW row = mysql_fetch_row(res)) {
        const unsigned long* lengths = mysql_fetch_lengths(res);
        QStringList values;
        for (unsigned i = 0; i < n; ++i)
            values << (row[i] ? QString::fromUtf8(row[i], int(lengths[i])) : QString());
        rows << values;
    }
    mysql_free_result(res);
    return rows;
}

ScratchDatabase::ScratchDatabase(const QString& prefix)
{
    static std::atomic<int> counter{0};
    m_name = QStringLiteral("%1_%2_%3").arg(prefix).arg(QCoreApplication::applicationPid()).arg(++counter);
    const QString error = execSql({QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(m_name),
                                   QStringLiteral("CREATE DATABASE `%1`").arg(m_name)});
    if (!error.isEmpty())
        ADD_FAILURE() << "cannot create scratch database: " << error.toStdString();
}

ScratchDatabase::~ScratchDatabase()
{
    execSql({QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(m_name)});
}

void ScratchDatabase::exec(const QStringList& statements) const
{
    const QString error = execSql(statements, m_name);
    if (!error.isEmpty())
        ADD_FAILURE() << error.toStdString();
}

void ScratchDatabase::loadFile(const QString& path) const
{
    const ServerSettings& s = sandboxServer();
    QProcess p;
    p.setStandardInputFile(path);
    p.start(QStringLiteral("mariadb"),
            {QStringLiteral("--no-defaults"), QStringLiteral("-h") + s.host,
             QStringLiteral("-P%1").arg(s.port), QStringLiteral("-u") + s.user,
             QStringLiteral("-p") + s.password, m_name});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        ADD_FAILURE() << "loading " << path.toStdString() << " failed: "
                      << p.readAllStandardError().toStdString();
}

}  // namespace qmtest
