// Whole generation runs into temporary folders: the log, the stage counter, copied files, stops.
#include "FullDisk.h"
#include "GeneratorFixture.h"

#include <QDir>
#include <QFile>
#include <QMap>

#include <functional>

#include <gtest/gtest.h>

using namespace gentest;

namespace {

class GenerationRun : public ::testing::Test {
protected:
    GeneratorFolders folders;
    GenerationLog log;
    WizardChoices choices = exampleChoices(folders.destination(), folders.stylesheet());
    // The number of log lines present each time the stage changed.
    QList<QPair<int, qsizetype>> stageChanges;

    void SetUp() override
    {
        QObject::connect(&log, &GenerationLog::stageChanged,
                         [this](int stage) { stageChanges.append({stage, log.Lines().size()}); });
    }
    GenerationResult generate()
    {
        phpCreator creator(folders.programFolder(), log);
        return creator.Generate(choices);
    }
    void expectTemplatesCopied()
    {
        for (const QString& name : templateNames())
            EXPECT_EQ(readFile(folders.destinationFile(name)), folders.templateBytes(name)) << name.toStdString();
    }
};

QStringList withWarningAfter(QStringList lines, const QString& line, const QString& warningStart)
{
    lines.insert(lines.indexOf(line) + 1, warningStart);
    return lines;
}

}  // namespace

TEST_F(GenerationRun, CleanRunLogsEveryStepCopiesEveryByteAndWritesBothScripts)
{
    const GenerationResult result = generate();
    EXPECT_TRUE(result.Succeeded);
    EXPECT_TRUE(result.Warnings.isEmpty());
    EXPECT_EQ(log.Lines(), cleanRunLines(true));
    EXPECT_EQ(log.GenerationStage(), 3);
    // Each stage is counted after its announcing line, right before its completion line.
    const QList<QPair<int, qsizetype>> expectedStages{{1, 19}, {2, 21}, {3, 24}};
    EXPECT_EQ(stageChanges, expectedStages);

    expectTemplatesCopied();
    EXPECT_EQ(readFile(folders.destinationFile(QStringLiteral("site.css"))), readFile(folders.stylesheet()));
    EXPECT_TRUE(readFile(folders.destinationFile(QStringLiteral("database.php"))).startsWith("<?php\r\n$db = "));
    EXPECT_TRUE(readFile(folders.destinationFile(QStringLiteral("config.php"))).contains("\r\n$CSS = \"site.css\";\r\n?>\r\n"));
    EXPECT_EQ(QDir(folders.destination()).entryList(QDir::Files).size(), 20);
}

