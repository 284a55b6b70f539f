// Generate on the wizard's last step: the progress window, the log list, and what the user is told.
#include "DialogRecorder.h"
#include "GeneratorFixture.h"
#include "WizardDriver.h"
#include "wizard/frmProgress.h"
#include "wizard/frmWizard.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace gentest;
using qmtest::DialogRecorder;
using qmtest::ScratchDatabase;
using qmtest::WizardDriver;

namespace {

class GenerateStep : public ::testing::Test {
protected:
    GeneratorFolders folders;
    DialogRecorder dialogs;
    frmWizard wizard{folders.programFolder()};
    WizardDriver ui{wizard, dialogs};
    ScratchDatabase db{QStringLiteral("progress")};

    void SetUp() override { wizard.show(); }

    // Goes through steps 1 to 7 choosing the worked example: table customers with the columns id
    // and `column`, the options add, edit, delete, view and search with PHP validation and 10
    // records a page, no rules, no login, the stylesheet site.css; on step 8 types the destination.
    void reachGenerateStep(const QString& column = QStringLiteral("name"))
    {
        db.exec({QStringLiteral("CREATE TABLE customers (id INT, `%1` VARCHAR(40))").arg(column)});
        ui.reachFieldStep(db.name(), {QStringLiteral("customers")});
        ui.next();
        for (const char* option : {"chkAddRecords", "chkEditRecords", "chkDeleteRecords", "chkViewRecords",
                                   "chkSearchRecords", "chkPHPValidate"})
            ui.get<QCheckBox>(option)->setChecked(true);
        ui.type("cmbSplitter", QStringLiteral("10"));
        ui.next();
        ui.next();
        ui.next();
        ui.type("txtcss", folders.stylesheet());
        ui.next();
        ASSERT_EQ(ui.step(), 8) << dialogs.texts().join(" | ").toStdString();
        ui.type("txtDestination", folders.destination());
        dialogs.clear();
    }
    QString succeeded() const { return QStringLiteral("Scripts created successfully in ") + folders.destination(); }
    void generate()
    {
        auto* next = wizard.findChild<QPushButton*>(QStringLiteral("cmdNext"));
        ASSERT_NE(next, nullptr);
        ASSERT_EQ(next->text(), QStringLiteral("Generate"));
        QTest::mouseClick(next, Qt::LeftButton);
    }
    QStringList logList() const
    {
        QStringList items;
        const auto* list = wizard.findChild<QListWidget*>(QStringLiteral("lstLog"));
        for (int i = 0; list && i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
};

struct ProgressSeen {
    QString title, frame, text;
    int minimum = -1, maximum = -1, before = -1, after = -1;
    bool visibleAfter = true;
};

}  // namespace

TEST_F(GenerateStep, ProgressWindowRunsTheGeneratorShowsStageThreeAndCloses)
{
    reachGenerateStep();
    ProgressSeen seen;
    dialogs.modalHandlers.insert(QStringLiteral("frmProgress"), [&](QDialog& d) {
        d.show();
        auto* bar = d.findChild<QProgressBar*>(QStringLiteral("pb1"));
        seen.title = d.windowTitle();
        seen.frame = d.findChild<QGroupBox*>()->title();
        seen.text = d.findChild<QLabel*>()->text();
        seen.minimum = bar->minimum();
        seen.maximum = bar->maximum();
        seen.before = bar->value();
        QCoreApplication::processEvents();
        seen.after = bar->value();
        seen.visibleAfter = d.isVisible();
        return d.result();
    });
    generate();

    EXPECT_EQ(seen.title, QStringLiteral("Please Wait..."));
    EXPECT_EQ(seen.frame, QStringLiteral("Current Progress:"));
    EXPECT_EQ(seen.text, QStringLiteral("Creating PHP Scripts..."));
    EXPECT_EQ(seen.minimum, 0);
    EXPECT_EQ(seen.maximum, 3);
    EXPECT_EQ(seen.before, 0);
    EXPECT_EQ(seen.after, 3);
    EXPECT_FALSE(seen.visibleAfter);

    EXPECT_EQ(dialogs.modals, QStringList{QStringLiteral("frmProgress")});
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, succeeded());
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(logList(), cleanRunLines(true));
    EXPECT_EQ(wizard.Choices().CurrentStep, 8);
    EXPECT_TRUE(QFile::exists(folders.destinationFile(QStringLiteral("config.php"))));
}

TEST_F(GenerateStep, GeneratingTwiceListsBothRuns)
{
    reachGenerateStep();
    generate();
    generate();
    EXPECT_EQ(logList(), cleanRunLines(true) + cleanRunLines(true));
    EXPECT_EQ(dialogs.texts(), (QStringList{succeeded(), succeeded()}));
}

TEST_F(GenerateStep, FilesThatWereNotCopiedAndNamesConfigCannotCarryAreCountedInsteadOfClaimingSuccess)
{
    reachGenerateStep(QStringLiteral("a@b"));
    QFile::remove(folders.templateFile(QStringLiteral("up.gif")));
    QFile::remove(folders.templateFile(QStringLiteral("down.gif")));
    generate();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Scripts created with 3 warnings: the log lists them."));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
    const QStringList lines = logList();
    ASSERT_EQ(lines.size(), cleanRunLines(true).size() + 3);
    EXPECT_TRUE(lines[lines.indexOf(QStringLiteral("Parsing data...")) + 1].contains(QStringLiteral("\"a@b\"")));
    EXPECT_TRUE(lines[lines.indexOf(QStringLiteral("Copying \\up.gif...")) + 1].contains(QStringLiteral("/up.gif")));
    EXPECT_TRUE(lines[lines.indexOf(QStringLiteral("Copying \\down.gif...")) + 1].contains(QStringLiteral("/down.gif")));
}

TEST_F(GenerateStep, AScriptThatCannotBeWrittenClosesTheWindowAtOnceAndIsNamed)
{
    reachGenerateStep();
    // A folder stands where database.php is to be written.
    ASSERT_TRUE(QDir().mkpath(folders.destinationFile(QStringLiteral("database.php"))));
    int result = -1;
    dialogs.modalHandlers.insert(QStringLiteral("frmProgress"), [&](QDialog& d) {
        d.show();
        QCoreApplication::processEvents();
        EXPECT_FALSE(d.isVisible());
        result = d.result();
        return result;
    });
    generate();
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        QStringLiteral("The scripts were not created: %1 could not be written: ")
            .arg(folders.destinationFile(QStringLiteral("database.php")))));
    EXPECT_EQ(logList().last(), QStringLiteral("Templates copied successfully."));
}

