// A server that stops answering: the wizard gives up after the connection's timeouts with the
// client library's own message, says that the connection is lost, and Connect works again.
#include "PrivateServer.h"
#include "TestFolders.h"
#include "WizardDriver.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "wizard/cDB.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

using namespace qmtest;

TEST(DeadServer, TimesOutSaysTheConnectionIsLostAndConnectsAgain)
{
    PrivateServer server;
    ASSERT_GT(server.port, 0);
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard(folder.path());
    wizard.show();
    WizardDriver ui(wizard, dialogs);
    // Short timeouts keep the test quick; the program's own are 10 s to connect and 30 s a read.
    wizard.Database().Connection().SetTimeouts(2, 2, 2);
    const int tooLong = 20000;

    ui.typeConnection(QStringLiteral("127.0.0.1"), server.port, server.password);
    ui.click("Command1");
    ASSERT_TRUE(wizard.Connected()) << dialogs.texts().join(" | ").toStdString();
    ui.type("cmbDBSelect", QStringLiteral("mysql"));
    dialogs.answers = {MessageAnswer::No};
    ui.next();
    ASSERT_EQ(ui.step(), 2);
    auto* available = ui.get<QListWidget>("lstAvTables");
    available->setCurrentItem(available->findItems(QStringLiteral("db"), Qt::MatchExactly).value(0));
    ui.click("cmdAppendTables");

    // Next on step 2 reads the columns of the chosen table from a server that does not answer.
    server.pause();
    dialogs.clear();
    QElapsedTimer clock;
    clock.start();
    ui.next();
    EXPECT_LT(clock.elapsed(), tooLong);
    ASSERT_EQ(dialogs.messages.size(), 1) << dialogs.texts().join(" | ").toStdString();
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(QStringLiteral("The connection to the MySQL server was lost: ")))
        << dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("Lost connection"))) << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Critical);
    EXPECT_FALSE(wizard.Connected());
    EXPECT_TRUE(ui.get("Command1")->isEnabled());
    EXPECT_FALSE(ui.get("Command3")->isEnabled());

    // Next on step 3 does not blame the table.
    ASSERT_EQ(ui.step(), 3);
    dialogs.clear();
    ui.next();
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("An error in this step has occured, please check the settings")});

    // Connect, without Disconnect first: the paused server ends in the library's message.
    ui.back();
    ui.back();
    ASSERT_EQ(ui.step(), 1);
    dialogs.clear();
    clock.restart();
    ui.click("Command1");
    EXPECT_LT(clock.elapsed(), tooLong);
    ASSERT_EQ(dialogs.messages.size(), 2) << dialogs.texts().join(" | ").toStdString();
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("Lost connection"))) << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Failed To Connect To MySQL Server. Please Revise Your Settings"));

    server.resume();
    dialogs.clear();
    ui.click("Command1");
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Connection to server established successfully")});
    EXPECT_TRUE(wizard.Connected());
}
