// The command line as users run it: the built program, with no display at all, on sites the
// generator wrote and against the private server.
#include "TestDatabase.h"
#include "SampleSchemas.h"
#include "TestFolders.h"

#include "generator/GenerationLog.h"
#include "generator/phpCreator.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

struct CommandRun {
    int status = -1;
    QString out;
    QStringList errorLines;
};

// Without DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM a window application aborts, so a command
// that passes here needs no display.
CommandRun quillmere(const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(programDir() + QStringLiteral("/quillmere"), arguments);
    CommandRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "quillmere " << arguments.join(u' ').toStdString() << " did not finish";
        return run;
    }
    run.status = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.errorLines = QString::fromLocal8Bit(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// The sandbox connection, a site folder and nothing chosen yet.
WizardChoices siteChoices(const QString& database, const QString& folder)
{
    const ServerSettings& server = sandboxServer();
    WizardChoices c;
    c.Connection = {server.host, database, server.user, server.password, static_cast<int16_t>(server.port)};
    c.SelectedTables.clear();
    c.DestinationFolder = folder + u'/';
    return c;
}

SelectedTable table(const QString& name, const QStringList& fields)
{
    SelectedTable t{name, {}};
    for (const QString& column : fields) {
        ChosenField field;
        field.Name = column;
        field.AllowNulls = 1;
        t.ChosenFields << field;
    }
    return t;
}

// Writes the site with the program's own templates, as the wizard would.
void generate(const WizardChoices& choices)
{
    ASSERT_TRUE(QDir().mkpath(choices.DestinationFolder));
    GenerationLog log;
    const GenerationResult result = phpCreator(programDir(), log).Generate(choices);
    ASSERT_TRUE(result.Succeeded) << result.FailedFile.toStdString() << ": " << result.Reason.toStdString();
    EXPECT_EQ(result.Warnings, QStringList());
}

// Owner's files beside the generated ones: the program must never touch them.
void addOwnerFiles(const QString& folder)
{
    writeFile(folder + QStringLiteral("/hooks/after-save.php"), "<?php // the owner's own code\r\n");
    writeFile(folder + QStringLiteral("/notes.txt"), "not written by the generator\n");
}

// Generates `choices`, adds the owner's files, regenerates with the command line and expects every
// file byte for byte as it was, and no copies made.
void expectRegenerateKeepsEveryByte(const WizardChoices& choices)
{
    const QString folder = choices.DestinationFolder.chopped(1);
    generate(choices);
    addOwnerFiles(folder);
    const QMap<QString, QByteArray> before = checksums(folder);
    ASSERT_GE(before.size(), 21);

    const CommandRun run = quillmere({QStringLiteral("regenerate"), folder});
    EXPECT_EQ(run.status, 0) << run.errorLines.join(u'\n').toStdString();
    EXPECT_EQ(run.errorLines, QStringList());
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("Task completed successfully.\n"))) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains(QStringLiteral("Replaced"))) << run.out.toStdString();
    EXPECT_EQ(checksums(folder), before);
}

}  // namespace

