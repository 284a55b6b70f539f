// The wizard by keyboard against the private server: the Tab order of every step, Enter for Next,
// Escape for Cancel and the access keys of the buttons.
#include "TestFolders.h"
#include "WizardDriver.h"
#include "controls/GlyphButton.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

class Keyboard : public ::testing::Test {
protected:
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard{folder.path()};
    WizardDriver ui{wizard, dialogs};
    ScratchDatabase db{QStringLiteral("keyboard")};

    void SetUp() override
    {
        wizard.show();
        wizard.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&wizard));
        db.exec({QStringLiteral("CREATE TABLE a (x INT)")});
    }
    static void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }
    // The object names of the controls Tab visits, from the first after Cancel round to Cancel.
    QStringList tabChain()
    {
        ui.get("cmdCancel")->setFocus();
        QStringList chain;
        do {
            press(Qt::Key_Tab);
            chain << QApplication::focusWidget()->objectName();
        } while (chain.last() != QStringLiteral("cmdCancel") && chain.size() < 40);
        return chain;
    }
};

}  // namespace

TEST_F(Keyboard, TabVisitsEveryStepInOrderThenTheButtons)
{
    const QStringList buttons = {"cmdHelp", "cmdPrevious", "cmdNext", "cmdCancel"};
    const QStringList steps[] = {
        {"cmbConnType", "txtport", "txtUsername", "txtPassword", "cmbDBSelect", "Command1", "cmbSaved", "cmdOpenSite"},
        {"lstAvTables", "cmdAppendTables", "cmdRemoveTables", "cAllToright", "cAllToLeft", "lstSelTables"},
        {"trvFields", "cSelAll", "cSelNone"},
        {"chkAddRecords", "chkEditRecords", "chkDeleteRecords", "chkViewRecords", "chkSearchRecords", "chkFK",
         "cmdinfo1", "chkPHPValidate", "cmbSplitter"},
        // The empty parent-field list tells what it is for and lets the focus go on.
        {"trvValidate", "chkNulls", "chkCharacterCheck", "chkLimits", "cmdhelpParent"},
        {"chkReqLogin"},
        {"cmbStyles", "txtcss", "cmdcssSelect", "Command2", "cCssEditor"},
        {"txtDestination", "cmdDestBrowse", "lstLog"},
    };
    for (int step = 1; step <= 8; ++step) {
        SCOPED_TRACE(step);
        ASSERT_EQ(ui.step(), step);
        // Preview is there to press once a table is chosen, from step 3 on.
        QStringList row = buttons;
        if (step >= 3)
            row.insert(1, QStringLiteral("cmdPreview"));
        EXPECT_EQ(tabChain(), steps[step - 1] + row);
        switch (step) {
        case 1:
            ui.leaveConnectionStep(db.name());
            break;
        case 2:
            ui.chooseTables({QStringLiteral("a")});
            break;
        case 8:
            break;
        default:
            ui.next();
        }
    }
}

// Enter presses Next unless the focus is on another push button, which it presses instead;
// Escape asks what Cancel asks; Alt+B and Alt+N are Back and Next.
TEST_F(Keyboard, EnterEscapeAndAccessKeysPressTheirButtons)
{
    ui.reachFieldStep(db.name(), {QStringLiteral("a")});
    struct Case {
        const char* focus;
        int key;
        Qt::KeyboardModifiers modifiers;
        int step;
        const char* shown;  // the message or window the key brought up, if any
    };
    const Case cases[] = {
        {"trvFields", Qt::Key_Return, Qt::NoModifier, 4, ""},
        {"chkAddRecords", Qt::Key_B, Qt::AltModifier, 3, ""},
        {"cSelAll", Qt::Key_N, Qt::AltModifier, 4, ""},
        {"cmbSplitter", Qt::Key_Enter, Qt::KeypadModifier, 5, ""},
        {"chkNulls", Qt::Key_Escape, Qt::NoModifier, 5, "Are you sure?"},
        {"cmdhelpParent", Qt::Key_Return, Qt::NoModifier, 5, "frmHelp"},
        {"chkNulls", Qt::Key_Return, Qt::NoModifier, 6, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.focus << " key " << c.key);
        dialogs.clear();
        if (c.key == Qt::Key_Escape)
            dialogs.answers.push_back(MessageAnswer::No);
        // A modal window shown before leaves no window active.
        wizard.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&wizard));
        ui.get(c.focus)->setFocus();
        press(c.key, c.modifiers);
        // The frame's buttons answer Enter and Escape with an animated, so later, click.
        const QStringList shown = *c.shown ? QStringList{QString::fromLatin1(c.shown)} : QStringList{};
        (void)QTest::qWaitFor([&] { return ui.step() == c.step && dialogs.texts() + dialogs.modals == shown; });
        EXPECT_EQ(ui.step(), c.step);
        EXPECT_EQ(dialogs.texts() + dialogs.modals, shown);
        EXPECT_TRUE(wizard.isVisible());
    }
}

// The buttons' captions stay plain words, but each draws its access key's letter underlined, just
// as a caption marked with "&" would be drawn.
TEST_F(Keyboard, AccessKeysAreUnderlinedOnTheirButtons)
{
    const std::pair<const char*, const char*> buttons[] = {
        {"cmdNext", "&Next"}, {"cmdPrevious", "A&bout"}, {"cmdHelp", "&Help"}};
    for (const auto& [name, marked] : buttons) {
        SCOPED_TRACE(name);
        auto* button = ui.get<GlyphButton>(name);
        const QString caption = button->text();
        EXPECT_EQ(caption, QString::fromLatin1(marked).remove(u'&'));
        const QImage drawn = button->faceImage(0);
        button->setText(QString::fromLatin1(marked));
        EXPECT_EQ(drawn, button->faceImage(0));
        button->setText(caption);
        const QChar key = button->ownerAccessKey();
        button->setOwnerAccessKey(QChar());
        EXPECT_NE(drawn, button->faceImage(0));
        button->setOwnerAccessKey(key);
    }
}
