// A generated site's folder opened again on step 1 of the wizard: the steps show the site's
// choices, name what the database lost since, and Generate writes the same folder again.
#include "GeneratorFixture.h"
#include "SampleSchemas.h"
#include "TestFolders.h"
#include "WizardDriver.h"
#include "generator/SiteReader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

ChosenField field(const QString& name, int16_t max = 0, int16_t min = 0, const QString& characters = {},
                  uint8_t allowNulls = 1, const QString& lookup = {})
{
    ChosenField f;
    f.Name = name;
    f.MaxValue = max;
    f.MinValue = min;
    f.Characters = characters;
    f.AllowNulls = allowNulls;
    f.LookupTarget = lookup;
    f.RuleOffered = true;
    return f;
}

// Every file under `folder` by its path inside it, with its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), gentest::readFile(path));
    }
    return files;
}

class ReopenSite : public ::testing::Test {
protected:
    ReopenSite() { wizard.show(); }

    // The choices of a site on the private server, written into `site` by the generator itself.
    WizardChoices siteChoices(const QStringList& tables) const
    {
        const ServerSettings& s = sandboxServer();
        WizardChoices c;
        c.Connection = {s.host, db.name(), s.user, s.password, static_cast<int16_t>(s.port)};
        c.SelectedTables.clear();
        for (const QString& table : tables)
            c.SelectedTables.append(SelectedTable{table, {field(QStringLiteral("id"))}});
        c.Options.AllowAdd = c.Options.AllowEdit = c.Options.AllowView = true;
        c.Options.PhpValidate = true;
        c.Options.RecordsPerPage = 10;
        c.DestinationFolder = site.path() + u'/';
        return c;
    }
    void generate(const WizardChoices& choices)
    {
        GenerationLog log;
        ASSERT_TRUE(phpCreator(folder.path(), log).Generate(choices).Succeeded);
    }