TEST(CommandLine, RegenerateRewritesTheShopSiteByteForByte)
{
    ScratchDatabase db{QStringLiteral("clishop")};
    loadShopSample(db);

    QTemporaryDir site;
    QTemporaryDir styles;
    const QString hostile = QStringLiteral("\"q' \\b $x {$x}\nü€");
    WizardChoices c = siteChoices(db.name(), site.path());
    c.SelectedTables = {
        table(QStringLiteral("customers"), {QStringLiteral("customer_id"), QStringLiteral("first_name"),
                                            QStringLiteral("last_name"), QStringLiteral("email"), QStringLiteral("city")}),
        table(QStringLiteral("orders"), {QStringLiteral("order_id"), QStringLiteral("customer_id"), QStringLiteral("status")}),
        table(QStringLiteral("order_lines"), {QStringLiteral("order_id"), QStringLiteral("line_no"),
                                              QStringLiteral("product_id"), QStringLiteral("quantity")}),
        table(QStringLiteral("products"), {QStringLiteral("product_id"), QStringLiteral("name"), QStringLiteral("price")}),
    };
    ChosenField& email = c.SelectedTables[0].ChosenFields[3];
    email.Characters = hostile;
    email.AllowNulls = 0;
    ChosenField& name = c.SelectedTables[0].ChosenFields[1];
    name.MinValue = -5;
    name.MaxValue = 40;
    name.Characters = QStringLiteral("@.");
    ChosenField& customer = c.SelectedTables[1].ChosenFields[1];
    customer.IsForeignKey = true;
    customer.ParentTable = QStringLiteral("customers");
    customer.LookupTarget = QStringLiteral("customers.last_name");
    ChosenField& product = c.SelectedTables[2].ChosenFields[2];
    product.IsForeignKey = true;
    product.ParentTable = QStringLiteral("products");
    product.LookupTarget = QStringLiteral("products.name");
    c.Options = {.AllowAdd = true, .AllowEdit = true, .AllowDelete = false, .AllowView = true, .SearchRecords = true,
                 .ViewTable = true, .CreateLookupColumns = true, .AllowSearch = true, .ShowForm = false,
                 .JavaValidate = true, .PhpValidate = true, .Navigator = true, .RecordsPerPage = 25};
    c.Security = {QStringLiteral("ädmin \"{$u}\""), QStringLiteral("p\"w$d\\x'1{$x}\nñ")};
    c.ExtraQueries = {QStringLiteral("SELECT '$x' AS \"{$y}\"")};
    c.Appearance.StylesheetPath = styles.filePath(QStringLiteral("it's \"$x\" {$y} \\ ü.css"));
    ASSERT_TRUE(QFile::copy(programDir() + QStringLiteral("/plain.css"), c.Appearance.StylesheetPath));
    expectRegenerateKeepsEveryByte(c);

    // An edited generated file is put back and the edit kept beside it.
    const QString index = site.filePath(QStringLiteral("index.php"));
    writeFile(index, "edited by hand\n");
    const CommandRun run = quillmere({QStringLiteral("regenerate"), site.path()});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("Replaced ") + index)) << run.out.toStdString();
    EXPECT_EQ(checksums(site.path()).value(QStringLiteral("index.php.bak")),
              QCryptographicHash::hash("edited by hand\n", QCryptographicHash::Sha256).toHex());
    QFile restored(index);
    QFile shipped(programDir() + QStringLiteral("/templates/index.php"));
    ASSERT_TRUE(restored.open(QIODevice::ReadOnly) && shipped.open(QIODevice::ReadOnly));
    EXPECT_TRUE(restored.readAll() == shipped.readAll()) << "index.php was not put back";
}

// Every base table of Sakila with every column, each foreign key a lookup: regenerate keeps every
// byte and check finds nothing.
TEST(CommandLine, RegenerateAndCheckOnSakila)
{
    if (sakilaDir().isEmpty())
        GTEST_SKIP() << "no Sakila sample beside the checkout (../shared/data/sakila)";
    ScratchDatabase db{QStringLiteral("clisakila")};
    loadSakilaSchema(db.name());
    QTemporaryDir site;
    WizardChoices c = siteChoices(db.name(), site.path());
    c.SelectedTables = everyTableWithLookups(db.name());
    ASSERT_GE(c.SelectedTables.size(), 16);
    c.Options = {.AllowAdd = true, .AllowEdit = true, .AllowDelete = true, .AllowView = true,
                 .CreateLookupColumns = true, .RecordsPerPage = 10};
    c.Appearance.StylesheetPath = programDir() + QStringLiteral("/Colorful.css");
    expectRegenerateKeepsEveryByte(c);

    const CommandRun check = quillmere({QStringLiteral("check"), site.path()});
    EXPECT_EQ(check.status, 0) << check.out.toStdString();
    EXPECT_EQ(check.out, QString());
}

TEST(CommandLine, CheckNamesTablesAndColumnsThatNoLongerMatch)
{
    ScratchDatabase db{QStringLiteral("clidrift")};
    db.exec({QStringLiteral("CREATE TABLE items (id INT PRIMARY KEY, name VARCHAR(20), price DECIMAL(6,2))"),
             QStringLiteral("CREATE TABLE notes (id INT PRIMARY KEY, body TEXT)")});
    QTemporaryDir site;
    WizardChoices c = siteChoices(db.name(), site.path());
    c.SelectedTables = {table(QStringLiteral("items"), {QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("price")}),
                        table(QStringLiteral("notes"), {QStringLiteral("id"), QStringLiteral("body")})};
    generate(c);
    const QStringList check{QStringLiteral("check"), site.path()};
    CommandRun run = quillmere(check);
    EXPECT_EQ(run.status, 0) << run.out.toStdString() << run.errorLines.join(u'\n').toStdString();
    EXPECT_EQ(run.out, QString());

    db.exec({QStringLiteral("ALTER TABLE items DROP COLUMN price, ADD COLUMN colour VARCHAR(10)"),
             QStringLiteral("DROP TABLE notes")});
    run = quillmere(check);
    EXPECT_EQ(run.status, 1);
    // The closing line only: progress lines are for a terminal.
    EXPECT_EQ(run.errorLines.size(), 1) << run.errorLines.join(u'\n').toStdString();
    EXPECT_EQ(run.out, QStringLiteral("missing column: items.price (chosen in the site, no longer in the database)\n"
                                      "new column: items.colour (in the database, not shown by the site)\n"
                                      "missing table: notes (in the site, no longer in the database)\n"));

    // The site made again from the database as it is now agrees with it.
    c.SelectedTables = {table(QStringLiteral("items"), {QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("colour")})};
    generate(c);
    run = quillmere(check);
    EXPECT_EQ(run.status, 0) << run.out.toStdString();
}

