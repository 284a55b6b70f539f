// The stylesheet editor's Edit code tab: the rule tree, the property list, the value box, OK and
// Cancel, and opening the window modally through the dialog seam.
#include "EditorFixture.h"

using namespace qmtest;

namespace {

const QByteArray kSiteCss = "body { margin: 0 }\r\n"
                            "td {\r\n"
                            "  color: black;\r\n"
                            "  padding: 2px\r\n"
                            "}\r\n"
                            "#Top { background: url(\"top.png\") }\r\n"
                            ".Note { color: gray }\r\n"
                            "TR.Header { font-weight: bold }\r\n";

class EditCode : public EditorFixture {
protected:
    QString path;
    void SetUp() override
    {
        EditorFixture::SetUp();
        path = write(QStringLiteral("site.css"), kSiteCss);
        editor->setStylesheetPath(path);
    }
};

TEST_F(EditCode, OpeningShowsCategoriesAndRules)
{
    EXPECT_EQ(editor->windowTitle(), path);
    ASSERT_EQ(tree()->topLevelItemCount(), 3);
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), QStringLiteral("HTML Tags"));
    EXPECT_EQ(tree()->topLevelItem(1)->text(0), QStringLiteral("Unique IDs"));
    EXPECT_EQ(tree()->topLevelItem(2)->text(0), QStringLiteral("Classes"));
    EXPECT_TRUE(tree()->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(tree()->topLevelItem(1)->isExpanded());
    EXPECT_FALSE(tree()->topLevelItem(2)->isExpanded());
    EXPECT_EQ(childTexts(QStringLiteral("HTML Tags")), QStringList({QStringLiteral("BODY"), QStringLiteral("TD")}));
    EXPECT_EQ(childTexts(QStringLiteral("Unique IDs")), QStringList({QStringLiteral("#Top")}));
    EXPECT_EQ(childTexts(QStringLiteral("Classes")), QStringList({QStringLiteral(".Note"), QStringLiteral("TR.Header")}));

    // A rule's properties fill the list; a category fills nothing.
    clickNode(node(QStringLiteral("HTML Tags"), QStringLiteral("TD")));
    EXPECT_EQ(propertyRows(), (QList<QPair<QString, QString>>{{QStringLiteral("color"), QStringLiteral("black")},
                                                              {QStringLiteral("padding"), QStringLiteral("2px")}}));
    clickProperty(QStringLiteral("padding"));
    EXPECT_EQ(control<QLineEdit>("txData")->text(), QStringLiteral("2px"));
    clickNode(node(QStringLiteral("Classes")));
    EXPECT_EQ(props()->topLevelItemCount(), 0);
    EXPECT_TRUE(control<QLineEdit>("txData")->text().isEmpty());

    // A category keeps its caption whatever is done to its label.
    node(QStringLiteral("Classes"))->setText(0, QStringLiteral("Styles"));
    EXPECT_EQ(tree()->topLevelItem(2)->text(0), QStringLiteral("Classes"));
    EXPECT_FALSE(tree()->topLevelItem(2)->flags() & Qt::ItemIsEditable);
}

TEST_F(EditCode, RemoveWithCategorySelectedShowsMessageAndRemovesNothing)
{
    clickNode(node(QStringLiteral("Classes")));
    click("cmRem");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.first().text,
              QStringLiteral("You cannot 'remove' a category. Select the tag\n"
                             "you want to remove, and then click 'Remove'."));
    EXPECT_EQ(dialogs.messages.first().icon, MessageIcon::Information);
    EXPECT_EQ(editor->CurrentStylesheet().Rules().size(), 5);
    EXPECT_EQ(childTexts(QStringLiteral("Classes")).size(), 2);

    // A rule is removed from the tree and from the file.
    clickNode(node(QStringLiteral("Classes"), QStringLiteral(".Note")));
    click("cmRem");
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(childTexts(QStringLiteral("Classes")), QStringList({QStringLiteral("TR.Header")}));
    click("cmOK");
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    // The other rules are written as they were read.
    EXPECT_EQ(read(path), QByteArray(kSiteCss).replace(".Note { color: gray }\r\n", ""));
}

