// Steps 2 and 3 on the real widgets: moving tables between the lists, the field tree's keys and
// node list, and turning check marks into chosen fields.
#include "TestFolders.h"
#include "WizardDriver.h"

#include <QCheckBox>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

class TableSteps : public ::testing::Test {
protected:
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard{folder.path()};
    WizardDriver ui{wizard, dialogs};
    ScratchDatabase db{QStringLiteral("tables")};

    void SetUp() override { wizard.show(); }

    QStringList items(const char* list)
    {
        QStringList texts;
        auto* w = ui.get<QListWidget>(list);
        for (int i = 0; i < w->count(); ++i)
            texts << w->item(i)->text();
        return texts;
    }
    int row(const char* list) { return ui.get<QListWidget>(list)->currentRow(); }
    QStringList informationTexts() const
    {
        QStringList texts;
        for (const RecordedMessage& m : dialogs.messages) {
            if (m.icon == MessageIcon::Information)
                texts << m.text;
        }
        return texts;
    }
    void createTables(const QStringList& names, int columns = 2)
    {
        QStringList statements;
        for (const QString& name : names) {
            QStringList cols;
            for (int c = 1; c <= columns; ++c)
                cols << QStringLiteral("c%1 INT").arg(c);
            statements << QStringLiteral("CREATE TABLE `%1` (%2)").arg(name, cols.join(", "));
        }
        db.exec(statements);
    }
    QTreeWidgetItem* fieldNode(const char* key)
    {
        for (QTreeWidgetItem* node : wizard.FieldNodeList()) {
            if (node->data(0, Qt::UserRole).toString() == QLatin1String(key))
                return node;
        }
        return nullptr;
    }
};

}  // namespace

