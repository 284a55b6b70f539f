// Step 5 on the real widgets: the validation tree, the rule controls editing the current field in
// place, number entry, the lookup selector and lookup columns found on the server.
#include "TestFolders.h"
#include "WizardDriver.h"
#include "dialogs/ComboLists.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

class ValidationStep : public ::testing::Test {
protected:
    TempProgramFolder folder;
    DialogRecorder dialogs;
    frmWizard wizard{folder.path()};
    WizardDriver ui{wizard, dialogs};
    ScratchDatabase db{QStringLiteral("validation")};

    void SetUp() override { wizard.show(); }

    // Tables a (x, y) and b (z), all fields chosen, options at their defaults (validation on).
    void reachValidation(bool lookupColumns = false)
    {
        ui.reachFieldStep(db.name(), tables);
        ui.next();
        ASSERT_EQ(ui.step(), 4);
        ui.get<QCheckBox>("chkFK")->setChecked(lookupColumns);
        ui.next();
        ASSERT_EQ(ui.step(), 5);
        ASSERT_EQ(ui.visiblePanel(), 5);
    }
    void clickNode(const char* key)
    {
        auto* tree = ui.get<QTreeWidget>("trvValidate");
        for (QTreeWidgetItem* node : wizard.ValidationNodeList()) {
            if (node->data(0, Qt::UserRole).toString() == QLatin1String(key)) {
                tree->scrollToItem(node);
                QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
                return;
            }
        }
        ADD_FAILURE() << "no node " << key;
    }
    const ChosenField& field(int table, int index) { return wizard.Choices().SelectedTables[table].ChosenFields[index]; }
    QLineEdit* box(const char* name) { return ui.get<QLineEdit>(name); }

    QStringList tables{QStringLiteral("a"), QStringLiteral("b")};
};

}  // namespace

TEST_F(ValidationStep, TreeAndSelectorCoverEveryChosenField)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT, y VARCHAR(9))"), QStringLiteral("CREATE TABLE b (z INT)")});
    reachValidation();
    const auto& nodes = wizard.ValidationNodeList();
    ASSERT_EQ(nodes.size(), 5);
    EXPECT_EQ(nodes[1]->data(0, Qt::UserRole).toString(), QStringLiteral("Table1"));
    EXPECT_EQ(nodes[1 + 3]->data(0, Qt::UserRole).toString(), QStringLiteral("Field3"));
    EXPECT_EQ(nodes[1 + 3]->text(0), QStringLiteral("z"));
    for (const SelectedTable& t : wizard.Choices().SelectedTables)
        for (const ChosenField& f : t.ChosenFields)
            EXPECT_EQ(f.AllowNulls, 1);

    clickNode("Field2");
    EXPECT_EQ(wizard.CurrentField(), (std::pair<int16_t, int16_t>{0, 1}));
    auto* selector = ui.get<QComboBox>("cmbfk");
    QStringList entries;
    for (int i = 0; i < selector->count(); ++i)
        entries << selector->itemText(i);
    EXPECT_EQ(entries, (QStringList{QString(), "a.x", "a.y", "b.z"}));
    EXPECT_EQ(selector->currentText(), QStringLiteral("y"));  // no lookup column: its own name
}

