// Steps 4, 6 and 7 on the real widgets: option defaults and records per page, the login choice,
// the style list and the stylesheet editor's file checks, also with a program folder that cannot
// be written.
#include "TestFolders.h"
#include "WizardDriver.h"
#include "stylesheet/frmCSS.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

class OptionSteps : public ::testing::Test {
protected:
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard{folder.path()};
    WizardDriver ui{wizard, dialogs};
    ScratchDatabase db{QStringLiteral("options")};

    void SetUp() override
    {
        wizard.show();
        db.exec({QStringLiteral("CREATE TABLE a (x INT)")});
        ui.reachFieldStep(db.name(), {QStringLiteral("a")});
        ui.next();
        ASSERT_EQ(ui.step(), 4);
    }
    QCheckBox* box(const char* name) { return ui.get<QCheckBox>(name); }
    // Leaves step 4 with the given records-per-page text and comes back to it.
    void storeRecordsPerPage(const QString& text)
    {
        ui.type("cmbSplitter", text);
        ui.next();
        ui.back();
    }
    const ScriptOptions& options() { return wizard.Choices().Options; }
};

}  // namespace

TEST_F(OptionSteps, FirstArrivalStoresTheEffectiveDefaults)
{
    for (const char* name : {"chkAddRecords", "chkEditRecords", "chkDeleteRecords", "chkViewRecords",
                             "chkSearchRecords", "chkPHPValidate"})
        EXPECT_TRUE(box(name)->isChecked()) << name;
    EXPECT_FALSE(box("chkFK")->isChecked());
    EXPECT_EQ(ui.get<QComboBox>("cmbSplitter")->currentText(), QStringLiteral("10"));
    ui.next();
    const ScriptOptions& o = options();
    EXPECT_TRUE(o.AllowAdd && o.AllowEdit && o.AllowDelete && o.AllowView && o.SearchRecords && o.AllowSearch
                && o.PhpValidate);
    EXPECT_FALSE(o.CreateLookupColumns || o.ViewTable || o.ShowForm || o.JavaValidate || o.Navigator);
    EXPECT_EQ(o.RecordsPerPage, 10);
}

TEST_F(OptionSteps, OneBoxSetsBothSearchFlags)
{
    box("chkSearchRecords")->setChecked(false);
    ui.next();
    EXPECT_FALSE(options().AllowSearch);
    EXPECT_FALSE(options().SearchRecords);
}

TEST_F(OptionSteps, RecordsPerPageTakesTheWholePartAndRefusesTheRest)
{
    storeRecordsPerPage(QStringLiteral("12.7"));
    EXPECT_EQ(options().RecordsPerPage, 12);
    storeRecordsPerPage(QStringLiteral("-3"));
    EXPECT_EQ(options().RecordsPerPage, -3);
    storeRecordsPerPage(QStringLiteral("0"));
    EXPECT_EQ(options().RecordsPerPage, -3);
    for (const char* bad : {"abc", "40000"}) {
        dialogs.clear();
        ui.type("cmbSplitter", QString::fromLatin1(bad));
        ui.next();
        EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("There are errors on the form")}) << bad;
        EXPECT_EQ(dialogs.messages.value(0).icon, MessageIcon::Exclamation);
        EXPECT_EQ(ui.step(), 5) << "Next still moves on";
        EXPECT_EQ(options().RecordsPerPage, -3);
        EXPECT_TRUE(options().AllowAdd) << "the flags are stored before the number";
        ui.back();
    }
}

TEST_F(OptionSteps, TheRecordsPerPageListHoldsTwoToAHundredOnce)
{
    for (int i = 0; i < 3; ++i) {
        ui.back();
        ui.next();
    }
    auto* list = ui.get<QComboBox>("cmbSplitter");
    ASSERT_EQ(list->count(), 99);
    EXPECT_EQ(list->itemText(0), QStringLiteral("2"));
    EXPECT_EQ(list->itemText(98), QStringLiteral("100"));
}

