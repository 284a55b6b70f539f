#include "MysqlTestSupport.h"
#include "TestDatabase.h"
#include "mysql/ClientLibrary.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "mysql/MYSQL_FIELD.h"
#include "mysql/MYSQL_RS.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString firstValue(MYSQL_CONNECTION& connection, const QString& statement)
{
    auto rs = connection.Execute(statement);
    return rs->Fields(0)->Value().toString();
}

int questionsAsked(MYSQL_CONNECTION& connection)
{
    auto rs = connection.Execute("SHOW SESSION STATUS LIKE 'Questions'");
    return rs->Fields("Value")->Value().toString().toInt();
}

}  // namespace

TEST(MysqlConnection, FreshConnectionIsClosedAndNeverReachesTheLibrary)
{
    MYSQL_CONNECTION connection;
    EXPECT_EQ(connection.State(), 1);
    EXPECT_TRUE(connection.QueryString().isEmpty());
    EXPECT_FALSE(connection.AutoUpdate());
    EXPECT_EQ(connection.Error().Number(), 0);

    int affected = 77;
    auto rs = connection.Execute("SELECT 1", &affected);
    EXPECT_EQ(rs->State(), 1);
    EXPECT_EQ(affected, 77);
    EXPECT_EQ(connection.QueryString(), "SELECT 1");
    EXPECT_FALSE(connection.SelectDb("mysql"));
    EXPECT_TRUE(connection.QueryInfo().isEmpty());
    EXPECT_EQ(connection.LastInsertID(), 0);
    connection.Ping();
    connection.CloseConnection();
    connection.CloseConnection();
    EXPECT_EQ(connection.State(), 1);
    EXPECT_EQ(connection.Error().Number(), 0);
}

TEST(MysqlConnection, WrongPasswordThenRightPassword)
{
    const qmtest::ServerSettings& server = qmtest::sandboxServer();
    MYSQL_CONNECTION connection;
    EXPECT_EQ(connection.OpenConnection(server.host, server.user, "wrong", "", server.port, 0), 1);
    EXPECT_EQ(connection.State(), 1);
    EXPECT_EQ(connection.Error().Number(), 1045);
    EXPECT_TRUE(connection.Error().Description().startsWith("Access denied for user"))
        << connection.Error().Description().toStdString();
    EXPECT_EQ(connection.Password(), "wrong");
    EXPECT_EQ(connection.Hostname(), server.host);

    EXPECT_EQ(openOnSandbox(connection), 0);
    EXPECT_EQ(connection.State(), 0);
    EXPECT_EQ(connection.Error().Number(), 0);
    EXPECT_TRUE(connection.Error().Description().isEmpty());
    EXPECT_EQ(firstValue(connection, "SELECT 40 + 2"), "42");

    connection.CloseConnection();
    EXPECT_EQ(connection.State(), 1);
    EXPECT_TRUE(connection.QueryString().isEmpty());
    EXPECT_EQ(connection.Username(), server.user);  // parameters survive closing
}

