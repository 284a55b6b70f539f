// A generated site read back: what the writer writes, the reader reads, and writing that again
// gives the same bytes; hand edits are read or kept; folders that are no site are named.
#include "GeneratorFixture.h"

#include "generator/SiteReader.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace gentest;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Values that a careless writer or reader would change: PHP's escapes and variables, line breaks,
// list separators next to the rule's own spacing, non-ASCII letters.
WizardChoices hostileChoices(const QString& destination)
{
    WizardChoices c;
    c.DestinationFolder = destination;
    c.Connection = {QStringLiteral("fe80::1"), QStringLiteral("shop \"$db\" \\ {$x}"),
                    QStringLiteral("o'neil"), QStringLiteral("p\\\"a$s{$w}\r\nörd\\"), 3307};
    ChosenField id;
    id.Name = QStringLiteral("id");
    id.MaxValue = 32767;
    id.MinValue = -5;
    id.AllowNulls = 0;
    ChosenField name;
    name.Name = QStringLiteral("näme's \"$x\"");
    name.Characters = QStringLiteral("  a\\b\"$c{$d}\nöé   ");
    name.AllowNulls = 1;
    name.LookupTarget = QStringLiteral("orders.order_no");
    c.SelectedTables = {SelectedTable{QStringLiteral("custo'mers"), {id, name}},
                        SelectedTable{QStringLiteral("orders"), {}}};
    c.Options.AllowAdd = c.Options.AllowDelete = c.Options.JavaValidate = c.Options.CreateLookupColumns = true;
    c.Options.RecordsPerPage = 25;
    c.Security = {QStringLiteral("ädmin\\"), QStringLiteral("pa\"ss$1{$x}\n")};
    c.Appearance.StylesheetPath = destination + QStringLiteral("my \"$tyle\" {$x}.css");
    c.ExtraQueries = {QStringLiteral("SET NAMES 'utf8'"), QStringLiteral("SET @a = \"$b\\\\\"")};
    return c;
}

void writeScripts(const WizardChoices& choices)
{
    GenerationLog log;
    const phpCreator creator(QString(), log);
    ASSERT_TRUE(creator.WriteDatabaseScript(choices).Ok());
    ASSERT_TRUE(creator.WriteConfigScript(choices).Ok());
}

}  // namespace

TEST(SiteReader, WriteReadWriteGivesTheSameChoicesAndBytes)
{
    GeneratorFolders folders;
    const WizardChoices written = hostileChoices(folders.destination());
    writeScripts(written);
    const QByteArray database = readFile(folders.destinationFile(QStringLiteral("database.php")));
    const QByteArray config = readFile(folders.destinationFile(QStringLiteral("config.php")));

    const SiteReadResult read = SiteReader::Read(folders.destination());
    ASSERT_TRUE(read.Ok) << read.Message().toStdString();
    EXPECT_TRUE(read.Unread.isEmpty()) << read.Unread.join(u'\n').toStdString();
    const WizardChoices& c = read.Choices;
    EXPECT_EQ(c.Connection.ServerName, written.Connection.ServerName);
    EXPECT_EQ(c.Connection.Port, 3307);
    EXPECT_EQ(c.Connection.DatabaseName, written.Connection.DatabaseName);
    EXPECT_EQ(c.Connection.UserName, written.Connection.UserName);
    EXPECT_EQ(c.Connection.Password, written.Connection.Password);
    ASSERT_EQ(c.SelectedTables.size(), 2);
    EXPECT_EQ(c.SelectedTables[0].TableName, QStringLiteral("custo'mers"));
    EXPECT_TRUE(c.SelectedTables[1].ChosenFields.isEmpty());
    ASSERT_EQ(c.SelectedTables[0].ChosenFields.size(), 2);
    for (qsizetype i = 0; i < 2; ++i) {
        const ChosenField& got = c.SelectedTables[0].ChosenFields[i];
        const ChosenField& want = written.SelectedTables[0].ChosenFields[i];
        EXPECT_EQ(got.Name, want.Name);
        EXPECT_EQ(got.MaxValue, want.MaxValue);
        EXPECT_EQ(got.MinValue, want.MinValue);
        EXPECT_EQ(got.Characters, want.Characters);
        EXPECT_EQ(got.AllowNulls, want.AllowNulls);
        EXPECT_EQ(got.LookupTarget, want.LookupTarget);
        EXPECT_TRUE(got.RuleOffered);
    }
    EXPECT_TRUE(c.Options.AllowAdd && c.Options.AllowDelete && c.Options.JavaValidate && c.Options.CreateLookupColumns);
    EXPECT_FALSE(c.Options.AllowEdit || c.Options.Navigator);
    EXPECT_EQ(c.Options.RecordsPerPage, 25);
    EXPECT_EQ(c.Security.AdminUser, written.Security.AdminUser);
    EXPECT_EQ(c.Security.AdminPassword, written.Security.AdminPassword);
    EXPECT_EQ(c.Appearance.StylesheetPath, QDir::cleanPath(written.Appearance.StylesheetPath));
    EXPECT_EQ(c.ExtraQueries, written.ExtraQueries);

    writeScripts(read.Choices);
    EXPECT_EQ(readFile(folders.destinationFile(QStringLiteral("database.php"))), database);
    EXPECT_EQ(readFile(folders.destinationFile(QStringLiteral("config.php"))), config);
}