TEST_F(OptionSteps, LoginWithTheConnectionSettingsAndDroppingItAgain)
{
    ui.next();
    ui.next();
    ASSERT_EQ(ui.step(), 6);
    EXPECT_FALSE(ui.get<QGroupBox>("frmLoginSetup")->isEnabled());
    box("chkReqLogin")->setChecked(true);
    EXPECT_TRUE(ui.get<QGroupBox>("frmLoginSetup")->isEnabled());
    EXPECT_TRUE(box("chkUseCurrent")->isEnabled());
    EXPECT_FALSE(ui.get("txtUsername7")->isEnabled());
    box("chkUseCurrent")->setChecked(false);
    EXPECT_TRUE(ui.get("txtUsername7")->isEnabled());
    EXPECT_TRUE(ui.get("lblPassword7")->isEnabled());
    box("chkUseCurrent")->setChecked(true);
    ui.next();
    EXPECT_EQ(wizard.Choices().Security.AdminUser, sandboxServer().user);
    EXPECT_EQ(wizard.Choices().Security.AdminPassword, sandboxServer().password);

    ui.back();
    box("chkReqLogin")->setChecked(false);
    ui.next();
    EXPECT_EQ(wizard.Choices().Security.AdminUser, QString());
    EXPECT_EQ(wizard.Choices().Security.AdminPassword, sandboxServer().password);
}

TEST_F(OptionSteps, StyleListPointsAtTheStylesheetsAndTheChoiceStays)
{
    for (int i = 0; i < 3; ++i)
        ui.next();
    ASSERT_EQ(ui.step(), 7);
    auto* styles = ui.get<QComboBox>("cmbStyles");
    auto* css = ui.get<QLineEdit>("txtcss");
    EXPECT_EQ(styles->currentText(), QStringLiteral("Professional"));
    styles->setCurrentIndex(2);
    emit styles->activated(2);
    EXPECT_EQ(css->text(), folder.path() + QStringLiteral("/Colorful.css"));
    styles->setCurrentIndex(1);
    emit styles->activated(1);
    EXPECT_EQ(css->text(), folder.path() + QStringLiteral("/plain.css"));
    ui.back();
    ui.next();
    EXPECT_EQ(styles->currentText(), QStringLiteral("Simple"));
    EXPECT_EQ(css->text(), folder.path() + QStringLiteral("/plain.css"));
    ui.next();
    EXPECT_EQ(wizard.Choices().Appearance.StylesheetPath, folder.path() + QStringLiteral("/plain.css"));
}

TEST_F(OptionSteps, CssEditorAsksForANameOrNeedsAnExistingFile)
{
    for (int i = 0; i < 3; ++i)
        ui.next();
    auto* css = ui.get<QLineEdit>("txtcss");
    css->setText(QStringLiteral("  "));
    dialogs.inputs = {QStringLiteral("  ")};
    ui.click("cCssEditor");
    EXPECT_EQ(dialogs.prompts, QStringList{QStringLiteral("CSS file name: ") + folder.path() + QStringLiteral("/")});
    EXPECT_EQ(css->text(), QStringLiteral("  "));

    dialogs.inputs = {QStringLiteral("mine.css")};
    ui.click("cCssEditor");
    EXPECT_EQ(css->text(), folder.path() + QStringLiteral("/mine.css"));

    css->setText(folder.file(QStringLiteral("missing.css")));
    dialogs.clear();
    ui.click("cCssEditor");
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("CSS file does not exist.")});
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(dialogs.modals.isEmpty());
}

