// database.php: the connection script.
#include "GeneratorFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace gentest;

namespace {

class DatabaseScript : public ::testing::Test {
protected:
    QTemporaryDir destination;
    GenerationLog log;
    phpCreator creator{QString(), log};
    WizardChoices choices = exampleChoices(destination.path() + QStringLiteral("/"), QString());

    QString path() const { return destination.filePath(QStringLiteral("database.php")); }
};

// PHP stand-ins for the two calls, printing what the script passes to them.
const QString kDumpCalls = QStringLiteral(
    "function mysql_connect($h, $u, $p) { var_dump($h, $u, $p); return 7; }"
    "function mysql_select_db($d, $l) { var_dump($d, $l); }"
    "include $argv[1];");

}  // namespace

TEST_F(DatabaseScript, WorkedExampleByteForByte)
{
    const WriteOutcome outcome = creator.WriteDatabaseScript(choices);
    ASSERT_TRUE(outcome.Ok()) << outcome.Error.toStdString();
    EXPECT_EQ(readFile(path()), QByteArrayLiteral("<?php\r\n"
                                                  "$db = mysql_connect(\"localhost\",\"web\", \"\");\r\n"
                                                  "mysql_select_db(\"shop\", $db);\r\n"
                                                  "?>\r\n"));
}

TEST_F(DatabaseScript, OtherPortJoinsTheHostAndASecondRunReplacesTheFile)
{
    choices.Connection.ServerName = QStringLiteral("db.example.org");
    choices.Connection.Password = QStringLiteral("secret");
    choices.Connection.Port = 3307;
    ASSERT_TRUE(creator.WriteDatabaseScript(choices).Ok());
    EXPECT_EQ(readFile(path()),
              crlf({QStringLiteral("<?php"),
                    QStringLiteral("$db = mysql_connect(\"db.example.org:3307\",\"web\", \"secret\");"),
                    QStringLiteral("mysql_select_db(\"shop\", $db);"), QStringLiteral("?>")}));

    choices.Connection.Port = 3306;
    choices.Connection.Password.clear();
    ASSERT_TRUE(creator.WriteDatabaseScript(choices).Ok());
    EXPECT_EQ(readFile(path()),
              crlf({QStringLiteral("<?php"), QStringLiteral("$db = mysql_connect(\"db.example.org\",\"web\", \"\");"),
                    QStringLiteral("mysql_select_db(\"shop\", $db);"), QStringLiteral("?>")}));
}

TEST_F(DatabaseScript, QuotesDollarsAndBackslashesReachPhpUnchanged)
{
    ConnectionSettings& c = choices.Connection;
    c.ServerName = QStringLiteral("host\"name");
    c.UserName = QStringLiteral("us$er");
    c.Password = QStringLiteral("p\"a$s{$s}\\w\\\"d\\");
    c.DatabaseName = QStringLiteral("sh\"op\"); system(\"id");
    ASSERT_TRUE(creator.WriteDatabaseScript(choices).Ok());

    EXPECT_EQ(runPhp({QStringLiteral("-l"), path()}).exitCode, 0);
    const PhpRun run = runPhpCode(kDumpCalls, path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, dumpString(c.ServerName) + dumpString(c.UserName) + dumpString(c.Password)
                              + dumpString(c.DatabaseName) + QByteArrayLiteral("int(7)\n"));
}

// An IPv6 address holds colons of its own: with another port it goes in brackets, the form the
// site's connection code reads.
TEST_F(DatabaseScript, AnIPv6AddressWithAnotherPortIsBracketed)
{
    const struct {
        const char* server;
        int16_t port;
        const char* host;
    } cases[] = {
        {"::1", 3307, "[::1]:3307"},
        {"fd00::2", 3310, "[fd00::2]:3310"},
        {"[::1]", 3307, "[::1]:3307"},
        {"::1", 3306, "::1"},
        {"127.0.0.1", 3307, "127.0.0.1:3307"},
    };
    for (const auto& c : cases) {
        choices.Connection.ServerName = QString::fromLatin1(c.server);
        choices.Connection.Port = c.port;
        ASSERT_TRUE(creator.WriteDatabaseScript(choices).Ok());
        EXPECT_EQ(readFile(path()).split('\n').value(1),
                  QByteArray("$db = mysql_connect(\"") + c.host + "\",\"web\", \"\");\r")
            << c.server << " " << c.port;
    }
}