TEST_F(EditCode, NewRuleTakesTheCategoryOfTheSelection)
{
    clickNode(node(QStringLiteral("Unique IDs"), QStringLiteral("#Top")));
    click("cmNew");
    QTreeWidgetItem* added = tree()->currentItem();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->text(0), QStringLiteral("#UID1"));
    EXPECT_EQ(added->parent(), node(QStringLiteral("Unique IDs")));
    EXPECT_NE(openEditor(tree()), nullptr);
    const CssRule& rule = editor->CurrentStylesheet().Rules().last();
    EXPECT_EQ(rule.Category, QStringLiteral("uids"));
    EXPECT_EQ(rule.DisplayName, QStringLiteral("#UID1"));
    EXPECT_TRUE(rule.RuleText.isEmpty());
    typeIntoEditor(tree(), QStringLiteral("#UID1"));

    clickNode(node(QStringLiteral("Classes")));
    click("cmNew");
    EXPECT_EQ(tree()->currentItem()->text(0), QStringLiteral(".class1"));
    EXPECT_EQ(tree()->currentItem()->parent(), node(QStringLiteral("Classes")));
    typeIntoEditor(tree(), QStringLiteral(".class1"));

    // Nothing selected: the rule goes under "HTML Tags".
    tree()->setCurrentItem(nullptr);
    click("cmNew");
    EXPECT_EQ(tree()->currentItem()->text(0), QStringLiteral("New1"));
    EXPECT_EQ(tree()->currentItem()->parent(), node(QStringLiteral("HTML Tags")));
}

TEST_F(EditCode, RenamedAndEditedRulesAreSavedWithNewNamesAndProperties)
{
    // Rename "TD" to "th", change a value, add a property.
    clickNode(node(QStringLiteral("HTML Tags"), QStringLiteral("TD")));
    tree()->editItem(tree()->currentItem());
    typeIntoEditor(tree(), QStringLiteral("th"));
    clickProperty(QStringLiteral("color"));
    enterValue(QStringLiteral("#FF8000"));
    click("cmNewProp");
    EXPECT_EQ(propertyRows().last(), (QPair<QString, QString>(QStringLiteral("property-name"), QString())));
    typeIntoEditor(props(), QStringLiteral("font-weight"));
    // When the name is entered the value box takes over.
    EXPECT_EQ(editor->focusWidget(), control<QLineEdit>("txData"));
    enterValue(QStringLiteral("bold"));

    // Remove a property of another rule.
    clickNode(node(QStringLiteral("Classes"), QStringLiteral("TR.Header")));
    clickProperty(QStringLiteral("font-weight"));
    click("Command1");
    EXPECT_EQ(props()->topLevelItemCount(), 0);

    // A new class, named and given a property.
    click("cmNew");
    typeIntoEditor(tree(), QStringLiteral(".Hint"));
    click("cmNewProp");
    typeIntoEditor(props(), QStringLiteral("color"));
    enterValue(QStringLiteral("red"));

    // Only renamed: the text follows the new name.
    clickNode(node(QStringLiteral("Unique IDs"), QStringLiteral("#Top")));
    tree()->editItem(tree()->currentItem());
    typeIntoEditor(tree(), QStringLiteral("#Header"));

    click("cmOK");
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    EXPECT_FALSE(editor->isVisible());
    // Edited rules take the place of the old ones, the new one follows the last; untouched rules
    // keep their bytes.
    EXPECT_EQ(read(path), QByteArray("body { margin: 0 }\r\n"
                                     "th    {color: #FF8000; padding: 2px; font-weight: bold; }\r\n"
                                     "#Header    {background: url(\"top.png\"); }\r\n"
                                     ".Note { color: gray }\r\n"
                                     "TR.Header    {}\r\n"
                                     ".Hint    {color: red; }\r\n"));
}

TEST_F(EditCode, LookingAtRulesChangesNothing)
{
    // Selecting rules and properties, and renaming to the same name, is no edit.
    clickNode(node(QStringLiteral("HTML Tags"), QStringLiteral("TD")));
    clickProperty(QStringLiteral("color"));
    tree()->editItem(node(QStringLiteral("HTML Tags"), QStringLiteral("TD")));
    typeIntoEditor(tree(), QStringLiteral("TD"));
    clickNode(node(QStringLiteral("Unique IDs"), QStringLiteral("#Top")));
    // An empty name is refused.
    tree()->editItem(tree()->currentItem());
    typeIntoEditor(tree(), QString());
    EXPECT_EQ(tree()->currentItem()->text(0), QStringLiteral("#Top"));
    click("cmOK");
    EXPECT_EQ(read(path), kSiteCss);
}

