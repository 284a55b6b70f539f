// config.php: the choices as PHP variables.
#include "GeneratorFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace gentest;

namespace {

// The worked example's 23 lines.
QStringList exampleLines()
{
    return {
        QStringLiteral("<?php"),
        QStringLiteral("$TableData['0@id'] = \"0    0       1\";"),
        QStringLiteral("$TableData['0@name'] = \"0    0       1\";"),
        QStringLiteral("$Tables['0'] = \"id@name\";"),
        QStringLiteral("$TableNames['0'] = \"customers\";"),
        QStringLiteral("$FKInfo['0'] = \"\";"),
        QStringLiteral("$Delete = True;"),
        QStringLiteral("$Add = True;"),
        QStringLiteral("$Edit = True;"),
        QStringLiteral("$Search = True;"),
        QStringLiteral("$View = True;"),
        QStringLiteral("$ViewTable = False;"),
        QStringLiteral("$Form = False;"),
        QStringLiteral("$SearchRecords = True;"),
        QStringLiteral("$PHPValidate = True;"),
        QStringLiteral("$JavaValidate = False;"),
        QStringLiteral("$Navigator = False;"),
        QStringLiteral("$RecsPerPage = 10;"),
        QStringLiteral("$Admin = \"\";"),
        QStringLiteral("$AdminPass = \"\";"),
        QStringLiteral("$FK = False;"),
        QStringLiteral("$CSS = \"default.css\";"),
        QStringLiteral("?>"),
    };
}

class ConfigScript : public ::testing::Test {
protected:
    QTemporaryDir destination;
    GenerationLog log;
    phpCreator creator{QString(), log};
    WizardChoices choices =
        exampleChoices(destination.path() + QStringLiteral("/"), QStringLiteral("/opt/quillmere/default.css"));

    QString path() const { return destination.filePath(QStringLiteral("config.php")); }
    QByteArray write()
    {
        const WriteOutcome outcome = creator.WriteConfigScript(choices);
        EXPECT_TRUE(outcome.Ok()) << outcome.Error.toStdString();
        return readFile(path());
    }
    ChosenField& field(int table, int index) { return choices.SelectedTables[table].ChosenFields[index]; }
};

}  // namespace

TEST_F(ConfigScript, WorkedExampleByteForByte)
{
    EXPECT_EQ(write(), crlf(exampleLines()));
}

TEST_F(ConfigScript, WorkedExampleVariants)
{
    choices.ExtraQueries = {QStringLiteral("SELECT 1")};
    field(0, 1).LookupTarget = QStringLiteral("titles.title");
    field(0, 1).MaxValue = 50;
    field(0, 1).MinValue = 2;
    field(0, 1).Characters = QStringLiteral("@.");

    QStringList lines = exampleLines();
    lines[2] = QStringLiteral("$TableData['0@name'] = \"50    2   @.    1\";");
    lines[5] = QStringLiteral("$FKInfo['0'] = \"name@->titles.title;\";");
    lines.insert(22, QStringLiteral("$ExtraQueryes[] = \"SELECT 1\";"));
    EXPECT_EQ(write(), crlf(lines));
}

