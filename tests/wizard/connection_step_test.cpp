// Step 1 driven like a user: connecting, the database list, Next's checks, the offer to save the
// connection with its name dialog, and picking saved connections.
#include "TestFolders.h"
#include "WizardDriver.h"
#include "wizard/cMain.h"
#include "wizard/modINI.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

class ConnectionStep : public ::testing::Test {
protected:
    TempProgramFolder folder;
    DialogRecorder dialogs;
    std::unique_ptr<frmWizard> wizard;
    std::unique_ptr<WizardDriver> ui;

    void SetUp() override { open(); }
    void open()
    {
        ui.reset();
        wizard = std::make_unique<frmWizard>(folder.path());
        wizard->show();
        ui = std::make_unique<WizardDriver>(*wizard, dialogs);
    }
    QString text(const char* name) { return ui->get<QLineEdit>(name)->text(); }

    // Answers the connection-name dialog: each name in turn is typed and OK pressed; the last
    // answer closes the dialog by its frame when `closeAtEnd` is set.
    void scriptNames(QStringList names, bool closeAtEnd = false)
    {
        dialogs.modalHandlers.insert(QStringLiteral("frmConnectionName"), [names, closeAtEnd](QDialog& d) {
            d.show();
            auto* box = d.findChild<QLineEdit*>(QStringLiteral("tConnection"));
            auto* ok = d.findChild<QPushButton*>(QStringLiteral("cOK"));
            for (const QString& name : names) {
                box->setText(name);
                QTest::mouseClick(ok, Qt::LeftButton);
                if (!d.isVisible())
                    return d.result();
            }
            if (closeAtEnd)
                d.reject();
            return d.result();
        });
    }
};

}  // namespace

TEST_F(ConnectionStep, StartsDisconnectedWithItsDefaults)
{
    EXPECT_EQ(ui->get<QComboBox>("cmbConnType")->currentText(), QStringLiteral("Local"));
    EXPECT_EQ(text("txtServer"), QStringLiteral("localhost"));
    EXPECT_FALSE(ui->get("txtServer")->isEnabled());
    EXPECT_EQ(text("txtport"), QStringLiteral("3306"));
    EXPECT_EQ(text("txtUsername"), QStringLiteral("root"));
    EXPECT_EQ(ui->get<QLineEdit>("txtPassword")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(ui->get<QComboBox>("cmbDBSelect")->currentText(), QStringLiteral("<select db name or type it>"));
    EXPECT_TRUE(ui->get("Command1")->isEnabled());
    EXPECT_FALSE(ui->get("Command3")->isEnabled());
    EXPECT_EQ(ui->get<QComboBox>("cmbSaved")->count(), 0);
}

TEST_F(ConnectionStep, RemoteAndLocalSwitchTheServerBox)
{
    auto* type = ui->get<QComboBox>("cmbConnType");
    type->setCurrentIndex(1);
    emit type->activated(1);
    EXPECT_EQ(text("txtServer"), QString());
    EXPECT_TRUE(ui->get("txtServer")->isEnabled());
    ui->type("txtServer", QStringLiteral("db.example.org"));
    type->setCurrentIndex(0);
    emit type->activated(0);
    EXPECT_EQ(text("txtServer"), QStringLiteral("localhost"));
    EXPECT_FALSE(ui->get("txtServer")->isEnabled());
}

TEST_F(ConnectionStep, ConnectListsDatabasesAndDisconnectSwapsBack)
{
    ScratchDatabase scratch(QStringLiteral("step1_list"));
    ui->connectToSandbox();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Connection to server established successfully"));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
    EXPECT_FALSE(ui->get("Command1")->isEnabled());
    EXPECT_TRUE(ui->get("Command3")->isEnabled());
    auto* databases = ui->get<QComboBox>("cmbDBSelect");
    EXPECT_GE(databases->findText(scratch.name()), 0);
    EXPECT_EQ(databases->currentText(), QStringLiteral("<select db name or type it>"));
    auto* status = ui->get<QLabel>("lblConnectionStatus");
    EXPECT_EQ(status->text(), QStringLiteral("Connected to ") + sandboxServer().host);

    ui->click("Command3");
    EXPECT_EQ(status->text(), QString());
    EXPECT_FALSE(wizard->Connected());
    EXPECT_TRUE(ui->get("Command1")->isEnabled());
    EXPECT_FALSE(ui->get("Command3")->isEnabled());
    EXPECT_EQ(databases->count(), 0);
}

TEST_F(ConnectionStep, BadPasswordShowsTheLibraryTextThenTheFailure)
{
    const ServerSettings& s = sandboxServer();
    auto* type = ui->get<QComboBox>("cmbConnType");
    type->setCurrentIndex(1);
    emit type->activated(1);
    ui->type("txtServer", s.host);
    ui->type("txtport", QString::number(s.port));
    ui->type("txtPassword", QStringLiteral("not the password"));
    ui->click("Command1");
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("Access denied"))) << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Failed To Connect To MySQL Server. Please Revise Your Settings"));
    EXPECT_EQ(dialogs.messages[1].icon, MessageIcon::Critical);
    EXPECT_FALSE(wizard->Connected());
    EXPECT_TRUE(ui->get("Command1")->isEnabled());
    EXPECT_FALSE(ui->get("Command3")->isEnabled());
}