TEST(SiteReader, HostsAndPortsComeBackApart)
{
    const struct {
        const char* host;
        int16_t port;
    } cases[] = {{"localhost", 3306}, {"db.example.org", 3307}, {"::1", 3306}, {"::1", 3310}, {"10.0.0.2", 4000}};
    for (const auto& row : cases) {
        GeneratorFolders folders;
        WizardChoices choices = exampleChoices(folders.destination(), {});
        choices.Connection.ServerName = QString::fromLatin1(row.host);
        choices.Connection.Port = row.port;
        writeScripts(choices);
        const SiteReadResult read = SiteReader::Read(folders.destination());
        ASSERT_TRUE(read.Ok) << read.Message().toStdString();
        EXPECT_EQ(read.Choices.Connection.ServerName, choices.Connection.ServerName) << row.host;
        EXPECT_EQ(read.Choices.Connection.Port, row.port) << row.host;
    }
}

// An owner's edits: a setting changed, a query added, PHP's other ways of writing a text, a
// comment and a setting of their own. The settings are read; the rest is reported (the comment
// is not) and written back before the end, so regenerating keeps them.
TEST(SiteReader, HandEditsAreReadOrKept)
{
    GeneratorFolders folders;
    writeScripts(exampleChoices(folders.destination(), {}));
    const QString configPath = folders.destinationFile(QStringLiteral("config.php"));
    QByteArray config = readFile(configPath);
    config.replace("$RecsPerPage = 10;", "$RecsPerPage   =  40 ;  // more rows\r\n");
    config.replace("?>", "\r\n# the owner's comment\r\n$ExtraQueryes[] = 'it''s \\'q\\' \\n';\r\n"
                         "$Admin = \"\\x41\\101\\u{e9}\\q\";\r\n$Export = False;\r\n"
                         "$Broken = ;\r\n/* two\r\nlines */\r\n?>\r\n<p>after the script</p>\r\n");
    writeBytes(configPath, config);

    const SiteReadResult read = SiteReader::Read(folders.destination());
    ASSERT_TRUE(read.Ok) << read.Message().toStdString();
    EXPECT_EQ(read.Choices.Options.RecordsPerPage, 40);
    EXPECT_EQ(read.Choices.Security.AdminUser, QStringLiteral("AAé\\q"));
    // Two single-quoted texts side by side are no PHP text: the line is reported and kept.
    ASSERT_EQ(read.Unread.size(), 4) << read.Unread.join(u'\n').toStdString();
    EXPECT_TRUE(read.Unread[0].contains(QStringLiteral("$ExtraQueryes[]")));
    EXPECT_TRUE(read.Unread[1].contains(QStringLiteral("$Export = False;")));
    EXPECT_TRUE(read.Unread[2].startsWith(QStringLiteral("config.php line ")));
    EXPECT_TRUE(read.Unread[3].contains(QStringLiteral("text after the closing ?> tag")));
    EXPECT_EQ(read.Choices.ExtraConfigLines,
              QStringList({QStringLiteral("// more rows"), QStringLiteral("# the owner's comment"),
                           QStringLiteral("$ExtraQueryes[] = 'it''s \\'q\\' \\n';"), QStringLiteral("$Export = False;"),
                           QStringLiteral("$Broken = ;"), QStringLiteral("/* two"), QStringLiteral("lines */")}));

    writeScripts(read.Choices);
    const QByteArray rewritten = readFile(configPath);
    EXPECT_TRUE(rewritten.endsWith("$Broken = ;\r\n/* two\r\nlines */\r\n?>\r\n"));
    EXPECT_TRUE(rewritten.contains("$RecsPerPage = 40;\r\n"));
    const SiteReadResult again = SiteReader::Read(folders.destination());
    EXPECT_EQ(again.Choices.ExtraConfigLines, read.Choices.ExtraConfigLines);
}