TEST_F(ValidationStep, RuleControlsEditTheCurrentFieldInPlace)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT, y INT)"), QStringLiteral("CREATE TABLE b (z INT)")});
    reachValidation();
    clickNode("Field3");
    ui.get<QCheckBox>("chkNulls")->setChecked(false);
    ui.get<QCheckBox>("chkCharacterCheck")->setChecked(true);
    ui.type("txtCharacters", QStringLiteral("@."));
    ui.get<QCheckBox>("chkLimits")->setChecked(true);
    ui.type("txtMin", QStringLiteral("-3"));
    ui.type("txtMax", QStringLiteral("12.5"));
    EXPECT_EQ(field(1, 0).AllowNulls, 0);
    EXPECT_EQ(field(1, 0).Characters, QStringLiteral("@."));
    EXPECT_EQ(field(1, 0).MinValue, -3);
    EXPECT_EQ(field(1, 0).MaxValue, 12);
    ui.type("txtMax", QStringLiteral("13.5"));
    EXPECT_EQ(field(1, 0).MaxValue, 14);
    // Each keystroke stores what the box then holds; a pasted text that is no 16-bit number
    // leaves the value alone.
    for (const char* bad : {"40000", "abc", ""}) {
        box("txtMax")->setText(QString::fromLatin1(bad));
        EXPECT_EQ(field(1, 0).MaxValue, 14) << bad;
    }
    // Unchecking the character check only disables the box; the text stays and shows again.
    ui.get<QCheckBox>("chkCharacterCheck")->setChecked(false);
    EXPECT_FALSE(box("txtCharacters")->isEnabled());
    EXPECT_EQ(field(1, 0).Characters, QStringLiteral("@."));

    // A click on a table node edits the first field of the first table.
    clickNode("Table1");
    EXPECT_EQ(wizard.CurrentField(), (std::pair<int16_t, int16_t>{0, 0}));
    ui.get<QCheckBox>("chkCharacterCheck")->setChecked(true);
    ui.type("txtCharacters", QStringLiteral("#"));
    EXPECT_EQ(field(0, 0).Characters, QStringLiteral("#"));
    EXPECT_EQ(field(1, 0).Characters, QStringLiteral("@."));

    clickNode("Field3");
    EXPECT_TRUE(ui.get<QCheckBox>("chkCharacterCheck")->isChecked());
    EXPECT_EQ(box("txtCharacters")->text(), QStringLiteral("@."));
    EXPECT_EQ(box("txtMax")->text(), QStringLiteral("14"));
    EXPECT_FALSE(ui.get<QCheckBox>("chkNulls")->isChecked());
}

TEST_F(ValidationStep, LimitsShowUncheckedWhenMaxIsZeroYetBothNumbersStay)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT, y INT)"), QStringLiteral("CREATE TABLE b (z INT)")});
    reachValidation();
    clickNode("Field2");
    ui.get<QCheckBox>("chkLimits")->setChecked(true);
    ui.type("txtMin", QStringLiteral("5"));
    ui.type("txtMax", QStringLiteral("0"));
    ASSERT_EQ(field(0, 1).MinValue, 5);
    ASSERT_EQ(field(0, 1).MaxValue, 0);
    clickNode("Field1");
    clickNode("Field2");
    EXPECT_FALSE(ui.get<QCheckBox>("chkLimits")->isChecked());
    EXPECT_FALSE(box("txtMin")->isEnabled());
    EXPECT_FALSE(box("txtMax")->isEnabled());
    EXPECT_EQ(box("txtMin")->text(), QStringLiteral("5"));
    EXPECT_EQ(field(0, 1).MinValue, 5);
}

