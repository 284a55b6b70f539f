// The wizard's frame: the step table, the first step, and the ways out (Cancel, closing, About).
#include "DarkPalette.h"
#include "DialogRecorder.h"
#include "TestFolders.h"
#include "wizard/frmWizard.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using namespace qmtest;

namespace {

class WizardFrame : public ::testing::Test {
protected:
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard{folder.path()};

    void SetUp() override { wizard.show(); }

    template <typename T = QPushButton>
    T* control(const char* name)
    {
        T* c = wizard.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QString label(const char* name) { return control<QLabel>(name)->text(); }
    void click(const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    QList<int> visiblePanels()
    {
        QList<int> shown;
        for (QGroupBox* panel : wizard.findChildren<QGroupBox*>(QStringLiteral("frmStep1"))) {
            if (panel->isVisible())
                shown << panel->property("Index").toInt();
        }
        return shown;
    }
};

struct StepText {
    int step;
    const char* title;
    const char* description;
    const char* caption;
};

const StepText kStepTable[] = {
    {1, "Connection",
     "In this step MySQL server login data should be entered  to establish a local / remote "
     "connection to the target MySQL database.",
     "MySQL Connection Parameters:"},
    {2, "Table Selection", "In this step you should select tables, which you are planning to use .",
     "Please Select The Tables You Are Planning To Use:"},
    {3, "Fields Selection",
     "In this step you should select fields that you are planning to use from each selected table, "
     "if you want to include all fields just click next.",
     "Field Selection"},
    {4, "General Options", "In this step you should specify the options you would like to be applied .",
     "PHP Options:"},
    {5, "Fields Validation",
     "Field validation is an optional feature that will verify the contents of a field before they "
     "are sent to database, if you don't want to setup any validation rules just click next",
     "Fields"},
    {6, "Security",
     "The Security Options allows you to request user name and password when an user attempts to "
     "access your script.",
     "Security Options:"},
    {7, "Appearance",
     "Customize the appearance of the result script, To use the default *.css file just click Next",
     "Appearance Setup:"},
    {8, "Generate", "Click 'Generate' to start script generation", "Generate"},
};

}  // namespace

TEST_F(WizardFrame, OpensOnStep1WithAFreshRecord)
{
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Quillmere"));
    EXPECT_EQ(label("lblStepInfo"), QStringLiteral("Connection"));
    EXPECT_EQ(visiblePanels(), QList<int>{1});
    EXPECT_EQ(control("cmdPrevious")->text(), QStringLiteral("About"));
    EXPECT_EQ(control("cmdNext")->text(), QStringLiteral("Next"));
    EXPECT_EQ(control("cmdHelp")->text(), QStringLiteral("Help"));
    EXPECT_EQ(control("cmdCancel")->text(), QStringLiteral("Cancel"));

    const WizardChoices& c = wizard.Choices();
    EXPECT_EQ(c.CurrentStep, 1);
    EXPECT_EQ(c.Connection.Port, 3306);
    EXPECT_TRUE(c.Connection.ServerName.isEmpty());
    ASSERT_EQ(c.SelectedTables.size(), 1);
    EXPECT_TRUE(c.SelectedTables[0].TableName.isEmpty());
    EXPECT_TRUE(c.SelectedTables[0].ChosenFields.isEmpty());
    EXPECT_EQ(c.Options.RecordsPerPage, 0);
    EXPECT_FALSE(c.Options.AllowAdd || c.Options.AllowEdit || c.Options.PhpValidate);
    EXPECT_TRUE(c.DestinationFolder.isEmpty());
    EXPECT_TRUE(c.ExtraQueries.isEmpty());
    EXPECT_FALSE(wizard.Connected() || wizard.TablesStale() || wizard.OptionsFirstVisit()
                 || wizard.SavedConnectionPicked());
    EXPECT_EQ(wizard.HelpContext(), 1);
    EXPECT_EQ(wizard.HelpFile(), folder.path() + QStringLiteral("/Quillmere OnLine Help.qch"));
}

// The panels are stacked: whichever step is entered, the one panel shown sits at the same place with
// the same size, never smaller than the 495 by 185 pixels the panels always had.
TEST_F(WizardFrame, PanelsShareOnePlaceAndSize)
{
    ASSERT_EQ(wizard.findChildren<QGroupBox*>(QStringLiteral("frmStep1")).size(), 8);
    const QRect first = wizard.StepPanel(1)->geometry();
    EXPECT_GE(first.width(), 495);
    EXPECT_GE(first.height(), 185);
    for (int step = 1; step <= 8; ++step) {
        wizard.EnterStep(step, false);
        SCOPED_TRACE(step);
        const QList<int> shown = visiblePanels();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(wizard.StepPanel(shown[0])->geometry(), first);
    }
}

TEST_F(WizardFrame, EveryStepShowsItsTitleDescriptionAndPanelCaption)
{
    for (const StepText& s : kStepTable) {
        wizard.EnterStep(s.step, false);
        SCOPED_TRACE(s.step);
        EXPECT_EQ(label("lblStepInfo"), QString::fromLatin1(s.title));
        EXPECT_EQ(label("lblStepDetails"), QString::fromLatin1(s.description));
        EXPECT_EQ(wizard.StepPanel(s.step)->title(), QString::fromLatin1(s.caption));
    }
    const cMain main;
    for (int outside : {0, 9, -1}) {
        EXPECT_TRUE(main.GetStepInfo(outside).Title.isEmpty());
        EXPECT_TRUE(main.GetStepInfo(outside).Description.isEmpty());
    }
}

// The header band is drawn in the palette's base colour, so a dark palette gives a dark band, and
// its step markers follow the step entered.
TEST_F(WizardFrame, HeaderFollowsThePaletteAndMarksTheCurrentStep)
{
    QPalette dark = wizard.palette();
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    wizard.setPalette(dark);
    auto* header = control<QWidget>("frmHeader");
    EXPECT_EQ(header->grab().toImage().pixelColor(1, 1), QColor(30, 30, 32));
    EXPECT_EQ(control<QLabel>("lblStepInfo")->palette().color(control<QLabel>("lblStepInfo")->foregroundRole()),
              QColor(230, 230, 230));

    auto* markers = control<QWidget>("stepIndicator");
    for (const StepText& s : kStepTable) {
        wizard.EnterStep(s.step, false);
        EXPECT_EQ(markers->property("step").toInt(), s.step);
    }
}

// A disabled box is drawn unlike an enabled one, also after the program's palette turns to one
// that gives both the same page colour, as dark desktop palettes may, and back.
TEST_F(WizardFrame, DisabledBoxesLookDisabledInALightAndADarkPalette)
{
    auto pageColour = [this](const char* name) {
        const QImage box = control<QLineEdit>(name)->grab().toImage();
        return box.pixelColor(box.width() / 2, box.height() / 2);
    };
    std::optional<DarkPalette> palette;
    for (const bool dark : {false, true, false}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        if (dark)
            palette.emplace();
        else
            palette.reset();
        // The program's palette reaches the windows with the next events.
        QCoreApplication::processEvents();
        ASSERT_FALSE(control<QLineEdit>("txtMin")->isEnabled());
        EXPECT_EQ(pageColour("txtUsername"), QApplication::palette().color(QPalette::Base));
        // The palette's own colour for a disabled box where it has one unlike the enabled one's.
        const QPalette program = QApplication::palette();
        EXPECT_EQ(pageColour("txtMin"),
                  dark ? program.color(QPalette::Window) : program.color(QPalette::Disabled, QPalette::Base));
        EXPECT_NE(pageColour("txtMin"), pageColour("txtUsername"));
    }
}

TEST_F(WizardFrame, NextOnStep1BeforeConnectAsksToConnect)
{
    click("cmdNext");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("please click on 'Connect' button first"));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(wizard.Choices().CurrentStep, 1);
    EXPECT_TRUE(wizard.Choices().Connection.ServerName.isEmpty());
    EXPECT_EQ(visiblePanels(), QList<int>{1});
}

TEST_F(WizardFrame, BackOnStep1OpensAboutAndStaysOnStep1)
{
    // About shows the program's icon.
    QImage icon;
    dialogs.modalHandlers[QStringLiteral("frmAbout")] = [&icon](QDialog& about) {
        if (auto* label = about.findChild<QLabel*>(QStringLiteral("lblIcon")))
            icon = label->pixmap().toImage();
        return int(QDialog::Accepted);
    };
    click("cmdPrevious");
    EXPECT_EQ(icon.deviceIndependentSize(), QSizeF(64, 64));
    EXPECT_EQ(qAlpha(icon.pixel(icon.width() / 2, icon.height() / 2)), 255) << "the icon is not drawn";
    EXPECT_EQ(dialogs.modals, QStringList{QStringLiteral("frmAbout")});
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(wizard.Choices().CurrentStep, 1);
    EXPECT_EQ(label("lblStepInfo"), QStringLiteral("Connection"));
}

TEST_F(WizardFrame, CancelAnsweredNoLeavesEverythingAsItWas)
{
    auto* user = control<QLineEdit>("txtUsername");
    user->clear();
    QTest::keyClicks(user, QStringLiteral("someone"));
    dialogs.answers = {MessageAnswer::No};
    click("cmdCancel");
    ASSERT_EQ(dialogs.messages.size(), 1);
    const RecordedMessage& m = dialogs.messages[0];
    EXPECT_EQ(m.text, QStringLiteral("Are you sure?"));
    EXPECT_EQ(m.title, QStringLiteral("Exit confirmation"));
    EXPECT_EQ(m.icon, MessageIcon::None);
    EXPECT_EQ(m.buttons, MessageButtons::YesNo);
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(user->text(), QStringLiteral("someone"));
    EXPECT_EQ(wizard.Choices().CurrentStep, 1);
}

TEST_F(WizardFrame, CancelAnsweredYesClosesTheWindowWithoutAskingAgain)
{
    dialogs.answers = {MessageAnswer::Yes};
    click("cmdCancel");
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(WizardFrame, ClosingTheWindowIsHandledLikeCancel)
{
    dialogs.answers = {MessageAnswer::No};
    EXPECT_FALSE(wizard.close());
    EXPECT_TRUE(wizard.isVisible());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Exit confirmation"));

    dialogs.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(wizard.close());
    EXPECT_FALSE(wizard.isVisible());
}

// The test's main keeps the settings in a folder of its own, not in the user's.
TEST_F(WizardFrame, ANewWindowOpensWithTheSizeAndPlaceTheLastWasClosedAt)
{
    const QRect left(QPoint(40, 30), wizard.size() + QSize(150, 90));
    wizard.setGeometry(left);
    dialogs.answers = {MessageAnswer::Yes};
    ASSERT_TRUE(wizard.close());

    frmWizard next(folder.path());
    next.show();
    EXPECT_EQ(next.geometry(), left);
}

TEST(ProgramFolder, HoldsExactlyWhatAUserGets)
{
    const QDir folder(programDir());
    for (const char* name : {"quillmere", "default.css", "plain.css", "Colorful.css", "cssview.html",
                             "Quillmere OnLine Help.qch"})
        EXPECT_TRUE(folder.exists(QString::fromLatin1(name))) << name;
    const QStringList templates = QDir(folder.filePath(QStringLiteral("templates"))).entryList(QDir::Files);
    EXPECT_EQ(templates.size(), 17) << templates.join(' ').toStdString();
    // Help sources become the help file; they are not delivered themselves.
    EXPECT_FALSE(folder.exists(QStringLiteral("help")));
}