TEST_F(ConfigScript, TwoTablesNegativeLimitsNullsAndTwoLookups)
{
    field(0, 0).MinValue = -5;
    field(0, 0).MaxValue = -1;
    field(0, 1).AllowNulls = 0;
    field(0, 1).MinValue = -32768;
    field(0, 1).MaxValue = 32767;
    ChosenField customer;
    customer.Name = QStringLiteral("customer_id");
    customer.LookupTarget = QStringLiteral("customers.name");
    ChosenField total;
    total.Name = QStringLiteral("total");
    ChosenField staff;
    staff.Name = QStringLiteral("staff_id");
    staff.LookupTarget = QStringLiteral("staff.last_name");
    choices.SelectedTables.append(SelectedTable{QStringLiteral("orders"), {customer, total, staff}});
    choices.Options.RecordsPerPage = -3;
    choices.Options.AllowDelete = false;
    choices.Options.CreateLookupColumns = true;
    choices.Security.AdminUser = QStringLiteral("admin");
    choices.Security.AdminPassword = QStringLiteral("pw");
    choices.ExtraQueries = {QStringLiteral("SELECT 1"), QStringLiteral("SELECT 2")};

    QStringList lines = exampleLines();
    lines[1] = QStringLiteral("$TableData['0@id'] = \"-1    -5       1\";");
    lines[2] = QStringLiteral("$TableData['0@name'] = \"32767    -32768       0\";");
    lines.insert(6, QStringLiteral("$TableData['1@customer_id'] = \"0    0       0\";"));
    lines.insert(7, QStringLiteral("$TableData['1@total'] = \"0    0       0\";"));
    lines.insert(8, QStringLiteral("$TableData['1@staff_id'] = \"0    0       0\";"));
    lines.insert(9, QStringLiteral("$Tables['1'] = \"customer_id@total@staff_id\";"));
    lines.insert(10, QStringLiteral("$TableNames['1'] = \"orders\";"));
    lines.insert(11, QStringLiteral("$FKInfo['1'] = \"customer_id@->customers.name;staff_id@->staff.last_name;\";"));
    lines[12] = QStringLiteral("$Delete = False;");
    lines[23] = QStringLiteral("$RecsPerPage = -3;");
    lines[24] = QStringLiteral("$Admin = \"admin\";");
    lines[25] = QStringLiteral("$AdminPass = \"pw\";");
    lines[26] = QStringLiteral("$FK = True;");
    lines.insert(28, QStringLiteral("$ExtraQueryes[] = \"SELECT 1\";"));
    lines.insert(29, QStringLiteral("$ExtraQueryes[] = \"SELECT 2\";"));
    EXPECT_EQ(write(), crlf(lines));
}

TEST_F(ConfigScript, HostileTextsParseBackExactly)
{
    choices.SelectedTables[0].TableName = QStringLiteral("cus\"tom$ers\\");
    field(0, 0).Name = QStringLiteral("i'd\\");
    field(0, 1).Name = QStringLiteral("na\"me'] = 1; echo 'x'; $a['");
    field(0, 1).Characters = QStringLiteral("\"$\\'");
    field(0, 1).LookupTarget = QStringLiteral("t\"$.{$x}");
    choices.Security.AdminUser = QStringLiteral("ad\"min$");
    choices.Security.AdminPassword = QStringLiteral("pa\"ss$word\\\" . phpinfo() . \"");
    choices.Appearance.StylesheetPath = QStringLiteral("/styles/we$ird\"\\name.css");
    choices.ExtraQueries = {QStringLiteral("SELECT \"$a\" FROM `t` WHERE x = '\\n'"), QStringLiteral("${x}{$y}"),
                            QStringLiteral("\\t \\x41 \\u{41} \\"), QStringLiteral("two\r\nlines"),
                            QStringLiteral("Zürich – ≠"), QString()};
    ASSERT_TRUE(creator.WriteConfigScript(choices).Ok());

    const PhpRun lint = runPhp({QStringLiteral("-l"), path()});
    EXPECT_EQ(lint.exitCode, 0) << lint.output.toStdString();
    const PhpRun run = runPhpCode(
        QStringLiteral("include $argv[1]; var_dump(array_keys($TableData), array_values($TableData), $Tables, "
                       "$TableNames, $FKInfo, $Admin, $AdminPass, $CSS, $ExtraQueryes);"),
        path());
    EXPECT_EQ(run.exitCode, 0);

    const QString id = field(0, 0).Name;
    const QString name = field(0, 1).Name;
    QByteArray expected = dumpList({QStringLiteral("0@") + id, QStringLiteral("0@") + name});
    expected += dumpList({QStringLiteral("0    0       1"), QStringLiteral("0    0   \"$\\'    1")});
    expected += dumpList({id + u'@' + name});
    expected += dumpList({choices.SelectedTables[0].TableName});
    expected += dumpList({name + QStringLiteral("@->t\"$.{$x};")});
    expected += dumpString(choices.Security.AdminUser) + dumpString(choices.Security.AdminPassword);
    expected += dumpString(QStringLiteral("we$ird\"\\name.css"));
    expected += dumpList(choices.ExtraQueries);
    EXPECT_EQ(run.output, expected);
}