// Wrong arguments are bad usage (2); a folder or server the command cannot use is a failure (1).
// Either way stderr has one line saying why and the folder is left exactly as it was.
TEST(CommandLine, BadUsageAndBadInputChangeNothing)
{
    ScratchDatabase db{QStringLiteral("clibad")};
    db.exec({QStringLiteral("CREATE TABLE items (id INT PRIMARY KEY, name VARCHAR(20))")});
    QTemporaryDir root;
    const QString good = root.filePath(QStringLiteral("good"));
    WizardChoices c = siteChoices(db.name(), good);
    c.SelectedTables = {table(QStringLiteral("items"), {QStringLiteral("id"), QStringLiteral("name")})};
    generate(c);
    c.DestinationFolder = root.filePath(QStringLiteral("wrongpassword/"));
    c.Connection.Password = QStringLiteral("not the password");
    generate(c);
    c.DestinationFolder = root.filePath(QStringLiteral("noserver/"));
    c.Connection.Password = sandboxServer().password;
    c.Connection.Port = 1;
    generate(c);
    // A site whose stylesheet is gone and that lacks a template: the run stops before it writes any.
    c.DestinationFolder = root.filePath(QStringLiteral("nostylesheet/"));
    c.Appearance.StylesheetPath = programDir() + QStringLiteral("/plain.css");
    generate(c);
    ASSERT_TRUE(QFile::remove(root.filePath(QStringLiteral("nostylesheet/plain.css"))));
    ASSERT_TRUE(QFile::remove(root.filePath(QStringLiteral("nostylesheet/add.php"))));
    // config.php that cannot be read: a folder in its place (a file's rights would not stop root).
    c.DestinationFolder = root.filePath(QStringLiteral("unreadable/"));
    generate(c);
    ASSERT_TRUE(QFile::remove(root.filePath(QStringLiteral("unreadable/config.php"))));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("unreadable/config.php")));
    writeFile(root.filePath(QStringLiteral("notasite/notes.txt")), "just notes\n");
    const QString missing = root.filePath(QStringLiteral("missing"));

    const struct {
        QStringList arguments;
        int status;
        QString said;  // in the one line on stderr
    } cases[] = {
        {{QStringLiteral("regenerate")}, 2, QStringLiteral("regenerate needs the folder")},
        {{QStringLiteral("check")}, 2, QStringLiteral("check needs the folder")},
        {{QStringLiteral("publish"), good}, 2, QStringLiteral("unknown command \"publish\"")},
        {{QStringLiteral("--publish")}, 2, QStringLiteral("publish")},
        {{QStringLiteral("regenerate"), good, QStringLiteral("again")}, 2, QStringLiteral("unexpected argument \"again\"")},
        {{QStringLiteral("regenerate"), missing}, 1, missing + QStringLiteral(": the folder does not exist")},
        {{QStringLiteral("check"), missing}, 1, missing + QStringLiteral(": the folder does not exist")},
        {{QStringLiteral("regenerate"), root.filePath(QStringLiteral("notasite"))}, 1, QStringLiteral("notasite")},
        {{QStringLiteral("regenerate"), root.filePath(QStringLiteral("unreadable"))}, 1, QStringLiteral("config.php")},
        {{QStringLiteral("regenerate"), root.filePath(QStringLiteral("nostylesheet"))}, 1, QStringLiteral("plain.css")},
        {{QStringLiteral("check"), root.filePath(QStringLiteral("wrongpassword"))}, 1, QStringLiteral("Access denied")},
        {{QStringLiteral("check"), root.filePath(QStringLiteral("noserver"))}, 1,
         QStringLiteral("server %1:1").arg(sandboxServer().host)},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.arguments.join(u' ').toStdString());
        const QMap<QString, QByteArray> before = checksums(root.path());
        const CommandRun run = quillmere(test.arguments);
        EXPECT_EQ(run.status, test.status);
        ASSERT_EQ(run.errorLines.size(), 1) << run.errorLines.join(u'\n').toStdString();
        EXPECT_TRUE(run.errorLines[0].contains(test.said)) << run.errorLines[0].toStdString();
        EXPECT_EQ(run.out, QString());
        EXPECT_EQ(checksums(root.path()), before);
    }
}

TEST(CommandLine, HelpAndVersion)
{
    const CommandRun help = quillmere({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("regenerate")) && help.out.contains(QStringLiteral("check")))
        << help.out.toStdString();
    const CommandRun version = quillmere({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("quillmere " QM_TEST_VERSION "\n"));
}
