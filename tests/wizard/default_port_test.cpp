// Letters in the port box: the conversion failure is shown and Connect goes on with port 0, the
// client library's default port. The library reads that default from MYSQL_TCP_PORT once, when it
// starts, so this test runs in a process of its own and sets it before the first connection.
#include "TestFolders.h"
#include "WizardDriver.h"

#include <QComboBox>

#include <gtest/gtest.h>

using namespace qmtest;

TEST(DefaultPort, LettersInThePortConnectOnTheLibrarysDefaultPort)
{
    const ServerSettings& s = sandboxServer();
    qputenv("MYSQL_TCP_PORT", QByteArray::number(s.port));
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard(folder.path());
    wizard.show();
    WizardDriver ui(wizard, dialogs);
    auto* type = ui.get<QComboBox>("cmbConnType");
    type->setCurrentIndex(1);
    emit type->activated(1);
    ui.type("txtServer", s.host);
    ui.type("txtport", QStringLiteral("abc"));
    ui.type("txtUsername", s.user);
    ui.type("txtPassword", s.password);
    ui.click("Command1");
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Type mismatch"));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Connection to server established successfully"));
    EXPECT_TRUE(wizard.Connected());
}