TEST(MysqlConnection, LocalhostGoesThroughTheLocalSocket)
{
    // The socket comes from an option file, as it would from the system's client settings.
    const qmtest::ServerSettings& server = qmtest::sandboxServer();
    QTemporaryDir dir;
    QFile file(dir.filePath("client.cnf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[client]\nsocket=" + server.socket.toLocal8Bit() + "\n");
    file.close();

    MYSQL_CONNECTION connection;
    connection.SetOption(4, file.fileName());
    ASSERT_EQ(connection.OpenConnection("localhost", server.user, server.password, "", 0, 0), 0)
        << connection.Error().Description().toStdString();
    EXPECT_EQ(firstValue(connection, "SELECT 'via socket'"), "via socket");
}

TEST(MysqlConnection, UnknownHostReportsTheLibraryError)
{
    MYSQL_CONNECTION connection;
    EXPECT_EQ(connection.OpenConnection("no-such-host.invalid", "root", "x", "", 3306, 0), 1);
    EXPECT_EQ(connection.Error().Number(), 2005);
    EXPECT_TRUE(connection.Error().Description().contains("no-such-host.invalid"));
}

TEST(MysqlConnection, ReopeningClosesThePreviousSession)
{
    MYSQL_CONNECTION connection;
    ASSERT_EQ(openOnSandbox(connection), 0);
    const QString firstId = firstValue(connection, "SELECT CONNECTION_ID()");
    ASSERT_EQ(openOnSandbox(connection), 0);
    EXPECT_NE(firstValue(connection, "SELECT CONNECTION_ID()"), firstId);
    const auto sessions = qmtest::querySql(
        "SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID = " + firstId);
    ASSERT_EQ(sessions.size(), 1);
    EXPECT_EQ(sessions[0][0], "0");
}

TEST(MysqlConnection, FailingStatementReportsItsErrorAndAClosedResult)
{
    qmtest::ScratchDatabase db("qm_conn");
    MYSQL_CONNECTION connection;
    ASSERT_EQ(openOnSandbox(connection, db.name()), 0);
    int affected = 5;
    auto rs = connection.Execute("SELECT * FROM no_such_table", &affected);
    EXPECT_EQ(connection.Error().Number(), 1146);
    EXPECT_EQ(connection.Error().Description(),
              QStringLiteral("Table '%1.no_such_table' doesn't exist").arg(db.name()));
    EXPECT_EQ(rs->State(), 1);
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_EQ(affected, 0);

    // The next operation starts with a clean error.
    EXPECT_EQ(firstValue(connection, "SELECT 1"), "1");
    EXPECT_EQ(connection.Error().Number(), 0);
}

TEST(MysqlConnection, BlankStatementsStayOnTheClientTabsDoNot)
{
    MYSQL_CONNECTION connection;
    ASSERT_EQ(openOnSandbox(connection), 0);
    const int before = questionsAsked(connection);
    int affected = 42;
    auto rs = connection.Execute("    ", &affected);
    EXPECT_EQ(connection.QueryString(), "    ");
    EXPECT_EQ(affected, 42);
    // The result set is left as it was: still the status row.
    EXPECT_EQ(rs->State(), 0);
    EXPECT_EQ(rs->Fields(0)->Value().toString(), "Questions");
    EXPECT_EQ(questionsAsked(connection), before + 1);

    connection.Execute("\t");
    EXPECT_EQ(connection.Error().Number(), 1065);  // "Query was empty": the tab went to the server
}

TEST(MysqlConnection, InsertReportsAffectedRowsInfoAndInsertId)
{
    qmtest::ScratchDatabase db("qm_conn");
    db.exec({"CREATE TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(20)) AUTO_INCREMENT = 41"});
    MYSQL_CONNECTION connection;
    ASSERT_EQ(openOnSandbox(connection, db.name()), 0);
    int affected = -9;
    auto rs = connection.Execute("  INSERT INTO t (name) VALUES ('a'), ('b'), ('c')  ", &affected);
    EXPECT_EQ(connection.Error().Number(), 0);
    EXPECT_EQ(affected, 3);
    EXPECT_EQ(rs->State(), 1);
    EXPECT_EQ(rs->AffectedRecords(), 3);
    EXPECT_EQ(rs->QueryString(), "INSERT INTO t (name) VALUES ('a'), ('b'), ('c')");
    EXPECT_EQ(connection.QueryString(), "  INSERT INTO t (name) VALUES ('a'), ('b'), ('c')  ");
    EXPECT_EQ(connection.QueryInfo(), "Records: 3  Duplicates: 0  Warnings: 0");
    EXPECT_EQ(connection.LastInsertID(), 41);  // the first row of a multi-row insert

    auto again = connection.Execute("SELECT COUNT(*) FROM t", &affected);
    EXPECT_EQ(again, rs);  // one result set per connection
    EXPECT_EQ(affected, 1);
    EXPECT_EQ(rs->Fields(0)->Value().toString(), "3");
}

TEST(MysqlConnection, SelectDbKeepsTheNameOnlyOnSuccess)
{
    qmtest::ScratchDatabase db("qm_conn");
    MYSQL_CONNECTION connection;
    ASSERT_EQ(openOnSandbox(connection), 0);
    EXPECT_TRUE(connection.SelectDb(db.name()));
    EXPECT_EQ(connection.DbName(), db.name());
    EXPECT_EQ(firstValue(connection, "SELECT DATABASE()"), db.name());

    EXPECT_FALSE(connection.SelectDb("qm_no_such_database"));
    EXPECT_EQ(connection.Error().Number(), 1049);
    EXPECT_EQ(connection.DbName(), db.name());
}

TEST(MysqlConnection, FlushRunsTheListedStatementsOnly)
{
    MYSQL_CONNECTION connection;
    ASSERT_EQ(openOnSandbox(connection), 0);
    connection.Flush(3);
    EXPECT_EQ(connection.QueryString(), "FLUSH PRIVILEGES");
    EXPECT_EQ(connection.Error().Number(), 0);
    connection.Flush(0);
    EXPECT_EQ(connection.QueryString(), "FLUSH HOSTS, LOGS, PRIVILEGES, STATUS, TABLES");
    // MariaDB takes TABLES only on its own, so the whole list is refused, and says so.
    EXPECT_EQ(connection.Error().Number(), 1064);
    connection.Flush(5);
    EXPECT_EQ(connection.QueryString(), "FLUSH TABLES");
    connection.Flush(6);
    connection.Flush(-1);
    EXPECT_EQ(connection.QueryString(), "FLUSH TABLES");
}

TEST(MysqlConnection, OptionsApplyInOrderUntilCleared)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("client.cnf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[qm_tests]\ninit-command=SET @from_file = 7\n");
    file.close();

    MYSQL_CONNECTION connection;
    connection.SetOption(3, "SET @a = 1");
    connection.SetOption(99, "not an option");  // kept and skipped
    connection.SetOption(3, "SET @a = @a + 10");
    connection.SetOption(1);
    connection.SetOption(0, "5");
    connection.SetOption(4, file.fileName());
    connection.SetOption(5, "qm_tests");
    for (int round = 0; round < 2; ++round) {  // the list survives closing
        ASSERT_EQ(openOnSandbox(connection), 0) << connection.Error().Description().toStdString();
        EXPECT_EQ(firstValue(connection, "SELECT @a"), "11");
        EXPECT_EQ(firstValue(connection, "SELECT @from_file"), "7");
        EXPECT_EQ(firstValue(connection, "SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS "
                                         "WHERE VARIABLE_NAME = 'COMPRESSION'"),
                  "ON");
        connection.CloseConnection();
    }
    connection.ClearOptions();
    ASSERT_EQ(openOnSandbox(connection), 0);
    EXPECT_TRUE(connection.Execute("SELECT @a")->Fields(0)->Value().isNull());
}