TEST_F(TableSteps, MovingEntriesKeepsOneEntrySelected)
{
    createTables({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
    ui.leaveConnectionStep(db.name());
    EXPECT_EQ(items("lstAvTables"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(row("lstAvTables"), 0);

    // A middle entry, then the last one: the next (or the one before) stays selected.
    ui.get<QListWidget>("lstAvTables")->setCurrentRow(1);
    ui.click("cmdAppendTables");
    EXPECT_EQ(items("lstSelTables"), QStringList{"b"});
    EXPECT_EQ(row("lstAvTables"), 1);  // "c"
    ui.get<QListWidget>("lstAvTables")->setCurrentRow(2);
    ui.click("cmdAppendTables");
    EXPECT_EQ(items("lstAvTables"), (QStringList{"a", "c"}));
    EXPECT_EQ(row("lstAvTables"), 1);
    EXPECT_EQ(items("lstSelTables"), (QStringList{"b", "d"}));
    EXPECT_EQ(row("lstSelTables"), 1);

    // Double click does what ">" does.
    auto* available = ui.get<QListWidget>("lstAvTables");
    const QRect first = available->visualItemRect(available->item(0));
    QTest::mouseClick(available->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(available->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(items("lstSelTables"), (QStringList{"b", "d", "a"}));

    // Removing the last entry selects the one before; the removed entry goes to the end.
    ui.get<QListWidget>("lstSelTables")->setCurrentRow(2);
    ui.click("cmdRemoveTables");
    EXPECT_EQ(items("lstAvTables"), (QStringList{"c", "a"}));
    EXPECT_EQ(row("lstAvTables"), 1);
    EXPECT_EQ(row("lstSelTables"), 1);

    ui.click("cAllToright");
    EXPECT_EQ(items("lstSelTables"), (QStringList{"b", "d", "c", "a"}));
    EXPECT_TRUE(items("lstAvTables").isEmpty());
    EXPECT_EQ(row("lstSelTables"), 3);
    ui.click("cAllToLeft");
    EXPECT_EQ(items("lstAvTables"), (QStringList{"b", "d", "c", "a"}));
    EXPECT_EQ(row("lstAvTables"), 3);

    // The only entry removed leaves an empty list with nothing selected.
    ui.get<QListWidget>("lstAvTables")->setCurrentRow(0);
    ui.click("cmdAppendTables");
    ui.click("cmdRemoveTables");
    EXPECT_TRUE(items("lstSelTables").isEmpty());
    EXPECT_EQ(row("lstSelTables"), -1);
}

// Step 1 confirmed again on the same database keeps the selection and reads the available tables
// again, leaving out the selected ones; another database starts both lists afresh and says so.
TEST_F(TableSteps, TheSameDatabaseKeepsTheSelectionAndNoTableIsOfferedTwice)
{
    createTables({QStringLiteral("a"), QStringLiteral("b")});
    ui.leaveConnectionStep(db.name());
    ui.click("cmdAppendTables");
    createTables({QStringLiteral("c")});
    ui.back();
    dialogs.clear();
    dialogs.answers = {MessageAnswer::No, MessageAnswer::No};  // whether or not saving is offered
    ui.next();
    ASSERT_EQ(ui.step(), 2);
    EXPECT_EQ(items("lstSelTables"), QStringList{"a"});
    EXPECT_EQ(items("lstAvTables"), (QStringList{"b", "c"}));
    EXPECT_EQ(informationTexts(), QStringList());

    ScratchDatabase other{QStringLiteral("tables_other")};
    other.exec({QStringLiteral("CREATE TABLE z (c1 INT)")});
    ui.back();
    ui.type("cmbDBSelect", other.name());
    dialogs.clear();
    dialogs.answers = {MessageAnswer::No, MessageAnswer::No};
    ui.next();
    ASSERT_EQ(ui.step(), 2);
    EXPECT_TRUE(items("lstSelTables").isEmpty());
    EXPECT_EQ(items("lstAvTables"), QStringList{"z"});
    EXPECT_EQ(informationTexts(), QStringList{QStringLiteral("The server or database has changed, so the selected "
                                                             "tables and the choices made for them were cleared.")});
}

// A column that a new record cannot do without (NOT NULL, no default, filled neither by the
// server nor by an expression) left out on step 3 is named while adding may still be allowed;
// the user may stay (No) or go on (Yes). Adding switched on later on step 4 warns there.
TEST_F(TableSteps, LeavingOutAColumnThatAddingNeedsWarnsWhileAddingIsAllowed)
{
    db.exec({QStringLiteral("CREATE TABLE r (id INT AUTO_INCREMENT PRIMARY KEY, code INT NOT NULL, "
                            "note VARCHAR(9) NOT NULL DEFAULT '', opt INT, twice INT AS (code * 2) VIRTUAL, "
                            "name VARCHAR(9) NOT NULL, ref CHAR(2) NOT NULL)")});
    ui.reachFieldStep(db.name(), {QStringLiteral("r")});
    for (const char* key : {"Field1", "Field2", "Field3", "Field4", "Field5", "Field7"})
        fieldNode(key)->setCheckState(0, Qt::Unchecked);
    const QString onStep3 = QStringLiteral(
        "These columns are left out: r.code, r.ref.\n\nA new record cannot be saved without them (they cannot be "
        "empty and have no default), so the site's add form will always fail unless adding records is switched "
        "off on the next step. Go on anyway?");
    dialogs.clear();
    dialogs.answers = {MessageAnswer::No};
    ui.next();
    EXPECT_EQ(ui.step(), 3);
    ASSERT_EQ(dialogs.texts(), QStringList{onStep3});
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
    dialogs.answers = {MessageAnswer::Yes};
    ui.next();
    ASSERT_EQ(ui.step(), 4);
    ui.get<QCheckBox>("chkAddRecords")->setChecked(false);
    ui.next();
    ASSERT_EQ(ui.step(), 5);

    // Adding is off now: step 3 lets the user go; switching adding on again warns on step 4.
    ui.back();
    ui.back();
    dialogs.clear();
    ui.next();
    ASSERT_EQ(ui.step(), 4);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join(" | ").toStdString();
    ui.get<QCheckBox>("chkAddRecords")->setChecked(true);
    dialogs.answers = {MessageAnswer::No};
    ui.next();
    EXPECT_EQ(ui.step(), 4);
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral(
                                   "Adding records is allowed, but these columns were left out on step 3: r.code, "
                                   "r.ref.\n\nA new record cannot be saved without them (they cannot be empty and "
                                   "have no default), so the site's add form will always fail. Go on anyway?")});
    dialogs.answers = {MessageAnswer::Yes};
    ui.next();
    EXPECT_EQ(ui.step(), 5);
}

TEST_F(TableSteps, NextWithoutTablesAsksForOne)
{
    createTables({QStringLiteral("a")});
    ui.leaveConnectionStep(db.name());
    dialogs.clear();
    ui.next();
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("You must select at least 1 table")});
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ui.step(), 2);
}

TEST_F(TableSteps, FieldTreeKeysAndNodeListFor12TablesOf3Columns)
{
    QStringList names;
    for (int i = 0; i < 12; ++i)
        names << QStringLiteral("t%1").arg(i, 2, 10, QLatin1Char('0'));
    createTables(names, 3);
    ui.leaveConnectionStep(db.name());
    ui.click("cAllToright");
    ui.next();
    ASSERT_EQ(ui.step(), 3);
    const auto& nodes = wizard.FieldNodeList();
    ASSERT_EQ(nodes.size(), 12 + 36);
    EXPECT_EQ(nodes[0]->data(0, Qt::UserRole).toString(), QStringLiteral("Table0"));
    EXPECT_EQ(nodes[11]->data(0, Qt::UserRole).toString(), QStringLiteral("Table11"));
    EXPECT_EQ(nodes[11 + 36]->data(0, Qt::UserRole).toString(), QStringLiteral("Field36"));
    // The second column of table 1 is Field5 at position 16 (11 + 5).
    EXPECT_EQ(nodes[16]->data(0, Qt::UserRole).toString(), QStringLiteral("Field5"));
    EXPECT_EQ(nodes[16]->text(0), QStringLiteral("c2"));
    EXPECT_EQ(nodes[16]->parent(), nodes[1]);
    auto* tree = ui.get<QTreeWidget>("trvFields");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->data(0, Qt::UserRole).toString(), QStringLiteral("root"));
    EXPECT_EQ(tree->topLevelItem(0)->text(0), db.name());
    for (QTreeWidgetItem* node : nodes)
        EXPECT_EQ(node->checkState(0), Qt::Checked);
}

