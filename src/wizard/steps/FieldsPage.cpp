#include "wizard/steps/FieldsPage.h"

#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "wizard/TreeNode.h"
#include "wizard/cDB.h"

#include <QCoreApplication>
#include <QFont>
#include <QHBoxLayout>
#include <QHash>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// The table's columns with the site's columns in the site's order: the places of the columns the
// site chose are filled with them in its order, and the other columns keep their places. A column
// of the site the table no longer has is named in `gone`.
QStringList columnsInSiteOrder(const QStringList& columns, const QStringList& siteColumns, const QString& table,
                               QStringList& gone)
{
    QStringList present;
    for (const QString& column : siteColumns) {
        if (columns.contains(column))
            present << column;
        else
            gone << QStringLiteral("%1.%2 was in the site but is no longer in the database").arg(table, column);
    }
    QStringList ordered;
    qsizetype next = 0;
    for (const QString& column : columns)
        ordered << (present.contains(column) ? present[next++] : column);
    return ordered;
}

// A column the site did not have: "(new)" beside its name, which stays the node's text.
void markNotInSite(QTreeWidgetItem* node)
{
    const QString tip = QStringLiteral("New in the database since the site was generated, or left out of it then");
    node->setText(1, QStringLiteral("(new)"));
    QFont font = node->font(1);
    font.setItalic(true);
    node->setFont(1, font);
    node->setToolTip(0, tip);
    node->setToolTip(1, tip);
}

// The checked columns under `tableNode` (only those in `existing`, when given), in tree order; a
// field in `before` keeps its rule and lookup column.
QList<ChosenField> checkedFields(const QTreeWidgetItem* tableNode, const QList<ChosenField>& before,
                                 const QSet<QString>* existing = nullptr)
{
    QList<ChosenField> chosen;
    for (int f = 0; f < tableNode->childCount(); ++f) {
        const QTreeWidgetItem* node = tableNode->child(f);
        const QString name = node->text(0);
        if (node->checkState(0) == Qt::Unchecked || (existing && !existing->contains(name)))
            continue;
        const auto kept = std::find_if(before.begin(), before.end(),
                                       [&name](const ChosenField& field) { return field.Name == name; });
        ChosenField field;
        field.Name = name;
        chosen.append(kept != before.end() ? *kept : field);
    }
    return chosen;
}

}  // namespace

FieldsPage::FieldsPage(WizardSession& shared, QWidget* parent) : WizardStep(shared, 3, parent)
{
    setupUi();
    connect(cSelAll, &QPushButton::clicked, this, [this] { SetAllFieldChecks(true); });
    connect(cSelNone, &QPushButton::clicked, this, [this] { SetAllFieldChecks(false); });
    connect(&shared, &WizardSession::tableSourceChanged, this, &FieldsPage::ClearFieldTree);
    connect(trvFields, &QTreeWidget::itemChanged, &shared, &WizardSession::noteChoicesEdited);
}

void FieldsPage::setupUi()
{
    auto* layout = new QHBoxLayout(this);
    trvFields = named(new QTreeWidget(this), "trvFields");
    trvFields->setHeaderHidden(true);
    auto* side = new QVBoxLayout;
    cSelAll = namedButton("cSelAll", QStringLiteral("Select All"), this);
    cSelNone = namedButton("cSelNone", QStringLiteral("Select None"), this);
    side->addWidget(cSelAll);
    side->addWidget(cSelNone);
    side->addStretch(1);
    layout->addWidget(trvFields, 1);
    layout->addLayout(side);
}

// The tree is built afresh on the way forward and kept as it is on the way back.
void FieldsPage::enter(bool comingBack)
{
    if (comingBack)
        return;
    BuildFieldTree();
    QCoreApplication::processEvents();
}