// Escape or the close box while the run goes on must not end the window before the run does.
TEST(ProgressWindow, RefusesToCloseWhileTheRunGoesOn)
{
    GeneratorFolders folders;
    DialogRecorder dialogs;
    GenerationLog log;
    const WizardChoices choices = exampleChoices(folders.destination(), folders.stylesheet());
    frmProgress progress(choices, folders.programFolder(), log);
    int visibleWhileRunning = 0;
    QObject::connect(&log, &GenerationLog::lineAppended, &progress, [&] {
        progress.reject();
        progress.close();
        visibleWhileRunning += progress.isVisible() ? 1 : 0;
    });
    EXPECT_EQ(dialogs.exec(progress), QDialog::Accepted);
    EXPECT_TRUE(progress.HasRun());
    EXPECT_TRUE(progress.Result().Succeeded);
    EXPECT_EQ(visibleWhileRunning, cleanRunLines(true).size());
    EXPECT_EQ(log.GenerationStage(), 3);
}

// The run blocks the event loop; the window lets pending events through after every log line, so
// the log list repaints while the run goes on.
TEST(ProgressWindow, LetsPendingEventsThroughAfterEveryLogLine)
{
    GeneratorFolders folders;
    DialogRecorder dialogs;
    GenerationLog log;
    QList<qsizetype> linesAppendedBeforeDelivery;
    QObject::connect(&log, &GenerationLog::lineAppended, &log, [&] {
        const qsizetype lines = log.Lines().size();
        QMetaObject::invokeMethod(
            &log, [&, lines] { linesAppendedBeforeDelivery << log.Lines().size() - lines; }, Qt::QueuedConnection);
    });
    const WizardChoices choices = exampleChoices(folders.destination(), folders.stylesheet());
    frmProgress progress(choices, folders.programFolder(), log);
    EXPECT_EQ(dialogs.exec(progress), QDialog::Accepted);
    EXPECT_EQ(linesAppendedBeforeDelivery, QList<qsizetype>(cleanRunLines(true).size(), 0));
}