TEST_F(GenerationRun, SecondRunAppendsItsLinesAndReplacesEveryFile)
{
    ASSERT_TRUE(generate().Succeeded);
    // Stale files in the destination: the run must replace them whole.
    QFile::remove(folders.destinationFile(QStringLiteral("add.php")));
    {
        QFile stale(folders.destinationFile(QStringLiteral("add.php")));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("stale add.php, much longer than the template it stands for .................");
        QFile config(folders.destinationFile(QStringLiteral("config.php")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write("stale");
    }
    choices.Options.RecordsPerPage = 25;

    const GenerationResult second = generate();
    EXPECT_TRUE(second.Succeeded);
    EXPECT_EQ(log.Lines(), cleanRunLines(true) + cleanRunLines(true));
    expectTemplatesCopied();
    EXPECT_TRUE(readFile(folders.destinationFile(QStringLiteral("config.php"))).contains("\r\n$RecsPerPage = 25;\r\n"));
}

TEST_F(GenerationRun, EmptyStylesheetPathCopiesNoStylesheet)
{
    choices.Appearance.StylesheetPath.clear();
    EXPECT_TRUE(generate().Succeeded);
    EXPECT_EQ(log.Lines(), cleanRunLines(false));
    EXPECT_EQ(QDir(folders.destination()).entryList(QDir::Files).size(), 19);
}

TEST_F(GenerationRun, StylesheetPathWithoutSeparatorIsLoggedAndWarned)
{
    choices.Appearance.StylesheetPath = QStringLiteral("site.css");
    const GenerationResult result = generate();
    EXPECT_TRUE(result.Succeeded);
    ASSERT_EQ(result.Warnings.size(), 1);
    EXPECT_TRUE(result.Warnings[0].startsWith(QStringLiteral("Warning: could not copy site.css to ")));
    EXPECT_EQ(log.Lines(), withWarningAfter(cleanRunLines(true), QStringLiteral("Copying CSS..."), result.Warnings[0]));
    EXPECT_TRUE(readFile(folders.destinationFile(QStringLiteral("config.php"))).contains("\r\n$CSS = \"\";\r\n"));
}

TEST_F(GenerationRun, MissingTemplateIsNamedAfterItsLineAndTheRunCompletes)
{
    ASSERT_TRUE(QFile::remove(folders.templateFile(QStringLiteral("view.php"))));
    const GenerationResult result = generate();
    EXPECT_TRUE(result.Succeeded);
    ASSERT_EQ(result.Warnings.size(), 1);
    const QString& warning = result.Warnings[0];
    EXPECT_EQ(warning, QStringLiteral("Warning: could not copy %1 to %2: No such file or directory")
                           .arg(QDir::cleanPath(folders.templateFile(QStringLiteral("view.php"))),
                                QDir::cleanPath(folders.destinationFile(QStringLiteral("view.php")))));
    EXPECT_EQ(log.Lines(), withWarningAfter(cleanRunLines(true), QStringLiteral("Copying \\view.php..."), warning));
    EXPECT_FALSE(QFile::exists(folders.destinationFile(QStringLiteral("view.php"))));
    EXPECT_EQ(readFile(folders.destinationFile(QStringLiteral("advview.php"))),
              folders.templateBytes(QStringLiteral("advview.php")));
    EXPECT_EQ(log.GenerationStage(), 3);
}

TEST_F(GenerationRun, MissingDestinationStopsAtTheFirstTemplate)
{
    const QString absent = folders.destinationFile(QStringLiteral("absent"));
    choices.DestinationFolder = absent + QStringLiteral("/");
    const GenerationResult result = generate();
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.FailedFile, absent + QStringLiteral("/add.php"));
    EXPECT_FALSE(result.Reason.isEmpty());
    EXPECT_EQ(log.GenerationStage(), 0);
    EXPECT_TRUE(result.Warnings.isEmpty());
    EXPECT_EQ(log.Lines(), QStringList{QStringLiteral("Copying \\add.php...")});
    EXPECT_FALSE(QFile::exists(absent));
}

// A full disk: every file of the earlier run stays byte for byte, and the run fails instead of
// reporting a success over empty files.
TEST_F(GenerationRun, AFullDiskFailsTheRunAndLeavesEveryEarlierFileAsItWas)
{
    qmtest::FullDisk disk;
    choices.DestinationFolder = disk.path() + QStringLiteral("/");
    ASSERT_TRUE(generate().Succeeded);
    QMap<QString, QByteArray> earlier;
    for (const QString& name : QDir(disk.path()).entryList(QDir::Files))
        earlier.insert(name, readFile(disk.file(name)));
    ASSERT_EQ(earlier.size(), 20);
    const qsizetype firstRun = log.Lines().size();
    choices.Options.RecordsPerPage = 25;
    choices.Connection.Password = QStringLiteral("changed");

    disk.fill();
    const GenerationResult result = generate();
    disk.release();

    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.FailedFile, QDir::cleanPath(disk.file(QStringLiteral("add.php"))));
    EXPECT_FALSE(result.Reason.isEmpty());
    EXPECT_EQ(log.Lines().mid(firstRun), QStringList{QStringLiteral("Copying \\add.php...")});
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files), earlier.keys());
    for (auto it = earlier.cbegin(); it != earlier.cend(); ++it)
        EXPECT_EQ(readFile(disk.file(it.key())), it.value()) << it.key().toStdString();

    // The two scripts on their own fail the same way.
    GenerationLog quiet;
    const phpCreator creator(folders.programFolder(), quiet);
    disk.fill();
    const WriteOutcome database = creator.WriteDatabaseScript(choices);
    const WriteOutcome config = creator.WriteConfigScript(choices);
    disk.release();
    EXPECT_FALSE(database.Ok());
    EXPECT_FALSE(config.Ok());
    EXPECT_EQ(readFile(disk.file(QStringLiteral("database.php"))), earlier.value(QStringLiteral("database.php")));
    EXPECT_EQ(readFile(disk.file(QStringLiteral("config.php"))), earlier.value(QStringLiteral("config.php")));
}