TEST_F(OptionSteps, CssEditorOpensModallyOnTheStylesheetAndIsOneWindowForTheRun)
{
    for (int i = 0; i < 3; ++i)
        ui.next();
    const QString css = folder.file(QStringLiteral("site.css"));
    QFile file(css);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BODY { color: #102030 }\n");
    file.close();
    ui.type("txtcss", css);
    QList<QDialog*> editors;
    dialogs.modalHandlers.insert(QStringLiteral("frmCSS"), [&editors](QDialog& editor) {
        editors << &editor;
        return int(QDialog::Rejected);
    });
    dialogs.clear();
    ui.click("cCssEditor");
    ui.click("cCssEditor");
    EXPECT_EQ(dialogs.modals, (QStringList{QStringLiteral("frmCSS"), QStringLiteral("frmCSS")}));
    ASSERT_EQ(editors.size(), 2);
    EXPECT_EQ(editors[0], editors[1]);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join(" | ").toStdString();
}

// An installed program cannot write its own folder: a new stylesheet is named in the user's data
// folder, and the program's own stylesheet opens as the user's copy there, made once and kept.
TEST_F(OptionSteps, WithAProgramFolderThatCannotBeWrittenStylesheetsAreTheUsers)
{
    QTemporaryDir data;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    ASSERT_TRUE(own.startsWith(data.path())) << own.toStdString();
    const QString shipped = folder.file(QStringLiteral("default.css"));
    const auto read = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    };
    const QByteArray original = read(shipped);
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto folderMode = QFile::permissions(folder.path());
    ASSERT_TRUE(QFile::setPermissions(folder.path(), readOnly | QFileDevice::ExeOwner));
    QStringList opened;
    dialogs.modalHandlers.insert(QStringLiteral("frmCSS"), [&opened](QDialog& editor) {
        opened << static_cast<frmCSS&>(editor).StylesheetPath();
        return int(QDialog::Rejected);
    });
    for (int i = 0; i < 3; ++i)
        ui.next();
    auto* css = ui.get<QLineEdit>("txtcss");

    css->setText(QString());
    dialogs.inputs = {QStringLiteral("mine.css")};
    ui.click("cCssEditor");
    EXPECT_EQ(dialogs.prompts, QStringList{QStringLiteral("CSS file name: ") + own + QStringLiteral("/")});
    EXPECT_EQ(css->text(), own + QStringLiteral("/mine.css"));

    const QString copy = own + QStringLiteral("/default.css");
    for (const QByteArray& expected : {original, QByteArray("BODY { color: #102030 }\n")}) {
        ui.type("txtcss", shipped);
        dialogs.clear();
        ui.click("cCssEditor");
        EXPECT_EQ(css->text(), copy);
        EXPECT_EQ(opened.last(), copy);
        EXPECT_EQ(read(copy), expected);
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
        EXPECT_TRUE(dialogs.messages[0].text.contains(copy)) << dialogs.messages[0].text.toStdString();
        // The user's edits stay in the copy; opening the shipped file again does not undo them.
        QFile edited(copy);
        ASSERT_TRUE(edited.open(QIODevice::WriteOnly));
        edited.write("BODY { color: #102030 }\n");
    }
    EXPECT_EQ(read(shipped), original);

    QFile::setPermissions(folder.path(), folderMode);
    if (oldData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
}

TEST_F(OptionSteps, BrowsePutsTheChosenStylesheetIntoThePathBox)
{
    for (int i = 0; i < 3; ++i)
        ui.next();
    dialogs.fileNames = {QStringLiteral("/some/where/site.css")};
    ui.click("cmdcssSelect");
    EXPECT_EQ(ui.get<QLineEdit>("txtcss")->text(), QStringLiteral("/some/where/site.css"));
    ui.click("cmdcssSelect");  // cancelled: unchanged
    EXPECT_EQ(ui.get<QLineEdit>("txtcss")->text(), QStringLiteral("/some/where/site.css"));
}

TEST_F(OptionSteps, DestinationComesOnlyFromAConfirmedFolder)
{
    for (int i = 0; i < 4; ++i)
        ui.next();
    ASSERT_EQ(ui.step(), 8);
    QTemporaryDir target;
    auto confirm = [&target](QDialog& chooser) {
        chooser.show();
        chooser.findChild<QLineEdit*>(QStringLiteral("txtpath"))->setText(target.path());
        QTest::mouseClick(chooser.findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        return chooser.result();
    };
    dialogs.modalHandlers.insert(QStringLiteral("frmFolder"), confirm);
    ui.type("txtDestination", QStringLiteral("typed before browsing"));
    ui.click("cmdDestBrowse");
    EXPECT_EQ(wizard.Choices().DestinationFolder, target.path() + QStringLiteral("/"));
    EXPECT_EQ(ui.get<QLineEdit>("txtDestination")->text(), target.path() + QStringLiteral("/"));

    // Closed without confirming: the folder stays and the box shows it again.
    dialogs.modalHandlers.remove(QStringLiteral("frmFolder"));
    ui.type("txtDestination", QStringLiteral("changed"));
    ui.click("cmdDestBrowse");
    EXPECT_EQ(wizard.Choices().DestinationFolder, target.path() + QStringLiteral("/"));
    EXPECT_EQ(ui.get<QLineEdit>("txtDestination")->text(), target.path() + QStringLiteral("/"));
}

// The scripts go to the folder the destination box shows, chosen with Browse or typed; a typed
// folder must exist, as in the folder chooser, and the final message names the folder.
TEST_F(OptionSteps, GenerateWritesToTheFolderTheDestinationBoxShows)
{
    for (int i = 0; i < 4; ++i)
        ui.next();
    ASSERT_EQ(ui.step(), 8);
    QTemporaryDir browsed, typed;
    dialogs.modalHandlers.insert(QStringLiteral("frmFolder"), [&browsed](QDialog& chooser) {
        chooser.show();
        chooser.findChild<QLineEdit*>(QStringLiteral("txtpath"))->setText(browsed.path());
        QTest::mouseClick(chooser.findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        return chooser.result();
    });
    ui.click("cmdDestBrowse");
    ui.type("txtDestination", typed.path());
    dialogs.clear();
    ui.next();
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Scripts created successfully in %1/").arg(typed.path())});
    EXPECT_TRUE(QFile::exists(typed.filePath(QStringLiteral("config.php"))));
    EXPECT_FALSE(QFile::exists(browsed.filePath(QStringLiteral("config.php"))));
    EXPECT_EQ(wizard.Choices().DestinationFolder, typed.path() + QStringLiteral("/"));
    EXPECT_EQ(ui.get<QLineEdit>("txtDestination")->text(), typed.path() + QStringLiteral("/"));

    const struct {
        QString box, message;
    } refused[] = {{typed.filePath(QStringLiteral("missing")), QStringLiteral("folder dosnt exist")},
                   {typed.filePath(QStringLiteral("config.php")), QStringLiteral("folder dosnt exist")},
                   {QStringLiteral(" "), QStringLiteral("A destination must be selected before generation")}};
    for (const auto& r : refused) {
        ui.get<QLineEdit>("txtDestination")->setText(r.box);
        dialogs.clear();
        ui.next();
        EXPECT_EQ(dialogs.texts(), QStringList{r.message}) << r.box.toStdString();
        EXPECT_TRUE(dialogs.modals.isEmpty()) << r.box.toStdString();
    }
}

TEST_F(OptionSteps, AppearanceBuilderStaysBesideTheWizardAndItsSaveBecomesTheStylesheet)
{
    for (int i = 0; i < 3; ++i)
        ui.next();
    ui.click("Command2");
    QWidget* builder = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("frmCSSBuilder") && w->isVisible())
            builder = w;
    }
    ASSERT_NE(builder, nullptr);
    EXPECT_FALSE(builder->isModal());
    EXPECT_TRUE(dialogs.modals.isEmpty());

    const QString saved = folder.file(QStringLiteral("built.css"));
    dialogs.fileNames = {saved};
    QTest::mouseClick(builder->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
    QTest::mouseClick(builder->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    ASSERT_TRUE(QFile::exists(saved)) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(ui.get<QLineEdit>("txtcss")->text(), saved);
    EXPECT_EQ(wizard.Choices().Appearance.StylesheetPath, saved);
    builder->close();
}
