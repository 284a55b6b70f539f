#pragma once
// Opening a MYSQL_CONNECTION on the private test server.

#include "TestDatabase.h"
#include "mysql/MYSQL_CONNECTION.h"

inline int openOnSandbox(MYSQL_CONNECTION& connection, const QString& database = {}, quint32 flags = 0)
{
    const qmtest::ServerSettings& server = qmtest::sandboxServer();
    return connection.OpenConnection(server.host, server.user, server.password, database, server.port,
                                     flags);
}
