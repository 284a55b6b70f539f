#pragma once
// Shared bits of the client-layer tests: opening a MYSQL_CONNECTION on the private test server,
// and readable QString output in failure messages.

#include "TestDatabase.h"
#include "mysql/MYSQL_CONNECTION.h"

#include <QString>

#include <ostream>

inline int openOnSandbox(MYSQL_CONNECTION& connection, const QString& database = {}, quint32 flags = 0)
{
    const qmtest::ServerSettings& server = qmtest::sandboxServer();
    return connection.OpenConnection(server.host, server.user, server.password, database, server.port,
                                     flags);
}

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