TEST_F(ConnectionStep, NextStoresTheSettingsAndChecksTheDatabase)
{
    ScratchDatabase scratch(QStringLiteral("step1_next"));
    ui->connectToSandbox();
    dialogs.clear();
    // The prompt text and an unknown database keep the wizard on step 1.
    ui->next();
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Please select a database or type it's name")});
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
    ui->type("cmbDBSelect", QStringLiteral("no_such_db_at_all"));
    dialogs.clear();
    ui->next();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("no_such_db_at_all")));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(ui->step(), 1);
    // Values collected before the failing check stay in the record.
    const ServerSettings& s = sandboxServer();
    EXPECT_EQ(wizard->Choices().Connection.ServerName, s.host);
    EXPECT_EQ(wizard->Choices().Connection.Port, s.port);

    // A port above 32767 is reported and the earlier port kept; the checks still follow.
    ui->type("txtport", QStringLiteral("40000"));
    ui->type("cmbDBSelect", scratch.name());
    dialogs.clear();
    dialogs.answers = {MessageAnswer::No};
    ui->next();
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Overflow"));
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Would you like to save the current connection settings?"));
    EXPECT_EQ(dialogs.messages[1].icon, MessageIcon::Question);
    EXPECT_EQ(wizard->Choices().Connection.Port, s.port);
    EXPECT_EQ(wizard->Choices().Connection.DatabaseName, scratch.name());
    EXPECT_EQ(ui->step(), 2);
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("sql.ini"))));
    EXPECT_EQ(ui->get<QComboBox>("cmbSaved")->count(), 0);
}

TEST_F(ConnectionStep, EmptyServerAndPortBoxesGiveLocalhostAnd3306)
{
    ui->connectToSandbox();
    ui->type("txtServer", QString());
    ui->type("txtport", QString());
    ui->next();  // stops at the database check, after storing the connection values
    EXPECT_EQ(wizard->Choices().Connection.ServerName, QStringLiteral("localhost"));
    EXPECT_EQ(wizard->Choices().Connection.Port, 3306);
}

TEST_F(ConnectionStep, SavingAsksForAUniqueNameThenPicksTheNewEntry)
{
    ScratchDatabase scratch(QStringLiteral("step1_save"));
    cMain(folder.path()).SaveConnection({QStringLiteral("elsewhere"), QStringLiteral("u"), QString(), QStringLiteral("Shop")});
    open();
    ui->connectToSandbox();
    ui->type("txtPassword", sandboxServer().password + QStringLiteral("  "));  // saved as typed
    ui->type("cmbDBSelect", scratch.name());
    dialogs.clear();
    dialogs.answers = {MessageAnswer::Yes};
    scriptNames({QString(), QStringLiteral("   "), QStringLiteral("Shop"), QStringLiteral("shop ")});
    ui->next();
    EXPECT_EQ(dialogs.texts(), (QStringList{QStringLiteral("Would you like to save the current connection settings?"),
                                            QStringLiteral("Enter connection name"), QStringLiteral("Enter connection name"),
                                            QStringLiteral("This connection name already exists.")}));
    EXPECT_EQ(dialogs.messages[1].icon, MessageIcon::Critical);
    ASSERT_EQ(ui->step(), 2);

    const auto saved = cMain(folder.path()).LoadSavedConnections();
    ASSERT_EQ(saved.size(), 3);
    EXPECT_EQ(saved[2].ConnectionName, QStringLiteral("shop"));  // the profile format trims the value
    EXPECT_EQ(saved[2].ServerName, sandboxServer().host);
    EXPECT_EQ(saved[2].Password, sandboxServer().password + QStringLiteral("  "));
    auto* list = ui->get<QComboBox>("cmbSaved");
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_TRUE(wizard->SavedConnectionPicked());

    // Back on step 1 and forward again: no second offer to save.
    ui->back();
    dialogs.clear();
    ui->next();
    EXPECT_EQ(ui->step(), 2);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join(" | ").toStdString();
}

TEST_F(ConnectionStep, ClosingTheNameDialogByItsFrameSavesNothing)
{
    ScratchDatabase scratch(QStringLiteral("step1_close"));
    ui->connectToSandbox();
    ui->type("cmbDBSelect", scratch.name());
    dialogs.answers = {MessageAnswer::Yes};
    scriptNames({}, true);
    ui->next();
    EXPECT_EQ(ui->step(), 2);
    EXPECT_EQ(cMain(folder.path()).CountSavedConnections(), 0);
    EXPECT_FALSE(wizard->SavedConnectionPicked());
}

