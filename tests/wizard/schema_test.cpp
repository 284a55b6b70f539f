// Schema discovery against the private server: listings, failures, foreign keys from both sources,
// and names that hold back-ticks, quotes, wildcards, blanks and non-ASCII letters.
#include "TestDatabase.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "mysql/SqlQuoting.h"
#include "wizard/cDB.h"
#include "wizard/cMain.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

class Schema : public ::testing::Test {
protected:
    QStringList shown;
    cDB db{[this](const QString& text) { shown << text; }};

    void connect()
    {
        const ServerSettings& s = sandboxServer();
        ASSERT_TRUE(db.Connect(s.host, s.user, s.password, static_cast<int16_t>(s.port)));
    }
};

}  // namespace

TEST_F(Schema, ListsDatabasesTablesAndColumnsInServerOrder)
{
    ScratchDatabase scratch(QStringLiteral("schema_list"));
    scratch.exec({QStringLiteral("CREATE TABLE b (id INT UNSIGNED NOT NULL PRIMARY KEY, note VARCHAR(40) NULL)"),
                  QStringLiteral("CREATE TABLE a (x INT)")});
    EXPECT_TRUE(db.ListDatabases().isEmpty()) << "nothing is sent before Connect";
    connect();
    const QStringList databases = db.ListDatabases();
    EXPECT_TRUE(databases.contains(scratch.name()));
    EXPECT_EQ(DatabaseCount, databases.size());
    EXPECT_EQ(db.ListTables(scratch.name()), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(ListedTableCount, 2);
    ASSERT_TRUE(db.UseDatabase(scratch.name()));
    EXPECT_EQ(db.ListColumnNames(QStringLiteral("b")), (QStringList{QStringLiteral("id"), QStringLiteral("note")}));
    const QList<FieldInfo> fields = db.DescribeTable(QStringLiteral("b"));
    ASSERT_EQ(fields.size(), 2);
    EXPECT_EQ(fields[0].Type, QStringLiteral("int(10) unsigned"));
    EXPECT_FALSE(fields[0].AllowsNull);
    EXPECT_TRUE(fields[1].AllowsNull);
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(Schema, FailuresFollowTheirOwnReportingRules)
{
    ScratchDatabase scratch(QStringLiteral("schema_fail"));
    connect();
    // An empty database lists no tables, silently.
    EXPECT_TRUE(db.ListTables(scratch.name()).isEmpty());
    EXPECT_EQ(ListedTableCount, 0);
    EXPECT_TRUE(shown.isEmpty());
    // A missing table describes as nothing, silently.
    ASSERT_TRUE(db.UseDatabase(scratch.name()));
    EXPECT_TRUE(db.ListColumnNames(QStringLiteral("gone")).isEmpty());
    EXPECT_TRUE(db.DescribeTable(QStringLiteral("gone")).isEmpty());
    EXPECT_TRUE(shown.isEmpty());
    // A missing database is reported with the server's text.
    EXPECT_FALSE(db.UseDatabase(QStringLiteral("no_such_db_here")));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("no_such_db_here"))) << shown[0].toStdString();
    EXPECT_TRUE(db.ListTables(QStringLiteral("no_such_db_here")).isEmpty());
    EXPECT_EQ(shown.size(), 2);
}

TEST_F(Schema, WrongPasswordShowsTheLibraryText)
{
    const ServerSettings& s = sandboxServer();
    EXPECT_FALSE(db.Connect(s.host, s.user, s.password + QStringLiteral("x"), static_cast<int16_t>(s.port)));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Access denied"))) << shown[0].toStdString();
}

TEST_F(Schema, AwkwardNamesWorkEndToEnd)
{
    // Back-tick, quote, LIKE wildcards, blanks and non-ASCII letters in database, table and
    // column names. A second table that the unescaped LIKE pattern would also match comes first
    // in name order and has a foreign key of its own.
    const QString database = QStringLiteral("qm we`ird 'db_%ü %1").arg(QCoreApplication::applicationPid());
    const QString table = QStringLiteral("t`a 'b_%é");
    const QString quotedDb = quoteName(database);
    ASSERT_EQ(execSql({QStringLiteral("DROP DATABASE IF EXISTS %1").arg(quotedDb),
                       QStringLiteral("CREATE DATABASE %1").arg(quotedDb),
                       QStringLiteral("CREATE TABLE %1.parent (id INT PRIMARY KEY)").arg(quotedDb),
                       QStringLiteral("CREATE TABLE %1.`t``a 'bX%%é` (id INT, p INT, FOREIGN KEY (p) REFERENCES parent (id))").arg(quotedDb),
                       QStringLiteral("CREATE TABLE %1.%2 (`co`` l'ü` INT, ref INT, FOREIGN KEY (ref) REFERENCES parent (id))")
                           .arg(quotedDb, quoteName(table))}),
              QString());
    connect();
    EXPECT_TRUE(db.ListDatabases().contains(database));
    ASSERT_TRUE(db.UseDatabase(database));
    EXPECT_TRUE(db.ListTables(database).contains(table));
    EXPECT_EQ(db.ListColumnNames(table), (QStringList{QStringLiteral("co` l'ü"), QStringLiteral("ref")}));
    const QList<ForeignKeyInfo> keys = db.DiscoverForeignKeys(database, table);
    ASSERT_EQ(keys.size(), 1);
    EXPECT_EQ(keys[0].ChildColumn, QStringLiteral("ref"));
    EXPECT_EQ(keys[0].ParentTable, QStringLiteral("parent"));
    EXPECT_EQ(keys[0].ParentColumn, QStringLiteral("id"));
    EXPECT_TRUE(shown.isEmpty()) << shown.join('\n').toStdString();
    execSql({QStringLiteral("DROP DATABASE %1").arg(quotedDb)});
}

