// The whole wizard against the private server, from Connect to Generate: the folder it writes
// holds every template, the chosen stylesheet and scripts that say exactly what was chosen.
#include "GeneratorFixture.h"
#include "TestFolders.h"
#include "WizardDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMap>
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

namespace {

// Each file of the folder with a digest of its bytes.
QMap<QString, QByteArray> folderBytes(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        files.insert(name, QCryptographicHash::hash(gentest::readFile(folder + u'/' + name), QCryptographicHash::Sha256).toHex());
    return files;
}

}  // namespace

// Generate into a folder whose generated files now hold other bytes asks once, naming them; No
// leaves the folder as it was and the wizard on step 8, Yes replaces them and keeps copies.
TEST(WizardGeneration, GenerateAsksBeforeReplacingFilesThatDiffer)
{
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard{folder.path()};
    WizardDriver ui{wizard, dialogs};
    ScratchDatabase db{QStringLiteral("replace")};
    QTemporaryDir destination;
    wizard.show();
    db.exec({QStringLiteral("CREATE TABLE items (id INT PRIMARY KEY, name VARCHAR(40))")});
    ui.reachFieldStep(db.name(), {QStringLiteral("items")});
    for (int step = 3; step < 8; ++step)
        ui.next();
    ASSERT_EQ(ui.step(), 8) << dialogs.texts().join(" | ").toStdString();
    ui.type("txtDestination", destination.path());
    const QString created = QStringLiteral("Scripts created successfully in %1/").arg(destination.path());

    // A new folder, then the same choices again: nothing differs, nothing is asked.
    for (int run = 0; run < 2; ++run) {
        dialogs.clear();
        ui.next();
        EXPECT_EQ(dialogs.texts(), QStringList{created});
    }

    const QString index = destination.filePath(QStringLiteral("index.php"));
    const QString config = destination.filePath(QStringLiteral("config.php"));
    const QByteArray generatedIndex = gentest::readFile(index);
    for (const QString& path : {index, config}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("edited by hand\n");
    }
    const QMap<QString, QByteArray> edited = folderBytes(destination.path());

    dialogs.clear();
    dialogs.answers = {MessageAnswer::No};
    ui.next();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("These files in %1/ exist with other contents and will be replaced:\n\n"
                             "index.php\nconfig.php\n\nA copy of each is kept as <name>.bak. Replace them?")
                  .arg(destination.path()));
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.modals, QStringList());
    EXPECT_EQ(ui.step(), 8);
    EXPECT_EQ(folderBytes(destination.path()), edited);

    dialogs.clear();
    dialogs.answers = {MessageAnswer::Yes};
    ui.next();
    ASSERT_EQ(dialogs.texts().size(), 2);
    EXPECT_EQ(dialogs.texts()[1], created);
    EXPECT_EQ(gentest::readFile(index), generatedIndex);
    EXPECT_EQ(gentest::readFile(index + QStringLiteral(".bak")), "edited by hand\n");
    EXPECT_EQ(gentest::readFile(config + QStringLiteral(".bak")), "edited by hand\n");
}