TEST_F(ConnectionStep, PickingASavedConnectionFillsTheLoginButNotPortOrDatabase)
{
    const cMain main(folder.path());
    main.SaveConnection({QStringLiteral("db.example.org"), QStringLiteral("alice"), QStringLiteral("a pw"), QStringLiteral("Remote one")});
    main.SaveConnection({QStringLiteral("localhost"), QStringLiteral("bob"), QStringLiteral("b pw"), QStringLiteral("Local one")});
    open();
    auto* list = ui->get<QComboBox>("cmbSaved");
    ASSERT_EQ(list->count(), 2);
    ui->type("txtport", QStringLiteral("3310"));
    ui->type("cmbDBSelect", QStringLiteral("kept"));

    // A remote server keeps the type shown ("Local"): the disabled box holds the remote name.
    list->setCurrentIndex(0);
    emit list->activated(0);
    EXPECT_EQ(ui->get<QComboBox>("cmbConnType")->currentText(), QStringLiteral("Local"));
    EXPECT_EQ(text("txtServer"), QStringLiteral("db.example.org"));
    EXPECT_FALSE(ui->get("txtServer")->isEnabled());
    EXPECT_EQ(text("txtUsername"), QStringLiteral("alice"));
    EXPECT_EQ(text("txtPassword"), QStringLiteral("a pw"));
    EXPECT_EQ(text("txtport"), QStringLiteral("3310"));
    EXPECT_EQ(ui->get<QComboBox>("cmbDBSelect")->currentText(), QStringLiteral("kept"));
    EXPECT_TRUE(wizard->SavedConnectionPicked());

    // "localhost" switches the type to Local.
    auto* type = ui->get<QComboBox>("cmbConnType");
    type->setCurrentIndex(1);
    emit type->activated(1);
    list->setCurrentIndex(1);
    emit list->activated(1);
    EXPECT_EQ(type->currentText(), QStringLiteral("Local"));
    EXPECT_EQ(text("txtServer"), QStringLiteral("localhost"));
    EXPECT_EQ(text("txtUsername"), QStringLiteral("bob"));
}

TEST_F(ConnectionStep, LeavingStepOneKeepsWhatWasConnectedUnlessAnEntryWasChosen)
{
    ScratchDatabase scratch(QStringLiteral("step1_keep"));
    const ServerSettings& s = sandboxServer();
    const cMain main(folder.path());
    main.SaveConnection({s.host, s.user, s.password, QStringLiteral("Mine")});
    main.SaveConnection({QStringLiteral("unrelated.example.org"), QStringLiteral("mallory"), QStringLiteral("x"),
                         QStringLiteral("Last")});
    open();
    auto* list = ui->get<QComboBox>("cmbSaved");
    auto connection = [&] {
        const ConnectionSettings& c = wizard->Choices().Connection;
        return QStringList{c.ServerName, c.UserName, c.Password};
    };
    const QStringList typed{s.host, s.user, s.password};

    // Typed, connected, not saved: Back and Next again keep the typed settings.
    ui->connectToSandbox();
    ui->type("cmbDBSelect", scratch.name());
    dialogs.answers = {MessageAnswer::No, MessageAnswer::No};
    ui->next();
    ASSERT_EQ(ui->step(), 2);
    EXPECT_EQ(list->currentIndex(), -1);
    ui->back();
    ui->next();
    ASSERT_EQ(ui->step(), 2);
    EXPECT_EQ(connection(), typed);
    EXPECT_EQ(text("txtServer"), s.host);

    // The entry chosen on step 1 stays the one shown, not the last of the list.
    ui->back();
    list->setCurrentIndex(0);
    emit list->activated(0);
    dialogs.clear();
    ui->next();
    ASSERT_EQ(ui->step(), 2);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(list->currentIndex(), 0);
    ui->back();
    ui->next();
    EXPECT_EQ(connection(), typed);
}

TEST_F(ConnectionStep, AFailedSaveIsReportedWithThePathAndTheReason)
{
    ScratchDatabase scratch(QStringLiteral("step1_unsaved"));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("sql.ini")));
    ui->connectToSandbox();
    ui->type("cmbDBSelect", scratch.name());
    dialogs.clear();
    dialogs.answers = {MessageAnswer::Yes};
    scriptNames({QStringLiteral("Shop")});
    ui->next();
    ASSERT_EQ(dialogs.messages.size(), 2) << dialogs.texts().join(" | ").toStdString();
    const RecordedMessage& failure = dialogs.messages[1];
    EXPECT_TRUE(failure.text.startsWith(QStringLiteral("The connection could not be saved in ")
                                        + QDir::toNativeSeparators(folder.file(QStringLiteral("sql.ini")))))
        << failure.text.toStdString();
    EXPECT_GT(failure.text.size(), failure.text.indexOf(QStringLiteral("sql.ini: ")) + 9) << "no reason given";
    EXPECT_EQ(failure.icon, MessageIcon::Critical);
    EXPECT_EQ(ui->step(), 2);
    EXPECT_FALSE(wizard->SavedConnectionPicked());
}