TEST_F(EditorFixture, EditingOneRuleKeepsTheFileAndTheSelectorsCase)
{
    // LF line ends, a Latin-1 byte, a comment and an id with capitals: one value is changed
    // through the window, and only that rule's text changes.
    const QByteArray css = "/* \xA9 Quillmere */\n"
                           "div > #Main {\n"
                           "  color: black;\n"
                           "}\n"
                           "\n"
                           ".Note:before { content: \"\xA9\" }\n";
    const QString path = write(QStringLiteral("site.css"), css);
    editor->setStylesheetPath(path);
    EXPECT_EQ(childTexts(QStringLiteral("HTML Tags")), QStringList({QStringLiteral("DIV > #Main")}));
    clickNode(node(QStringLiteral("HTML Tags"), QStringLiteral("DIV > #Main")));
    clickProperty(QStringLiteral("color"));
    enterValue(QStringLiteral("#FF8000"));
    click("cmOK");
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(read(path), QByteArray("/* \xA9 Quillmere */\n"
                                     "DIV > #Main    {color: #FF8000; }\n"
                                     "\n"
                                     ".Note:before { content: \"\xA9\" }\n"));
}

TEST_F(EditCode, CancelWritesNothing)
{
    clickNode(node(QStringLiteral("HTML Tags"), QStringLiteral("TD")));
    clickProperty(QStringLiteral("color"));
    enterValue(QStringLiteral("red"));
    click("cmNo");
    EXPECT_EQ(editor->result(), QDialog::Rejected);
    EXPECT_EQ(read(path), kSiteCss);
}

TEST_F(EditCode, StylesheetThatCannotBeWrittenIsReportedAndKept)
{
    const QString unwritable = program.filePath(QStringLiteral("gone/site.css"));
    editor->setStylesheetPath(unwritable);
    click("cmNew");
    typeIntoEditor(tree(), QStringLiteral("p"));
    click("cmOK");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.first().text.startsWith(QStringLiteral("The stylesheet could not be saved to ") + unwritable))
        << dialogs.messages.first().text.toStdString();
    EXPECT_EQ(dialogs.messages.first().icon, MessageIcon::Critical);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_NE(editor->result(), QDialog::Accepted);
    EXPECT_EQ(childTexts(QStringLiteral("HTML Tags")), QStringList({QStringLiteral("p")}));

    // Once the folder is there, OK saves what was kept.
    QDir().mkpath(program.filePath(QStringLiteral("gone")));
    click("cmOK");
    EXPECT_EQ(editor->result(), QDialog::Accepted);
    EXPECT_EQ(read(unwritable), QByteArray("p    {}\r\n"));
}

TEST_F(EditorFixture, OpensModallyThroughTheSeamAndReloadsEachTime)
{
    const QString first = write(QStringLiteral("a.css"), "h1 { color: red }");
    // A bare name is a file in the program folder that may not exist yet.
    const QString second = QStringLiteral("new.css");
    QStringList seen;
    dialogs.modalHandlers.insert(QStringLiteral("frmCSS"), [&](QDialog& dialog) {
        seen << dialog.windowTitle() + u'=' + childTexts(QStringLiteral("HTML Tags")).join(u',');
        dialog.show();
        click("cmNew");
        typeIntoEditor(tree(), QStringLiteral("em"));
        click("cmOK");
        return dialog.result();
    });
    EXPECT_EQ(editor->openModal(first), QDialog::Accepted);
    EXPECT_EQ(editor->openModal(second), QDialog::Accepted);
    EXPECT_EQ(dialogs.modals, QStringList({QStringLiteral("frmCSS"), QStringLiteral("frmCSS")}));
    EXPECT_EQ(seen, QStringList({first + QStringLiteral("=H1"), second + u'='}));
    EXPECT_EQ(read(first), QByteArray("h1 { color: red }\r\nem    {}\r\n"));
    EXPECT_EQ(read(program.filePath(second)), QByteArray("em    {}\r\n"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(EditorFixture, UnreadableStylesheetIsReported)
{
    QDir(program.path()).mkdir(QStringLiteral("folder.css"));
    editor->setStylesheetPath(QStringLiteral("folder.css"));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.first().text.startsWith(QStringLiteral("The stylesheet ") +
                                                         program.filePath(QStringLiteral("folder.css")) +
                                                         QStringLiteral(" cannot be read")));
    EXPECT_EQ(tree()->topLevelItemCount(), 3);
}

}  // namespace