    // "Open site..." on step 1, the folder chooser confirming `path`.
    void openSite(const QString& path)
    {
        dialogs.modalHandlers.insert(QStringLiteral("frmFolder"), [path](QDialog& chooser) {
            chooser.show();
            chooser.findChild<QLineEdit*>(QStringLiteral("txtpath"))->setText(path);
            QTest::mouseClick(chooser.findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
            return chooser.result();
        });
        ui.click("cmdOpenSite");
    }
    // Connect with what the boxes show, then Next, declining to save the connection.
    void connectAndLeaveStepOne()
    {
        ui.click("Command1");
        ASSERT_TRUE(wizard.Connected()) << dialogs.texts().join(" | ").toStdString();
        dialogs.answers.push_back(MessageAnswer::No);
        ui.next();
        ASSERT_EQ(ui.step(), 2) << dialogs.texts().join(" | ").toStdString();
    }
    // Next up to step 8, touching nothing, then Generate.
    void nextToGenerate()
    {
        while (ui.step() < 8) {
            const int before = ui.step();
            ui.next();
            ASSERT_EQ(ui.step(), before + 1) << dialogs.texts().join(" | ").toStdString();
        }
        ui.next();
    }

    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard{folder.path()};
    WizardDriver ui{wizard, dialogs};
    ScratchDatabase db{QStringLiteral("reopen")};
    QTemporaryDir site;
};

// A site with hostile text everywhere it can hold text, fields in another order than the table's,
// lookups, rules, a login, extra queries and a stylesheet of its own, on a login of its own.
TEST_F(ReopenSite, NextThroughEveryStepRegeneratesTheSameBytes)
{
    loadShopSample(db);
    QTemporaryDir scratch;

    const QString user = QStringLiteral("qm_r\u00e9open_%1").arg(QCoreApplication::applicationPid());
    const QString password = QStringLiteral("p\"w'\\$x{$y}\u00e9 z");
    QString quoted = password;
    quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    ASSERT_EQ(execSql({QStringLiteral("CREATE USER '%1'@'%' IDENTIFIED BY '%2'").arg(user, quoted),
                       QStringLiteral("GRANT ALL ON `%1`.* TO '%2'@'%'").arg(db.name(), user)}),
              QString());
    struct DropUser {
        QString user;
        ~DropUser() { execSql({QStringLiteral("DROP USER '%1'@'%'").arg(user)}); }
    } dropUser{user};

    const QString hostile = QStringLiteral("\"'\\$x{$y}\n\u00e9\u00df");
    const QString stylesheet = scratch.filePath(QStringLiteral("st\u00fffle $x{$y}'.css"));
    QFile css(stylesheet);
    ASSERT_TRUE(css.open(QIODevice::WriteOnly));
    css.write("body { color: #102030; }\r\n");
    css.close();

    WizardChoices c = siteChoices({});
    c.Connection.UserName = user;
    c.Connection.Password = password;
    c.SelectedTables = {
        SelectedTable{QStringLiteral("orders"),
                      {field(QStringLiteral("order_id"), 0, 0, {}, 0),
                       field(QStringLiteral("ordered_at")),
                       field(QStringLiteral("customer_id"), 900, -3, hostile, 0, QStringLiteral("customers.last_name")),
                       field(QStringLiteral("status"), 0, 0, QStringLiteral("a\\b"))}},
        SelectedTable{QStringLiteral("customers"),
                      {field(QStringLiteral("customer_id")), field(QStringLiteral("last_name"), 40, 2, hostile),
                       field(QStringLiteral("first_name")), field(QStringLiteral("created"), 0, 0, {}, 0)}},
        // order_id refers to orders, but the site shows no lookup for it: it stays without.
        SelectedTable{QStringLiteral("order_lines"),
                      {field(QStringLiteral("order_id")), field(QStringLiteral("line_no")),
                       field(QStringLiteral("product_id"))}},
    };
    ScriptOptions& o = c.Options;
    o.AllowDelete = o.SearchRecords = o.AllowSearch = o.CreateLookupColumns = o.Navigator = true;
    o.RecordsPerPage = 37;
    c.Security = {QStringLiteral("\u00e4dmin\"$x"), hostile};
    c.Appearance.StylesheetPath = stylesheet;
    c.ExtraQueries = {QStringLiteral("SET @a = \"{$x}\\\"")};
    generate(c);
    QFile owners(site.filePath(QStringLiteral("hooks/owner.txt")));
    ASSERT_TRUE(QDir(site.path()).mkdir(QStringLiteral("hooks")) && owners.open(QIODevice::WriteOnly));
    owners.write("the owner's own file\n");
    owners.close();
    const QMap<QString, QByteArray> before = snapshot(site.path());

    openSite(site.path());
    EXPECT_EQ(ui.get<QLineEdit>("txtPassword")->text(), password);
    EXPECT_EQ(ui.get<QComboBox>("cmbDBSelect")->currentText(), db.name());
    connectAndLeaveStepOne();
    nextToGenerate();
    EXPECT_EQ(dialogs.texts(),
              (QStringList{QStringLiteral("Connection to server established successfully"),
                           QStringLiteral("Would you like to save the current connection settings?"),
                           QStringLiteral("Scripts created successfully in %1/").arg(site.path())}));
    const QMap<QString, QByteArray> after = snapshot(site.path());
    EXPECT_EQ(after.keys(), before.keys());
    for (auto it = before.begin(); it != before.end(); ++it)
        EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
}

// Every table of Sakila with every column and a lookup for each foreign key, a login and a
// stylesheet: reopened and generated again through every step, the folder is the same.
TEST_F(ReopenSite, SakilaComesBackTheSameThroughEveryStep)
{
    if (sakilaDir().isEmpty())
        GTEST_SKIP() << "no Sakila sample beside the checkout (../shared/data/sakila)";
    loadSakilaSchema(db.name());
    WizardChoices c = siteChoices({});
    c.SelectedTables = everyTableWithLookups(db.name());
    ASSERT_GE(c.SelectedTables.size(), 16);
    c.SelectedTables[0].ChosenFields[1].Characters = QStringLiteral("\"$x{$y}'");
    c.SelectedTables[0].ChosenFields[1].AllowNulls = 0;
    c.Options.AllowDelete = c.Options.CreateLookupColumns = c.Options.JavaValidate = true;
    c.Options.AllowSearch = c.Options.SearchRecords = true;  // one box on step 4 sets both
    c.Options.RecordsPerPage = 15;
    c.Security = {QStringLiteral("admin"), QStringLiteral("s\u00e9same \"$1\"")};
    c.Appearance.StylesheetPath = folder.file(QStringLiteral("Colorful.css"));
    generate(c);
    const QMap<QString, QByteArray> before = snapshot(site.path());

    openSite(site.path());
    connectAndLeaveStepOne();
    nextToGenerate();
    EXPECT_EQ(dialogs.texts().constLast(), QStringLiteral("Scripts created successfully in %1/").arg(site.path()));
    EXPECT_EQ(snapshot(site.path()), before);
}

// Since the site was generated, a table and two chosen columns were dropped and a column added:
// step 2 and step 3 each name what is gone in one message, and the new column comes unchecked
// and marked.
TEST_F(ReopenSite, WhatTheDatabaseLostIsNamedAndNewColumnsAreMarked)
{
    db.exec({QStringLiteral("CREATE TABLE items (id INT PRIMARY KEY, name VARCHAR(20), gone_a INT, gone_b INT)"),
             QStringLiteral("CREATE TABLE extra (id INT PRIMARY KEY)")});
    WizardChoices c = siteChoices({QStringLiteral("extra"), QStringLiteral("items")});
    c.SelectedTables[1].ChosenFields << field(QStringLiteral("gone_a")) << field(QStringLiteral("name"))
                                     << field(QStringLiteral("gone_b"));
    generate(c);
    db.exec({QStringLiteral("ALTER TABLE items DROP gone_a, DROP gone_b, ADD added INT"),
             QStringLiteral("DROP TABLE extra")});

    const QString screenshots = qEnvironmentVariable("QM_SCREENSHOT_DIR");
    openSite(site.path());
    if (!screenshots.isEmpty())
        wizard.grab().save(screenshots + QStringLiteral("/reopen-step1.png"));
    connectAndLeaveStepOne();
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("extra was in the site but is no longer in the database"));
    auto* selected = ui.get<QListWidget>("lstSelTables");
    ASSERT_EQ(selected->count(), 1);
    EXPECT_EQ(selected->item(0)->text(), QStringLiteral("items"));