TEST_F(TableSteps, CheckMarksOfFieldNodesBecomeTheChosenFields)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT, y INT, z INT)"), QStringLiteral("CREATE TABLE b (p INT, q INT)")});
    ui.reachFieldStep(db.name(), {QStringLiteral("a"), QStringLiteral("b")});
    // Unchecking a table node but keeping its fields still chooses them; only field nodes count.
    fieldNode("Table0")->setCheckState(0, Qt::Unchecked);
    fieldNode("Field2")->setCheckState(0, Qt::Unchecked);
    ui.next();
    ASSERT_EQ(ui.step(), 4) << dialogs.texts().join(" | ").toStdString();
    const auto& tables = wizard.Choices().SelectedTables;
    ASSERT_EQ(tables.size(), 2);
    ASSERT_EQ(tables[0].ChosenFields.size(), 2);
    EXPECT_EQ(tables[0].ChosenFields[0].Name, QStringLiteral("x"));
    EXPECT_EQ(tables[0].ChosenFields[1].Name, QStringLiteral("z"));
    EXPECT_EQ(tables[1].ChosenFields.size(), 2);
}

TEST_F(TableSteps, ATableWithoutCheckedFieldsGivesTwoMessagesAndStays)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT)"), QStringLiteral("CREATE TABLE b (p INT, q INT)")});
    ui.reachFieldStep(db.name(), {QStringLiteral("a"), QStringLiteral("b")});
    ui.click("cSelNone");
    fieldNode("Field1")->setCheckState(0, Qt::Checked);
    fieldNode("Table1")->setCheckState(0, Qt::Checked);  // a table node alone chooses nothing
    dialogs.clear();
    ui.next();
    EXPECT_EQ(dialogs.texts(), (QStringList{
                                   QStringLiteral("You didn't select any fields in table b. Please select at least 1 field per table"),
                                   QStringLiteral("An error in this step has occured, please check the settings")}));
    EXPECT_EQ(ui.step(), 3);
    EXPECT_EQ(wizard.Choices().SelectedTables[0].ChosenFields.size(), 1);
    EXPECT_TRUE(wizard.Choices().SelectedTables[1].ChosenFields.isEmpty());
    ui.click("cSelAll");
    for (QTreeWidgetItem* node : wizard.FieldNodeList())
        EXPECT_EQ(node->checkState(0), Qt::Checked);
}

TEST_F(TableSteps, ADroppedTableIsNamedWithWhatToDo)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT)"), QStringLiteral("CREATE TABLE gone (p INT)")});
    ui.reachFieldStep(db.name(), {QStringLiteral("a"), QStringLiteral("gone")});
    db.exec({QStringLiteral("DROP TABLE gone")});
    dialogs.clear();
    ui.next();
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("table gone")));
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("table selection")));
    EXPECT_EQ(ui.step(), 3);
}

TEST_F(TableSteps, AColumnAddedMeanwhileDoesNotShiftTheMarks)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT, y INT)")});
    ui.reachFieldStep(db.name(), {QStringLiteral("a")});
    fieldNode("Field1")->setCheckState(0, Qt::Unchecked);
    db.exec({QStringLiteral("ALTER TABLE a ADD COLUMN w INT FIRST")});
    ui.next();
    ASSERT_EQ(ui.step(), 4);
    const auto& fields = wizard.Choices().SelectedTables[0].ChosenFields;
    ASSERT_EQ(fields.size(), 1);
    EXPECT_EQ(fields[0].Name, QStringLiteral("y"));
}