// "Allow Nulls" starts checked the first time the step offers a field's rule; after that the rule
// stays as the user left it, also when the step is entered again.
TEST_F(ValidationStep, ReEntryKeepsTheRuleAndAFieldChosenLaterStartsWithAllowNulls)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT, y INT)"), QStringLiteral("CREATE TABLE b (z INT)")});
    reachValidation();
    clickNode("Field1");
    ui.get<QCheckBox>("chkNulls")->setChecked(false);
    ui.get<QCheckBox>("chkLimits")->setChecked(true);
    ui.type("txtMax", QStringLiteral("9"));
    ASSERT_EQ(field(0, 0).AllowNulls, 0);
    ui.next();
    ASSERT_EQ(ui.step(), 6);
    ui.back();
    EXPECT_EQ(field(0, 0).AllowNulls, 0);
    EXPECT_EQ(field(0, 0).MaxValue, 9);
    clickNode("Field1");
    EXPECT_FALSE(ui.get<QCheckBox>("chkNulls")->isChecked());

    // Left out on step 3 and chosen again, y is a new field: its rule starts afresh.
    ui.back();
    ui.back();
    ASSERT_EQ(ui.step(), 3);
    for (QTreeWidgetItem* node : wizard.FieldNodeList()) {
        if (node->text(0) == QLatin1String("y"))
            node->setCheckState(0, Qt::Unchecked);
    }
    ui.next();
    ui.next();
    ASSERT_EQ(ui.step(), 5);
    ui.back();
    ui.back();
    for (QTreeWidgetItem* node : wizard.FieldNodeList())
        node->setCheckState(0, Qt::Checked);
    ui.next();
    ui.next();
    ASSERT_EQ(ui.step(), 5);
    EXPECT_EQ(field(0, 1).Name, QStringLiteral("y"));
    EXPECT_EQ(field(0, 1).AllowNulls, 1);
    EXPECT_EQ(field(0, 0).AllowNulls, 0);
    EXPECT_EQ(field(0, 0).MaxValue, 9);
}

TEST_F(ValidationStep, EmptySelectorPromptsAndSendsTheFocusToTheTree)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT)"), QStringLiteral("CREATE TABLE b (z INT)")});
    reachValidation();
    dialogs.clear();
    wizard.activateWindow();
    ui.get<QComboBox>("cmbfk")->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Select the field, which is wanted to be a lookup column from the fields list"));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
    EXPECT_TRUE(ui.get("trvValidate")->hasFocus());
}

TEST_F(ValidationStep, ChoosingALookupColumnAndTheEmptyEntryRemovingIt)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT, y INT)"), QStringLiteral("CREATE TABLE b (z INT)")});
    reachValidation();
    clickNode("Field3");
    auto* selector = ui.get<QComboBox>("cmbfk");
    selector->setCurrentIndex(2);
    emit selector->activated(2);
    EXPECT_EQ(field(1, 0).LookupTarget, QStringLiteral("a.y"));
    clickNode("Field1");
    clickNode("Field3");
    EXPECT_EQ(selector->currentText(), QStringLiteral("a.y"));
    selector->setCurrentIndex(0);
    emit selector->activated(0);
    EXPECT_EQ(field(1, 0).LookupTarget, QString());
}

// Step 2 confirmed again: a table that stays keeps its fields' rules; a lookup column showing a
// column of a table taken off the selection is removed, and the user is told.
TEST_F(ValidationStep, ConfirmingTheTableStepAgainKeepsTheRulesOfTablesThatStay)
{
    db.exec({QStringLiteral("CREATE TABLE a (x INT, y INT)"), QStringLiteral("CREATE TABLE b (z INT)")});
    reachValidation();
    clickNode("Field1");
    ui.get<QCheckBox>("chkCharacterCheck")->setChecked(true);
    ui.type("txtCharacters", QStringLiteral("@"));
    ASSERT_EQ(field(0, 0).Characters, QStringLiteral("@"));
    clickNode("Field2");
    auto* selector = ui.get<QComboBox>("cmbfk");
    selector->setCurrentIndex(3);
    emit selector->activated(3);
    ASSERT_EQ(field(0, 1).LookupTarget, QStringLiteral("b.z"));
    for (int i = 0; i < 3; ++i)
        ui.back();
    ASSERT_EQ(ui.step(), 2);
    ui.next();
    ui.next();
    ASSERT_EQ(ui.step(), 4);
    EXPECT_EQ(field(0, 0).Characters, QStringLiteral("@"));
    EXPECT_EQ(field(0, 1).LookupTarget, QStringLiteral("b.z"));

    ui.back();
    ui.back();
    auto* selected = ui.get<QListWidget>("lstSelTables");
    selected->setCurrentRow(1);
    ui.click("cmdRemoveTables");
    dialogs.clear();
    ui.next();
    ASSERT_EQ(ui.step(), 3);
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral(
                                   "The column shown by these lookup columns is no longer chosen, so they were "
                                   "removed: a.y.")});
    EXPECT_EQ(dialogs.messages.value(0).icon, MessageIcon::Information);
    ui.next();
    ASSERT_EQ(ui.step(), 4);
    ASSERT_EQ(wizard.Choices().SelectedTables.size(), 1);
    EXPECT_EQ(field(0, 0).Characters, QStringLiteral("@"));
    EXPECT_EQ(field(0, 1).LookupTarget, QString());
}

