// Next and Back through all eight steps against the private server: captions, panels, the step-7
// back rule, the skipped validation step, and what each step refills on entry.
#include "TestFolders.h"
#include "WizardDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

class Navigation : public ::testing::Test {
protected:
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard{folder.path()};
    WizardDriver ui{wizard, dialogs};
    ScratchDatabase db{QStringLiteral("navigation")};

    void SetUp() override
    {
        wizard.show();
        db.exec({QStringLiteral("CREATE TABLE a (x INT)")});
    }
    void reachOptions()
    {
        ui.reachFieldStep(db.name(), {QStringLiteral("a")});
        ui.next();
        ASSERT_EQ(ui.step(), 4);
    }
    QString title() { return ui.get<QLabel>("lblStepInfo")->text(); }
    // With QM_SCREENSHOT_DIR set, keeps a picture of the window for a person to look at.
    void screenshot(int step)
    {
        const QString dir = qEnvironmentVariable("QM_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            wizard.grab().save(QStringLiteral("%1/wizard-step%2.png").arg(dir).arg(step));
    }
    QString caption(const char* button) { return ui.get<QPushButton>(button)->text(); }
    void check(const char* box, bool on) { ui.get<QCheckBox>(box)->setChecked(on); }
};

}  // namespace

TEST_F(Navigation, ForwardToGenerateAndBackToTheStart)
{
    reachOptions();
    const char* titles[] = {"", "Connection", "Table Selection", "Fields Selection", "General Options",
                            "Fields Validation", "Security", "Appearance", "Generate"};
    for (int step = 4; step <= 8; ++step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(ui.step(), step);
        EXPECT_EQ(title(), QString::fromLatin1(titles[step]));
        EXPECT_EQ(ui.visiblePanel(), step);
        EXPECT_EQ(caption("cmdPrevious"), QStringLiteral("Back"));
        EXPECT_EQ(caption("cmdNext"), step == 8 ? QStringLiteral("Generate") : QStringLiteral("Next"));
        EXPECT_EQ(wizard.HelpContext(), step);
        screenshot(step);
        if (step < 8)
            ui.next();
    }
    for (int step = 7; step >= 1; --step) {
        ui.back();
        SCOPED_TRACE(step);
        EXPECT_EQ(ui.step(), step);
        EXPECT_EQ(title(), QString::fromLatin1(titles[step]));
        EXPECT_EQ(ui.visiblePanel(), step);
        // Back leaves the help context where Next put it.
        EXPECT_EQ(wizard.HelpContext(), 8);
        if (step <= 3)
            screenshot(step);
    }
    EXPECT_EQ(caption("cmdPrevious"), QStringLiteral("About"));
    EXPECT_EQ(caption("cmdNext"), QStringLiteral("Next"));
}

TEST_F(Navigation, BackFromAppearanceSkipsSecurityWhenNeitherAddingNorEditing)
{
    reachOptions();
    check("chkAddRecords", false);
    check("chkEditRecords", false);
    ui.next();
    ui.next();
    ui.next();
    ASSERT_EQ(ui.step(), 7);
    ui.back();
    EXPECT_EQ(ui.step(), 5);
    EXPECT_EQ(title(), QStringLiteral("Fields Validation"));

    // With editing allowed, Back goes to 6 as usual.
    ui.back();
    check("chkEditRecords", true);
    ui.next();
    ui.next();
    ui.next();
    ASSERT_EQ(ui.step(), 7);
    ui.back();
    EXPECT_EQ(ui.step(), 6);
}

TEST_F(Navigation, WithoutValidationTheSecurityPanelStandsInForStep5)
{
    reachOptions();
    check("chkPHPValidate", false);
    check("chkFK", false);
    ui.next();
    EXPECT_EQ(ui.step(), 5);
    EXPECT_EQ(title(), QStringLiteral("Fields Validation"));
    EXPECT_EQ(ui.visiblePanel(), 6);
    EXPECT_EQ(ui.get<QLineEdit>("txtUsername7")->text(), sandboxServer().user);
    EXPECT_EQ(ui.get<QLineEdit>("txtPassword7")->text(), sandboxServer().password);
    // AllowNulls is left as the records were created: the validation step never ran.
    EXPECT_EQ(wizard.Choices().SelectedTables[0].ChosenFields[0].AllowNulls, 0);
    ui.next();
    EXPECT_EQ(ui.step(), 6);
    EXPECT_EQ(title(), QStringLiteral("Security"));
    EXPECT_EQ(ui.visiblePanel(), 6);
}