// The checked columns of each table in the tree, in tree order; a field chosen before keeps its
// rule and lookup column.
void FieldsPage::applyUnsaved(WizardChoices& c) const
{
    const QTreeWidgetItem* root = trvFields->topLevelItem(0);
    for (int t = 0; root && t < root->childCount(); ++t) {
        const QTreeWidgetItem* tableNode = root->child(t);
        const auto table = std::find_if(c.SelectedTables.begin(), c.SelectedTables.end(),
                                        [tableNode](const SelectedTable& s) { return s.TableName == tableNode->text(0); });
        if (table != c.SelectedTables.end())
            table->ChosenFields = checkedFields(tableNode, table->ChosenFields);
    }
}

bool FieldsPage::leave()
{
    if (!CollectChosenFields()) {
        if (session().waitGivenUp())
            return false;
        showMessage(this, QStringLiteral("An error in this step has occured, please check the settings"),
                    MessageIcon::Exclamation);
        return false;
    }
    return session().confirmRequiredColumnsLeftOut(false, this);
}

void FieldsPage::ClearFieldTree()
{
    trvFields->clear();
    m_fieldNodes.clear();
}

// A table that was in the tree before keeps its check marks; a table or column new to the tree
// comes checked.
void FieldsPage::BuildFieldTree()
{
    QHash<std::pair<QString, QString>, Qt::CheckState> marks;  // (table, column or empty) -> mark
    if (QTreeWidgetItem* oldRoot = trvFields->topLevelItem(0)) {
        for (int t = 0; t < oldRoot->childCount(); ++t) {
            QTreeWidgetItem* table = oldRoot->child(t);
            marks.insert({table->text(0), QString()}, table->checkState(0));
            for (int f = 0; f < table->childCount(); ++f)
                marks.insert({table->text(0), table->child(f)->text(0)}, table->child(f)->checkState(0));
        }
    }
    ClearFieldTree();
    auto keepMark = [&marks](QTreeWidgetItem* node, const QString& table, const QString& column) {
        if (auto it = marks.constFind({table, column}); it != marks.constEnd())
            node->setCheckState(0, *it);
        return node;
    };

    // The tree is built while detached from the view and inserted in one step, so its size
    // does not multiply the view's work.
    const WizardChoices& c = choices();
    const qsizetype tableCount = c.SelectedTables.size();
    // The columns of all tables are read in one wait, before any node is made.
    QList<QStringList> columnsOfTable(tableCount);
    const bool read = session().waitOnServer([&] {
        for (qsizetype i = 0; i < tableCount; ++i)
            columnsOfTable[i] = database().ListColumnNames(c.SelectedTables[i].TableName);
    });
    if (!read)
        return;
    // Right after a site was opened, its tables show the site's columns checked in the site's
    // order and every other column unchecked and marked as not in the site.
    const WizardChoices* site = session().siteToTake(index());
    QStringList gone;
    bool marked = false;
    QTreeWidgetItem* root = makeTreeNode(QStringLiteral("root"), c.Connection.DatabaseName, true);
    m_fieldNodes.reserve(tableCount);
    QList<QList<QTreeWidgetItem*>> fieldsOfTable(tableCount);
    int k = 1;
    for (qsizetype i = 0; i < tableCount; ++i) {
        const QString& name = c.SelectedTables[i].TableName;
        const SelectedTable* siteTable = nullptr;
        if (site) {
            const auto it = std::find_if(site->SelectedTables.begin(), site->SelectedTables.end(),
                                         [&name](const SelectedTable& t) { return t.TableName == name; });
            siteTable = it != site->SelectedTables.end() ? &*it : nullptr;
        }
        if (siteTable) {
            m_fieldNodes.append(makeTreeNode(QStringLiteral("Table%1").arg(i), name, true));
            QStringList siteColumns;
            for (const ChosenField& field : siteTable->ChosenFields)
                siteColumns << field.Name;
            for (const QString& column : columnsInSiteOrder(columnsOfTable[i], siteColumns, name, gone)) {
                QTreeWidgetItem* node = makeTreeNode(QStringLiteral("Field%1").arg(k++), column, true);
                if (!siteColumns.contains(column)) {
                    node->setCheckState(0, Qt::Unchecked);
                    markNotInSite(node);
                    marked = true;
                }
                fieldsOfTable[i].append(node);
            }
            continue;
        }
        m_fieldNodes.append(keepMark(makeTreeNode(QStringLiteral("Table%1").arg(i), name, true), name, {}));
        for (const QString& column : std::as_const(columnsOfTable[i]))
            fieldsOfTable[i].append(keepMark(makeTreeNode(QStringLiteral("Field%1").arg(k++), column, true), name, column));
    }
    for (qsizetype i = 0; i < tableCount; ++i) {
        m_fieldNodes[i]->addChildren(fieldsOfTable[i]);
        m_fieldNodes.append(fieldsOfTable[i]);
    }
    root->addChildren(m_fieldNodes.mid(0, tableCount));
    trvFields->addTopLevelItem(root);
    root->setExpanded(true);
    for (qsizetype i = 0; i < tableCount; ++i)
        m_fieldNodes[i]->setExpanded(true);
    trvFields->setCurrentItem(root);
    trvFields->setColumnCount(marked ? 2 : 1);
    if (marked)
        trvFields->resizeColumnToContents(0);
    QCoreApplication::processEvents();
    if (site) {
        session().siteTaken(index());
        if (!gone.isEmpty())
            showMessage(this, gone.join(QLatin1Char('\n')), MessageIcon::Exclamation);
    }
}