    dialogs.clear();
    ui.next();
    ASSERT_EQ(ui.step(), 3);
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("items.gone_a was in the site but is no longer in the "
                                                          "database\nitems.gone_b was in the site but is no "
                                                          "longer in the database")});
    QStringList shown;
    for (QTreeWidgetItem* node : wizard.FieldNodeList().mid(1))
        shown << QStringLiteral("%1 %2 %3").arg(node->text(0), node->checkState(0) == Qt::Checked ? "on" : "off",
                                               node->text(1));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("id on "), QStringLiteral("name on "),
                                  QStringLiteral("added off (new)")}));
    if (!screenshots.isEmpty())
        wizard.grab().save(screenshots + QStringLiteral("/reopen-step3.png"));
}

// Hand edits of config.php that keep to its statements are read: the number of records a page
// shows on step 4, and an added extra query that the next run writes again.
TEST_F(ReopenSite, HandEditsOfConfigAreTakenOver)
{
    db.exec({QStringLiteral("CREATE TABLE items (id INT PRIMARY KEY)")});
    generate(siteChoices({QStringLiteral("items")}));
    QFile config(site.filePath(QStringLiteral("config.php")));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    QByteArray text = config.readAll();
    config.close();
    const QByteArray extra = "$ExtraQueryes[] = \"SET @edited = 1\";\r\n";
    text.replace("$RecsPerPage = 10;", "$RecsPerPage = 55;");
    text.replace("?>", "// edited by hand\r\n$Owner = 1;\r\n" + extra + "?>");
    ASSERT_TRUE(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
    config.write(text);
    config.close();

    // A statement the wizard does not know is named once, and the site still opens.
    openSite(site.path());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        QStringLiteral("The site was opened, but these lines of it were not understood:\nconfig.php line ")))
        << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(dialogs.messages[0].text.count(u'\n'), 1);
    connectAndLeaveStepOne();
    ui.next();
    ui.next();
    ASSERT_EQ(ui.step(), 4);
    EXPECT_EQ(ui.get<QComboBox>("cmbSplitter")->currentText(), QStringLiteral("55"));
    // The comment goes back in another place, so config.php is replaced: Yes.
    dialogs.answers.push_back(MessageAnswer::Yes);
    nextToGenerate();
    const QByteArray written = gentest::readFile(site.filePath(QStringLiteral("config.php")));
    EXPECT_TRUE(written.contains("$RecsPerPage = 55;\r\n")) << written.toStdString();
    EXPECT_TRUE(written.contains(extra)) << written.toStdString();
}

// A folder that is no generated site: one message naming the file and why, and step 1 as it was.
TEST_F(ReopenSite, AFolderThatIsNoSiteChangesNothing)
{
    QTemporaryDir halfSite;
    QFile database(halfSite.filePath(QStringLiteral("database.php")));
    ASSERT_TRUE(database.open(QIODevice::WriteOnly));
    database.write("<?php\r\necho 'not generated';\r\n?>\r\n");
    database.close();
    ui.typeConnection(QStringLiteral("db.example.org"), 3307, QStringLiteral("secret"), QStringLiteral("someone"));
    ui.type("cmbDBSelect", QStringLiteral("typed"));
    const char* boxes[] = {"txtServer", "txtport", "txtUsername", "txtPassword"};
    auto state = [&] {
        QStringList s;
        for (const char* name : boxes)
            s << ui.get<QLineEdit>(name)->text();
        s << ui.get<QComboBox>("cmbDBSelect")->currentText() << ui.get<QComboBox>("cmbConnType")->currentText()
          << ui.get<QLabel>("lblConnectionStatus")->text();
        return s;
    };
    const QStringList before = state();

    const struct {
        QString folder, file;
    } cases[] = {{site.path(), QStringLiteral("database.php")}, {halfSite.path(), QStringLiteral("database.php")}};
    for (const auto& k : cases) {
        dialogs.clear();
        openSite(k.folder);
        ASSERT_EQ(dialogs.messages.size(), 1) << k.folder.toStdString();
        EXPECT_EQ(dialogs.messages[0].text, SiteReader::Read(k.folder).Message());
        EXPECT_TRUE(dialogs.messages[0].text.contains(k.file)) << dialogs.messages[0].text.toStdString();
        EXPECT_EQ(state(), before);
    }
    EXPECT_EQ(wizard.Choices().ExtraQueries, QStringList());
}

}  // namespace
