#pragma once
// The MariaDB server a benchmark runs against: the one named by the QM_MYSQL_* variables, or else
// a private one started with scripts/sandbox in a temporary folder (512M buffer pool) and stopped
// again when the object goes away.

#include <QString>
#include <QTemporaryDir>

#include <memory>

class BenchServer {
public:
    BenchServer() = default;
    ~BenchServer();
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    // Returns false, after printing why, when no server can be had.
    bool start();

    QString host;
    int port = 0;
    QString user;
    QString password;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_sandbox;
};