void FieldsPage::SetAllFieldChecks(bool checked)
{
    const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
    for (int i = 0; i < trvFields->topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = trvFields->topLevelItem(i);
        root->setCheckState(0, state);
        for (int t = 0; t < root->childCount(); ++t) {
            QTreeWidgetItem* table = root->child(t);
            table->setCheckState(0, state);
            for (int f = 0; f < table->childCount(); ++f)
                table->child(f)->setCheckState(0, state);
        }
    }
}

// The chosen fields are the checked field nodes of each table, taken by the nodes' own texts in
// tree order (the table's column order), so a column added or dropped on the server meanwhile
// cannot shift a check mark onto another name. A column that no longer exists is left out.
// A field chosen before keeps its rule and lookup column. Columns left out that a new record
// cannot do without are noted for the warning about adding records.
bool FieldsPage::CollectChosenFields()
{
    session().setRequiredLeftOut({});
    QStringList requiredLeftOut;
    WizardChoices& c = choices();
    const qsizetype tableCount = c.SelectedTables.size();
    for (qsizetype i = 0; i < tableCount && i < m_fieldNodes.size(); ++i) {
        SelectedTable& table = c.SelectedTables[i];
        QList<FieldInfo> described;
        if (!session().waitOnServer([&] { described = database().DescribeTable(table.TableName); }))
            return false;
        // A lost connection has been reported on its own: the table is not to blame.
        if (described.isEmpty() && database().ConnectionLost())
            return false;
        QStringList columns;
        for (const FieldInfo& column : described)
            columns << column.Name;
        if (columns.isEmpty()) {
            showMessage(this,
                        QStringLiteral("The columns of table %1 cannot be read: it may have been dropped or "
                                       "renamed on the server. Go back to the table selection and choose the "
                                       "tables again.")
                            .arg(table.TableName),
                        MessageIcon::Exclamation);
            return false;
        }
        const QSet<QString> existing(columns.begin(), columns.end());
        table.ChosenFields = checkedFields(m_fieldNodes[i], table.ChosenFields, &existing);
        for (const FieldInfo& column : described) {
            const bool chosen = std::any_of(table.ChosenFields.begin(), table.ChosenFields.end(),
                                            [&column](const ChosenField& f) { return f.Name == column.Name; });
            if (column.NeedsValue && !chosen)
                requiredLeftOut << table.TableName + QLatin1Char('.') + column.Name;
        }
        if (table.ChosenFields.isEmpty()) {
            showMessage(this,
                        QStringLiteral("You didn't select any fields in table ") + table.TableName
                            + QStringLiteral(". Please select at least 1 field per table"),
                        MessageIcon::Exclamation);
            return false;
        }
    }
    session().setRequiredLeftOut(requiredLeftOut);
    session().removeLookupsToUnchosenColumns(this);
    return true;
}
