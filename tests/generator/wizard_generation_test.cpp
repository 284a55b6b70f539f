// The whole wizard against the private server, from Connect to Generate: the folder it writes
// holds every template, the chosen stylesheet and scripts that say exactly what was chosen.
#include "GeneratorFixture.h"
#include "TestFolders.h"
#include "WizardDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace qmtest;

TEST(WizardGeneration, ChoicesMadeThroughTheStepsEndUpInTheGeneratedFolder)
{
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard{folder.path()};
    WizardDriver ui{wizard, dialogs};
    ScratchDatabase db{QStringLiteral("generate")};
    QTemporaryDir destination;
    wizard.show();
    db.exec({QStringLiteral("CREATE TABLE customers (id INT PRIMARY KEY, name VARCHAR(40), city VARCHAR(40))"),
             QStringLiteral("CREATE TABLE orders (id INT PRIMARY KEY, customer_id INT, total DECIMAL(8,2),"
                            " FOREIGN KEY (customer_id) REFERENCES customers (id))")});

    // Steps 1 to 3: both tables, every field but customers.city.
    ui.reachFieldStep(db.name(), {QStringLiteral("orders"), QStringLiteral("customers")});
    for (QTreeWidgetItem* node : wizard.FieldNodeList()) {
        if (node->data(0, Qt::UserRole).toString() == QStringLiteral("Field6"))
            node->setCheckState(0, Qt::Unchecked);
    }
    ui.next();
    ASSERT_EQ(ui.step(), 4) << dialogs.texts().join(" | ").toStdString();

    // Step 4: no deleting, lookup columns, 25 records a page.
    ui.get<QCheckBox>("chkDeleteRecords")->setChecked(false);
    ui.get<QCheckBox>("chkFK")->setChecked(true);
    ui.type("cmbSplitter", QStringLiteral("25"));
    ui.next();
    ASSERT_EQ(ui.step(), 5);

    // Step 5: a rule on customers.name; orders.customer_id has its lookup column from the server.
    auto* tree = ui.get<QTreeWidget>("trvValidate");
    for (QTreeWidgetItem* node : wizard.ValidationNodeList()) {
        if (node->data(0, Qt::UserRole).toString() == QStringLiteral("Field5")) {
            tree->scrollToItem(node);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
        }
    }
    ui.get<QCheckBox>("chkNulls")->setChecked(false);
    ui.get<QCheckBox>("chkCharacterCheck")->setChecked(true);
    ui.type("txtCharacters", QStringLiteral("@."));
    ui.get<QCheckBox>("chkLimits")->setChecked(true);
    ui.type("txtMin", QStringLiteral("-5"));
    ui.type("txtMax", QStringLiteral("40"));
    ui.next();

    // Step 6: log in with the connection's own user; step 7: the "Simple" stylesheet.
    ui.get<QCheckBox>("chkReqLogin")->setChecked(true);
    ui.next();
    auto* styles = ui.get<QComboBox>("cmbStyles");
    styles->setCurrentIndex(1);
    emit styles->activated(1);
    ui.next();
    ASSERT_EQ(ui.step(), 8);

    // The destination is typed; the folder chooser of step 8 is not part of this test.
    ui.type("txtDestination", destination.path());
    dialogs.clear();
    ui.next();
    ASSERT_EQ(dialogs.texts(), QStringList{QStringLiteral("Scripts created successfully in %1/").arg(destination.path())});
    EXPECT_EQ(dialogs.modals, QStringList{QStringLiteral("frmProgress")});
    auto* log = ui.get<QListWidget>("lstLog");
    EXPECT_EQ(log->item(log->count() - 1)->text(), QStringLiteral("Task completed successfully."));

    const ServerSettings& server = sandboxServer();
    ASSERT_NE(server.port, 3306);
    const QString user = QStringLiteral("\"%1\"").arg(server.user);
    const QString password = QStringLiteral("\"%1\"").arg(server.password);
    EXPECT_EQ(gentest::readFile(destination.filePath(QStringLiteral("config.php"))),
              gentest::crlf({
                  QStringLiteral("<?php"),
                  QStringLiteral("$TableData['0@id'] = \"0    0       1\";"),
                  QStringLiteral("$TableData['0@customer_id'] = \"0    0       1\";"),
                  QStringLiteral("$TableData['0@total'] = \"0    0       1\";"),
                  QStringLiteral("$Tables['0'] = \"id@customer_id@total\";"),
                  QStringLiteral("$TableNames['0'] = \"orders\";"),
                  QStringLiteral("$FKInfo['0'] = \"customer_id@->customers.name;\";"),
                  QStringLiteral("$TableData['1@id'] = \"0    0       1\";"),
                  QStringLiteral("$TableData['1@name'] = \"40    -5   @.    0\";"),
                  QStringLiteral("$Tables['1'] = \"id@name\";"),
                  QStringLiteral("$TableNames['1'] = \"customers\";"),
                  QStringLiteral("$FKInfo['1'] = \"\";"),
                  QStringLiteral("$Delete = False;"),
                  QStringLiteral("$Add = True;"),
                  QStringLiteral("$Edit = True;"),
                  QStringLiteral("$Search = True;"),
                  QStringLiteral("$View = True;"),
                  QStringLiteral("$ViewTable = False;"),
                  QStringLiteral("$Form = False;"),
                  QStringLiteral("$SearchRecords = True;"),
                  QStringLiteral("$PHPValidate = True;"),
                  QStringLiteral("$JavaValidate = False;"),
                  QStringLiteral("$Navigator = False;"),
                  QStringLiteral("$RecsPerPage = 25;"),
                  QStringLiteral("$Admin = ") + user + u';',
                  QStringLiteral("$AdminPass = ") + password + u';',
                  QStringLiteral("$FK = True;"),
                  QStringLiteral("$CSS = \"plain.css\";"),
                  QStringLiteral("?>"),
              }));
    EXPECT_EQ(gentest::readFile(destination.filePath(QStringLiteral("database.php"))),
              gentest::crlf({QStringLiteral("<?php"),
                             QStringLiteral("$db = mysql_connect(\"%1:%2\",%3, %4);")
                                 .arg(server.host)
                                 .arg(server.port)
                                 .arg(user, password),
                             QStringLiteral("mysql_select_db(\"%1\", $db);").arg(db.name()), QStringLiteral("?>")}));

    for (const QString& name : gentest::templateNames()) {
        const QByteArray copied = gentest::readFile(destination.filePath(name));
        EXPECT_FALSE(copied.isEmpty()) << name.toStdString();
        EXPECT_EQ(copied, gentest::readFile(folder.file(QStringLiteral("templates/") + name))) << name.toStdString();
    }
    EXPECT_EQ(gentest::readFile(destination.filePath(QStringLiteral("plain.css"))),
              gentest::readFile(folder.file(QStringLiteral("plain.css"))));
}
