// Whole generation runs into temporary folders: the log, the stage counter, copied files, stops.
#include "GeneratorFixture.h"

#include <QDir>
#include <QFile>

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

TEST_F(GenerationRun, MissingDestinationStopsAtTheDatabaseScript)
{
    const QString absent = folders.destinationFile(QStringLiteral("absent"));
    choices.DestinationFolder = absent + QStringLiteral("/");
    const GenerationResult result = generate();
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.FailedFile, absent + QStringLiteral("/database.php"));
    EXPECT_FALSE(result.Reason.isEmpty());
    EXPECT_EQ(log.GenerationStage(), 1);
    // Every copy failed and says so; the log ends with the first stage's completion line.
    EXPECT_EQ(result.Warnings.size(), 18);
    const QStringList& lines = log.Lines();
    ASSERT_EQ(lines.size(), 18 * 2 + 2);
    EXPECT_EQ(lines.mid(lines.size() - 2),
              (QStringList{QStringLiteral("Copying Templates..."), QStringLiteral("Templates copied successfully.")}));
    for (qsizetype i = 0; i < 18; ++i)
        EXPECT_EQ(lines[2 * i + 1], result.Warnings[i]);
    EXPECT_FALSE(QFile::exists(absent));
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