TEST_F(ValidationStep, ForeignKeysOnTheServerPrefillLookupColumns)
{
    db.exec({QStringLiteral("CREATE TABLE customers (customer_id INT PRIMARY KEY, created DATE, first_name VARCHAR(40))"),
             QStringLiteral("CREATE TABLE products (product_id INT PRIMARY KEY, price DECIMAL(8,2))"),
             QStringLiteral("CREATE TABLE orders (order_id INT PRIMARY KEY, customer_id INT, product_id INT,"
                            " FOREIGN KEY (customer_id) REFERENCES customers (customer_id),"
                            " FOREIGN KEY (product_id) REFERENCES products (product_id))")});
    tables = {QStringLiteral("orders"), QStringLiteral("customers"), QStringLiteral("products")};
    reachValidation(true);
    const ChosenField& customer = field(0, 1);
    EXPECT_TRUE(customer.IsForeignKey);
    EXPECT_EQ(customer.ParentTable, QStringLiteral("customers"));
    EXPECT_EQ(customer.LookupTarget, QStringLiteral("customers.first_name"));
    // No text column in products: the referenced column itself.
    EXPECT_EQ(field(0, 2).LookupTarget, QStringLiteral("products.product_id"));
    EXPECT_FALSE(field(0, 0).IsForeignKey);

    // Cleared by the user, it stays cleared when the step is entered again.
    clickNode("Field2");
    auto* selector = ui.get<QComboBox>("cmbfk");
    selector->setCurrentIndex(0);
    emit selector->activated(0);
    ui.next();
    ui.back();
    EXPECT_EQ(field(0, 1).LookupTarget, QString());
}

// The parent-field list opens as wide as its longest entry; the box's whole text is its tooltip.
TEST_F(ValidationStep, ParentFieldListIsWideEnoughForItsLongestEntry)
{
    db.exec({QStringLiteral("CREATE TABLE customers (first_name VARCHAR(9), last_name VARCHAR(9))")});
    tables = {QStringLiteral("customers")};
    reachValidation(true);
    clickNode("Field2");
    auto* selector = ui.get<QComboBox>("cmbfk");
    ASSERT_GE(selector->findText(QStringLiteral("customers.first_name")), 0);
    // A list no wider than the box would cut the entries off at its narrowest.
    selector->setFixedWidth(selector->minimumWidth());
    selector->showPopup();
    QAbstractItemView* list = selector->view();
    EXPECT_GE(list->width(), list->fontMetrics().horizontalAdvance(QStringLiteral("customers.first_name"))
                                 + 2 * list->frameWidth());
    if (const QString dir = qEnvironmentVariable("QM_SCREENSHOT_DIR"); !dir.isEmpty())
        list->window()->grab().save(dir + QStringLiteral("/parent-field-list.png"));
    selector->hidePopup();

    selector->setCurrentIndex(selector->findText(QStringLiteral("customers.first_name")));
    EXPECT_EQ(selector->toolTip(), QStringLiteral("customers.first_name"));
    // The closed box, too narrow for the name, shows its start and cuts it at the end.
    ASSERT_GT(selector->fontMetrics().horizontalAdvance(selector->currentText()), selector->lineEdit()->width());
    EXPECT_EQ(selector->lineEdit()->cursorPosition(), 0);
    const QString shown = closedText(selector);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("customers."))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
}
