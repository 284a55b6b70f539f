// The private server the test run starts is reachable through the client library, and scratch
// databases are really created and dropped on it.
#include "TestDatabase.h"

#include <gtest/gtest.h>

using namespace qmtest;

TEST(Sandbox, AnswersAStatementThroughTheClientLibrary)
{
    const auto rows = querySql(QStringLiteral("SELECT VERSION(), 6 * 7"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows[0][0].contains(QStringLiteral("MariaDB"))) << rows[0][0].toStdString();
    EXPECT_EQ(rows[0][1], QStringLiteral("42"));
}

TEST(Sandbox, ScratchDatabaseExistsWhileAliveAndIsDroppedAfterwards)
{
    QString name;
    {
        ScratchDatabase db(QStringLiteral("sandbox"));
        name = db.name();
        db.exec({QStringLiteral("CREATE TABLE t (id INT PRIMARY KEY, label VARCHAR(10))"),
                 QStringLiteral("INSERT INTO t VALUES (1, 'one'), (2, NULL)")});
        const auto rows = querySql(QStringLiteral("SELECT label FROM t ORDER BY id"), name);
        ASSERT_EQ(rows.size(), 2);
        EXPECT_EQ(rows[0][0], QStringLiteral("one"));
        EXPECT_TRUE(rows[1][0].isNull());
    }
    const auto left = querySql(QStringLiteral("SHOW DATABASES LIKE '%1'").arg(name));
    EXPECT_TRUE(left.isEmpty());
}
