#pragma once
// The private MariaDB server of the test run, and scratch databases on it. Fixtures talk to the
// server through the C library directly, so they never depend on the code under test.

#include "QtPrinters.h"

#include <QString>
#include <QStringList>

namespace qmtest {

struct ServerSettings {
    QString host;
    int port = 0;
    QString user;
    QString password;
    QString socket;
};

// Settings of the private server: the QM_MYSQL_* environment variables, or else the file the
// CTest fixture wrote. A missing server fails the calling test; it never skips.
const ServerSettings& sandboxServer();

// Runs statements separated by ";\n" (one per element of the list), in database `database` when
// it is not empty. Returns the first error text, or an empty text when all succeeded.
QString execSql(const QStringList& statements, const QString& database = {});

// Rows of a query as text (NULL as an empty QString with isNull() true).
QList<QStringList> querySql(const QString& statement, const QString& database = {});

// A database created for one test (its name begins with the prefix and is unique in the run) and
// dropped again when the object goes away.
class ScratchDatabase {
public:
    explicit ScratchDatabase(const QString& prefix);
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const QString& name() const { return m_name; }
    // Runs the statements inside this database; fails the test on the first error.
    void exec(const QStringList& statements) const;
    // Loads an SQL file with the mariadb command-line client (DELIMITER and all).
    void loadFile(const QString& path) const;

private:
    QString m_name;
};

}  // namespace qmtest