TEST(MysqlConnection, ConnectionKilledByTheServerReportsAndPingReconnects)
{
    qmtest::ScratchDatabase db("qm_conn");
    MYSQL_CONNECTION connection;
    ASSERT_EQ(openOnSandbox(connection, db.name()), 0);
    const QString id = firstValue(connection, "SELECT CONNECTION_ID()");
    ASSERT_EQ(qmtest::execSql({"KILL " + id}), QString());

    auto rs = connection.Execute("SELECT 1");
    EXPECT_NE(connection.Error().Number(), 0);
    EXPECT_FALSE(connection.Error().Description().isEmpty());
    EXPECT_EQ(rs->State(), 1);
    connection.Execute("SELECT 1");
    EXPECT_NE(connection.Error().Number(), 0);

    connection.Ping();
    EXPECT_EQ(firstValue(connection, "SELECT DATABASE()"), db.name());
    EXPECT_EQ(connection.Error().Number(), 0);
    EXPECT_NE(firstValue(connection, "SELECT CONNECTION_ID()"), id);
}

TEST(MysqlConnection, NulInsideAStatementIsSentNotCutOff)
{
    MYSQL_CONNECTION connection;
    ASSERT_EQ(openOnSandbox(connection), 0);
    auto rs = connection.Execute(QStringLiteral("SELECT 1") + QChar(0) + QStringLiteral(" + 1"));
    EXPECT_EQ(connection.Error().Number(), 1064);
    EXPECT_EQ(rs->State(), 1);
}

TEST(MysqlConnection, ExtraResultsAreDroppedSoLaterStatementsRun)
{
    qmtest::ScratchDatabase db("qm_conn");
    db.exec({"CREATE PROCEDURE two_rows() SELECT 1 AS n UNION ALL SELECT 2"});
    MYSQL_CONNECTION connection;
    ASSERT_EQ(openOnSandbox(connection, db.name()), 0);
    auto rs = connection.Execute("CALL two_rows()");
    EXPECT_EQ(connection.Error().Number(), 0);
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(firstValue(connection, "SELECT 'after call'"), "after call");
    EXPECT_EQ(connection.Error().Number(), 0);

    ASSERT_EQ(openOnSandbox(connection, db.name(), CLIENT_MULTI_STATEMENTS), 0);
    EXPECT_EQ(firstValue(connection, "SELECT 'first'; SELECT 'second'"), "first");
    EXPECT_EQ(firstValue(connection, "SELECT 'next'"), "next");
    EXPECT_EQ(connection.Error().Number(), 0);
}

TEST(MysqlConnection, ResultSetOutlivesItsConnection)
{
    std::shared_ptr<MYSQL_RS> rs;
    {
        MYSQL_CONNECTION connection;
        ASSERT_EQ(openOnSandbox(connection), 0);
        rs = connection.Execute("SELECT 'kept' UNION ALL SELECT 'rows'");
        connection.CloseConnection();
        EXPECT_EQ(rs->State(), 0);  // closing the connection leaves the rows
    }
    rs->MoveNext();
    EXPECT_EQ(rs->Fields(0)->Value().toString(), "rows");
    rs->Requery();  // no connection any more: left as it was
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->AbsolutePosition(), 2);
}