TEST(SiteReader, FoldersThatAreNoSiteAreNamedWithTheReason)
{
    const struct {
        const char* database;  // nullptr: no such file
        const char* config;
        const char* failedFile;
        const char* reasonStart;
    } cases[] = {
        {nullptr, "<?php ?>", "database.php", "the file does not exist"},
        {"<?php $db = 1; ?>", "<?php ?>", "database.php", "no mysql_connect call"},
        {"<html>mysql_connect(\"h\",\"u\",\"p\");</html>", "<?php ?>", "database.php", "no mysql_connect call"},
        {"<?php $db = mysql_connect(\"h\",\"u\", \"p\"); ?>", nullptr, "config.php", "the file does not exist"},
        {"<?php $db = mysql_connect(\"h\",\"u\", \"p\"); ?>", "<?php $Add = True; ?>", "config.php", "no table is named"},
        {"<?php $db = mysql_connect(\"h\",\"u\", \"p\"); ?>", "$TableNames['0'] = \"t\";", "config.php", "it does not start with <?php"},
    };
    for (const auto& row : cases) {
        GeneratorFolders folders;
        if (row.database)
            writeBytes(folders.destinationFile(QStringLiteral("database.php")), row.database);
        if (row.config)
            writeBytes(folders.destinationFile(QStringLiteral("config.php")), row.config);
        const SiteReadResult read = SiteReader::Read(folders.destination());
        EXPECT_FALSE(read.Ok) << row.failedFile << " " << row.reasonStart;
        EXPECT_EQ(read.FailedFile, QDir::toNativeSeparators(folders.destinationFile(QString::fromLatin1(row.failedFile))));
        EXPECT_TRUE(read.Reason.startsWith(QString::fromLatin1(row.reasonStart))) << read.Reason.toStdString();
        EXPECT_TRUE(read.Message().startsWith(read.FailedFile + QStringLiteral(": ")));
    }
    const SiteReadResult missing = SiteReader::Read(QStringLiteral("/no/such/folder"));
    EXPECT_FALSE(missing.Ok);
    EXPECT_EQ(missing.Message(), QStringLiteral("/no/such/folder: the folder does not exist"));

    // A file that cannot be read (here a folder in its place) is named with the system's reason.
    GeneratorFolders folders;
    writeScripts(exampleChoices(folders.destination(), {}));
    QFile::remove(folders.destinationFile(QStringLiteral("config.php")));
    ASSERT_TRUE(QDir(folders.destination()).mkdir(QStringLiteral("config.php")));
    const SiteReadResult unreadable = SiteReader::Read(folders.destination());
    EXPECT_FALSE(unreadable.Ok);
    EXPECT_TRUE(unreadable.FailedFile.endsWith(QStringLiteral("config.php")));
    EXPECT_FALSE(unreadable.Reason.isEmpty());
}