// config.php keeps its format; a name it cannot carry exactly is a warning line after
// "Parsing data..." and counts as a warning of the run.
TEST_F(GenerationRun, NamesConfigCannotCarryAreWarned)
{
    const QString cannot = QStringLiteral("Warning: config.php cannot represent ");
    struct Case {
        const char* what;
        std::function<void(WizardChoices&)> change;
        QStringList warnings;
    };
    auto name = [](WizardChoices& c) -> ChosenField& { return c.SelectedTables[0].ChosenFields[1]; };
    auto addTable = [](WizardChoices& c, const QString& table) {
        ChosenField f;
        f.Name = QStringLiteral("c");
        c.SelectedTables.append(SelectedTable{table, {f}});
    };
    const Case cases[] = {
        {"plain lookup", [&](WizardChoices& c) { name(c).LookupTarget = QStringLiteral("customers.id"); }, {}},
        {"@ in a column", [&](WizardChoices& c) { name(c).Name = QStringLiteral("a@b"); },
         {cannot + QStringLiteral("the column name \"a@b\" of table \"customers\" exactly: "
                                  "\"@\" separates the column names in $Tables.")}},
        {"; in a looked-up column",
         [&](WizardChoices& c) {
             name(c).Name = QStringLiteral("x;y");
             name(c).LookupTarget = QStringLiteral("customers.id");
         },
         {cannot + QStringLiteral("the lookup \"customers.id\" of column \"x;y\" in table \"customers\" exactly: "
                                  "\";\" ends each lookup entry in $FKInfo.")}},
        {"; in a lookup", [&](WizardChoices& c) { name(c).LookupTarget = QStringLiteral("customers.i;d"); },
         {cannot + QStringLiteral("the lookup \"customers.i;d\" of column \"name\" in table \"customers\" exactly: "
                                  "\";\" ends each lookup entry in $FKInfo.")}},
        {"@-> in a looked-up column",
         [&](WizardChoices& c) {
             name(c).Name = QStringLiteral("n@->m");
             name(c).LookupTarget = QStringLiteral("customers.id");
         },
         {cannot + QStringLiteral("the column name \"n@->m\" of table \"customers\" exactly: "
                                  "\"@\" separates the column names in $Tables."),
          cannot + QStringLiteral("the lookup \"customers.id\" of column \"n@->m\" in table \"customers\" exactly: "
                                  "\"@->\" separates a column from its lookup in $FKInfo.")}},
        // "customers.x.y": table customers.x, column y, or table customers, column x.y?
        {"dotted names told apart by the parent table",
         [&](WizardChoices& c) {
             addTable(c, QStringLiteral("customers.x"));
             name(c).LookupTarget = QStringLiteral("customers.x.y");
             name(c).ParentTable = QStringLiteral("customers");
         },
         {}},
        {"dotted names the page splits elsewhere",
         [&](WizardChoices& c) {
             addTable(c, QStringLiteral("customers.x"));
             name(c).LookupTarget = QStringLiteral("customers.x.y");
             name(c).ParentTable = QStringLiteral("customers.x");
         },
         {cannot + QStringLiteral("the lookup \"customers.x.y\" of column \"name\" in table \"customers\" exactly: "
                                  "its table name and column name cannot be told apart.")}},
        {"dotted names without a parent table",
         [&](WizardChoices& c) {
             addTable(c, QStringLiteral("customers.x"));
             name(c).LookupTarget = QStringLiteral("customers.x.y");
         },
         {cannot + QStringLiteral("the lookup \"customers.x.y\" of column \"name\" in table \"customers\" exactly: "
                                  "its table name and column name cannot be told apart.")}},
        {"a dotted column of the one table it can be", [&](WizardChoices& c) {
             name(c).LookupTarget = QStringLiteral("customers.e.mail"); }, {}},
        {"a character the file's encoding lacks",
         [&](WizardChoices& c) { c.SelectedTables[0].TableName = QStringLiteral("t") + QChar(0xD800); },
         {cannot + QStringLiteral("the table name \"t") + QChar(0xD800)
          + QStringLiteral("\" exactly: the system's 8-bit encoding lacks some of its characters.")}},
    };
    const WizardChoices plain = choices;
    for (const Case& c : cases) {
        choices = plain;
        c.change(choices);
        const qsizetype before = log.Lines().size();
        const GenerationResult result = generate();
        EXPECT_TRUE(result.Succeeded) << c.what;
        EXPECT_TRUE(result.Warnings.isEmpty()) << c.what;
        EXPECT_EQ(result.NameWarnings, c.warnings) << c.what;
        QStringList expected = cleanRunLines(true);
        for (qsizetype i = 0; i < c.warnings.size(); ++i)
            expected.insert(expected.indexOf(QStringLiteral("Parsing data...")) + 1 + i, c.warnings[i]);
        EXPECT_EQ(log.Lines().mid(before), expected) << c.what;
    }
}