TEST_F(Schema, ForeignKeysOfTheSampleShopComeFromInformationSchema)
{
    ScratchDatabase scratch(QStringLiteral("schema_fk"));
    scratch.exec({QStringLiteral("CREATE TABLE customers (id INT PRIMARY KEY)"),
                  QStringLiteral("CREATE TABLE pairs (a INT, b INT, PRIMARY KEY (a, b))"),
                  QStringLiteral("CREATE TABLE orders (id INT PRIMARY KEY, customer_id INT, pa INT, pb INT,"
                                 " CONSTRAINT c1 FOREIGN KEY (customer_id) REFERENCES customers (id) ON DELETE CASCADE,"
                                 " CONSTRAINT c2 FOREIGN KEY (pa, pb) REFERENCES pairs (a, b))")});
    connect();
    const QList<ForeignKeyInfo> keys = db.DiscoverForeignKeys(scratch.name(), QStringLiteral("orders"));
    ASSERT_EQ(keys.size(), 2);
    EXPECT_EQ(keys[0].ChildColumn, QStringLiteral("customer_id"));
    EXPECT_EQ(keys[0].ParentTable, QStringLiteral("customers"));
    EXPECT_EQ(keys[0].ParentColumn, QStringLiteral("id"));
    EXPECT_EQ(keys[1].ChildColumn, QStringLiteral("pa pb"));
    EXPECT_EQ(keys[1].ParentTable, QStringLiteral("pairs"));
    EXPECT_EQ(keys[1].ParentColumn, QStringLiteral("a b"));
    EXPECT_TRUE(db.DiscoverForeignKeys(scratch.name(), QStringLiteral("customers")).isEmpty());
}

TEST_F(Schema, ForeignKeysOfAQuotedNameAreFoundWithoutBackslashEscapes)
{
    // In this mode a backslash is an ordinary character: a quote escaped by one would end the
    // literal, and the statements would fail.
    ScratchDatabase scratch(QStringLiteral("schema_nbe"));
    scratch.exec({QStringLiteral("CREATE TABLE parent (id INT PRIMARY KEY)"),
                  QStringLiteral("CREATE TABLE `it's a\\b` (p INT, FOREIGN KEY (p) REFERENCES parent (id))")});
    connect();
    db.Connection().Execute(QStringLiteral("SET SESSION sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')"));
    ASSERT_EQ(db.Connection().Error().Number(), 0);
    const QList<ForeignKeyInfo> keys = db.DiscoverForeignKeys(scratch.name(), QStringLiteral("it's a\\b"));
    ASSERT_EQ(keys.size(), 1);
    EXPECT_EQ(keys[0].ChildColumn, QStringLiteral("p"));
    EXPECT_EQ(keys[0].ParentTable, QStringLiteral("parent"));
}

TEST(ForeignKeyComment, ParsesReferClausesAsTheServerWroteThem)
{
    const QString one = QStringLiteral("InnoDB free: 4096 kB; (`customer_id`) REFER `shop/customers`(`id`) ON DELETE CASCADE");
    auto keys = cDB::ParseForeignKeyComment(one);
    ASSERT_EQ(keys.size(), 1);
    EXPECT_EQ(keys[0].Clause, QStringLiteral("(`customer_id`) REFER `shop/customers`(`id`) ON DELETE CASCADE"));
    EXPECT_EQ(keys[0].ChildColumn, QStringLiteral("customer_id"));
    EXPECT_EQ(keys[0].ParentTable, QStringLiteral("customers"));
    EXPECT_EQ(keys[0].ParentColumn, QStringLiteral("id"));

    keys = cDB::ParseForeignKeyComment(QStringLiteral(
        "(`a` `b`) REFER `db/p`(`x` `y`) ON UPDATE CASCADE; InnoDB free: 0 kB; (`c`) REFER `db/q`(`z`)"));
    ASSERT_EQ(keys.size(), 2);
    EXPECT_EQ(keys[0].ChildColumn, QStringLiteral("a b"));
    EXPECT_EQ(keys[0].ParentColumn, QStringLiteral("x y"));
    EXPECT_EQ(keys[1].ParentTable, QStringLiteral("q"));

    // Without ";" there are no clauses; a REFER part lacking "/" or "(" is skipped.
    EXPECT_TRUE(cDB::ParseForeignKeyComment(QStringLiteral("(`c`) REFER `db/q`(`z`)")).isEmpty());
    EXPECT_TRUE(cDB::ParseForeignKeyComment(QStringLiteral("x; REFER nothing; (`c`) REFER db.q")).isEmpty());
    EXPECT_TRUE(cDB::ParseForeignKeyComment(QStringLiteral("x;REFER `a/b`")).isEmpty());
}

TEST(TypeNames, BaseNameAndIntegerTypes)
{
    const cMain m;
    EXPECT_EQ(m.BaseTypeName(QStringLiteral("int(11) unsigned")), QStringLiteral("int"));
    EXPECT_EQ(m.BaseTypeName(QStringLiteral(" varchar (255)")), QStringLiteral("varchar"));
    EXPECT_EQ(m.BaseTypeName(QStringLiteral("text")), QStringLiteral("text"));
    EXPECT_EQ(m.BaseTypeName(QStringLiteral("(5)")), QString());
    EXPECT_TRUE(m.IsIntegerType(QStringLiteral("smallint(6)")));
    EXPECT_TRUE(m.IsIntegerType(QStringLiteral("bigint(20) unsigned")));
    EXPECT_FALSE(m.IsIntegerType(QStringLiteral("INT(11)")));
    EXPECT_FALSE(m.IsIntegerType(QStringLiteral("int unsigned")));
    EXPECT_FALSE(m.IsIntegerType(QStringLiteral("decimal(8,2)")));
}