// The login boxes follow the connection while "Use Current Connection Settings" is checked and
// otherwise keep the typed login, whichever way the step is entered.
TEST_F(Navigation, SecurityBoxesFollowTheConnectionOrKeepTheTypedLogin)
{
    reachOptions();
    ui.next();
    ui.next();
    ASSERT_EQ(ui.step(), 6);
    check("chkReqLogin", true);
    check("chkUseCurrent", false);
    ui.type("txtUsername7", QStringLiteral("admin"));
    ui.type("txtPassword7", QStringLiteral("s3cret"));
    ui.next();
    EXPECT_EQ(wizard.Choices().Security.AdminUser, QStringLiteral("admin"));
    EXPECT_EQ(wizard.Choices().Security.AdminPassword, QStringLiteral("s3cret"));
    ui.back();
    EXPECT_EQ(ui.get<QLineEdit>("txtUsername7")->text(), QStringLiteral("admin"));
    ui.back();
    ui.next();
    EXPECT_EQ(ui.get<QLineEdit>("txtUsername7")->text(), QStringLiteral("admin"));
    EXPECT_EQ(ui.get<QLineEdit>("txtPassword7")->text(), QStringLiteral("s3cret"));

    // Login no longer required, then required again after coming back: the connection's login.
    check("chkReqLogin", false);
    check("chkUseCurrent", true);
    ui.next();
    ui.back();
    check("chkReqLogin", true);
    EXPECT_EQ(ui.get<QLineEdit>("txtUsername7")->text(), sandboxServer().user);
    ui.next();
    EXPECT_EQ(wizard.Choices().Security.AdminUser, sandboxServer().user);
}

TEST_F(Navigation, AppearanceKeepsTheChosenStylesheetAndGenerateNeedsADestination)
{
    reachOptions();
    ui.next();
    ui.next();
    ui.next();
    ASSERT_EQ(ui.step(), 7);
    EXPECT_EQ(ui.get<QLineEdit>("txtcss")->text(), folder.path() + QStringLiteral("/default.css"));
    ui.type("txtcss", QStringLiteral("/elsewhere/x.css"));
    ui.back();
    ui.next();
    EXPECT_EQ(ui.get<QLineEdit>("txtcss")->text(), QStringLiteral("/elsewhere/x.css"));
    ui.next();
    EXPECT_EQ(wizard.Choices().Appearance.StylesheetPath, QStringLiteral("/elsewhere/x.css"));
    dialogs.clear();
    ui.next();
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("A destination must be selected before generation")});
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ui.step(), 8);
}

// Back to the start and forward again without changing anything keeps every choice: the tables,
// the field check marks, the option boxes and the rules.
TEST_F(Navigation, BackToTheStartAndForwardAgainKeepsEveryChoice)
{
    db.exec({QStringLiteral("CREATE TABLE b (p INT, q INT)")});
    ui.reachFieldStep(db.name(), {QStringLiteral("a"), QStringLiteral("b")});
    auto fieldNode = [this](const QString& column) {
        for (QTreeWidgetItem* node : wizard.FieldNodeList()) {
            if (node->text(0) == column && node->childCount() == 0)
                return node;
        }
        return static_cast<QTreeWidgetItem*>(nullptr);
    };
    fieldNode(QStringLiteral("q"))->setCheckState(0, Qt::Unchecked);
    ui.next();
    check("chkDeleteRecords", false);
    ui.next();
    ASSERT_EQ(ui.step(), 5);
    auto* tree = ui.get<QTreeWidget>("trvValidate");
    QTreeWidgetItem* x = wizard.ValidationNodeList().last();  // b.p, the last chosen field
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(x).center());
    check("chkNulls", false);
    ASSERT_EQ(wizard.Choices().SelectedTables[1].ChosenFields[0].AllowNulls, 0);

    while (ui.step() > 1)
        ui.back();
    dialogs.clear();
    dialogs.answers = {MessageAnswer::No, MessageAnswer::No};  // whether or not saving is offered
    for (int i = 0; i < 4; ++i)
        ui.next();
    ASSERT_EQ(ui.step(), 5);
    for (const RecordedMessage& m : dialogs.messages)
        EXPECT_EQ(m.icon, MessageIcon::Question) << "nothing was reset: " << m.text.toStdString();
    EXPECT_EQ(fieldNode(QStringLiteral("q"))->checkState(0), Qt::Unchecked);
    EXPECT_EQ(fieldNode(QStringLiteral("p"))->checkState(0), Qt::Checked);
    EXPECT_FALSE(ui.get<QCheckBox>("chkDeleteRecords")->isChecked());
    EXPECT_FALSE(wizard.Choices().Options.AllowDelete);
    const auto& tables = wizard.Choices().SelectedTables;
    ASSERT_EQ(tables.size(), 2);
    ASSERT_EQ(tables[1].ChosenFields.size(), 1);
    EXPECT_EQ(tables[1].ChosenFields[0].AllowNulls, 0);
    EXPECT_EQ(tables[0].ChosenFields[0].AllowNulls, 1);
}