TEST_F(GenerationRun, ReadOnlyConfigScriptStopsTheRunAtStageTwo)
{
    const QString config = folders.destinationFile(QStringLiteral("config.php"));
    {
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("kept");
    }
    QFile::setPermissions(config, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);

    const GenerationResult result = generate();
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.FailedFile, QDir::cleanPath(config));
    EXPECT_EQ(result.Reason, QStringLiteral("the file is read-only"));
    EXPECT_EQ(log.GenerationStage(), 2);
    QStringList expected = cleanRunLines(true);
    expected.resize(expected.indexOf(QStringLiteral("Database file created successfully.")) + 1);
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_EQ(readFile(config), QByteArrayLiteral("kept"));
    EXPECT_TRUE(readFile(folders.destinationFile(QStringLiteral("database.php"))).startsWith("<?php\r\n"));
}

TEST_F(GenerationRun, EmptyDestinationWritesNothing)
{
    choices.DestinationFolder.clear();
    const GenerationResult result = generate();
    EXPECT_FALSE(result.Succeeded);
    EXPECT_TRUE(log.Lines().isEmpty());
    EXPECT_EQ(log.GenerationStage(), 0);
    EXPECT_FALSE(QFile::exists(QStringLiteral("/database.php")));
}

// Regenerating into a site's folder: files the owner changed are listed before the run and kept
// as "<name>.bak" when replaced; files the generator does not write are never touched.
TEST_F(GenerationRun, ChangedFilesAreListedAndKeptAsBackupsOwnFilesAreLeftAlone)
{
    ASSERT_TRUE(generate().Succeeded);
    const phpCreator creator(folders.programFolder(), log);
    EXPECT_EQ(creator.FilesToReplace(choices), QStringList());

    const QString config = folders.destinationFile(QStringLiteral("config.php"));
    const QString index = folders.destinationFile(QStringLiteral("index.php"));
    const QString notes = folders.destinationFile(QStringLiteral("notes.txt"));
    const QByteArray generatedConfig = readFile(config);
    for (const auto& [path, bytes] : {std::pair{config, QByteArray("<?php // edited ?>")},
                                      std::pair{index, QByteArray("edited index")},
                                      std::pair{notes, QByteArray("the owner's notes")}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    const QStringList changed{QDir::cleanPath(index), QDir::cleanPath(config)};
    EXPECT_EQ(creator.FilesToReplace(choices), changed);

    // A copy that cannot be kept (a folder in its place) leaves the file as the owner left it.
    ASSERT_TRUE(QDir(folders.destination()).mkdir(QStringLiteral("config.php.bak")));
    const GenerationResult refused = generate();
    EXPECT_FALSE(refused.Succeeded);
    EXPECT_EQ(refused.FailedFile, QDir::cleanPath(config));
    EXPECT_TRUE(refused.Reason.startsWith(QStringLiteral("could not keep a copy of it as ")));
    EXPECT_EQ(readFile(config), QByteArray("<?php // edited ?>"));
    ASSERT_TRUE(QDir(folders.destination()).rmdir(QStringLiteral("config.php.bak")));

    const GenerationResult result = generate();
    EXPECT_TRUE(result.Succeeded);
    EXPECT_EQ(result.Replaced, QStringList{QDir::cleanPath(config)});
    EXPECT_EQ(readFile(config + QStringLiteral(".bak")), QByteArray("<?php // edited ?>"));
    EXPECT_EQ(readFile(index + QStringLiteral(".bak")), QByteArray("edited index"));
    EXPECT_EQ(readFile(config), generatedConfig);
    EXPECT_EQ(readFile(notes), QByteArray("the owner's notes"));
    EXPECT_FALSE(QFile::exists(folders.destinationFile(QStringLiteral("database.php.bak"))));
    EXPECT_TRUE(generate().Replaced.isEmpty());
}
